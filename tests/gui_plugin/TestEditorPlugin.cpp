// A plug-in whose editor holds one control of each toolkit class, for the
// tests that drive editors through a real X server and for `emberline view`.
// Its bitmaps are made when the library loads: flat colours that tests can
// find again in a screenshot.
//
// Parameters 0..5 follow the controls of the same tag (the rocker's -1..1 as
// 0..1); 6 is the text field, whose text is the parameter's display; 7 the
// drop-down list (entry index / 4), its entry text the display.
#include <cairo.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gui/AEffGUIEditor.h"
#include "gui/CControls.h"
#include "gui/CFrame.h"
#include "gui/COptionMenu.h"
#include "gui/CParamDisplay.h"
#include "host/entry.h"
#include "resources/BitmapResources.h"
#include "tests/gui_plugin/TestEditorLayout.h"
#include "tests/support/CairoPng.h"

using namespace VSTGUI;
using namespace testeditor;

namespace {

// ---- bitmaps -------------------------------------------------------------------

struct Bitmaps {
    std::vector<resources::BitmapResource> table;
    std::vector<std::vector<unsigned char>> data;
};

// A strip of frames, each a flat colour from colorOf(frame), at a scale.
template <typename F>
std::vector<unsigned char> strip(int w, int frameH, int frames, int scale, F colorOf) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w * scale, frameH * frames * scale);
    cairo_t* cr = cairo_create(s);
    for (int k = 0; k < frames; ++k) {
        Rgb c = colorOf(k);
        cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
        cairo_rectangle(cr, 0, k * frameH * scale, w * scale, frameH * scale);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    return testsupport::takePng(s);
}

Bitmaps& bitmaps() {
    static Bitmaps b = [] {
        Bitmaps made;
        auto add = [&](int id, int w, int frameH, int frames, auto colorOf) {
            for (int scale : {1, 2}) {
                made.data.push_back(strip(w, frameH, frames, scale, colorOf));
                made.table.push_back({id, scale, w * scale, frameH * frames * scale, nullptr, 0});
            }
        };
        add(kBackgroundId, kWidth, kHeight, 1, [](int) { return kBackgroundColor; });
        add(kAnimKnobId, 40, 40, kAnimFrames, animFrameColor);
        add(kOnOffId, 40, 40, 2, [](int k) { return k ? kOnColor : kOffColor; });
        add(kSwitchId, 30, 60, 3, switchFrameColor);
        add(kKickId, 40, 20, 2, [](int k) { return k ? kOnColor : kOffColor; });
        add(kRockerId, 60, 20, 3, switchFrameColor);
        for (size_t i = 0; i < made.table.size(); ++i) {
            made.table[i].png = made.data[i].data();
            made.table[i].size = (unsigned)made.data[i].size();
        }
        return made;
    }();
    return b;
}

const resources::BitmapResource* findTestBitmap(int id, int scale) {
    for (auto& r : bitmaps().table)
        if (r.id == id && r.scale == scale) return &r;
    return nullptr;
}

void labelText(float, char* text) { std::strcpy(text, kLabelText); }

// ---- effect and editor ------------------------------------------------------------

class TestEffect;

class TestEditor : public AEffGUIEditor, public CControlListener {
public:
    explicit TestEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
        rect.right = kWidth;
        rect.bottom = kHeight;
    }
    ~TestEditor() override { TestEditor::close(); }
    bool open(void* ptr) override;
    void close() override {
        for (auto*& c : controls) c = nullptr;
        AEffGUIEditor::close();
    }
    void idle() override;
    void valueChanged(CDrawContext*, CControl* control) override;

    CControl* controls[kNumControls] = {};
};

class TestEffect : public AudioEffectX {
public:
    explicit TestEffect(vst::audioMasterCallback master) : AudioEffectX(master, 1, kNumParams) {
        setUniqueID(vst::fourCC('E', 'm', 'T', 'e'));
        setNumInputs(2);
        setNumOutputs(2);
        canProcessReplacing();
        for (auto& v : values) v.store(0.0f);
        values[0].store(0.5f);
        setEditor(new TestEditor(this));
    }
    void setParameter(vst::int32 index, float value) override {
        if (index < 0 || index >= kNumParams) return;
        values[index].store(value);
        changed[index].store(true);  // the editor applies it at its next idle
    }
    float getParameter(vst::int32 index) override {
        return (index >= 0 && index < kNumParams) ? values[index].load() : 0.0f;
    }
    void getParameterName(vst::int32 index, char* text) override {
        std::snprintf(text, 8, "P%d", index);
    }
    void getParameterDisplay(vst::int32 index, char* text) override {
        if (index == kTextTag || index == kMenuTag) {
            vst_strncpy(text, texts[index == kTextTag ? 0 : 1].c_str(), 255);
            return;
        }
        std::snprintf(text, 9, "%.4f", getParameter(index));
    }
    void processReplacing(float** in, float** out, vst::int32 frames) override {
        for (int c = 0; c < 2; ++c)
            if (in[c] != out[c]) std::memmove(out[c], in[c], sizeof(float) * (size_t)frames);
    }
    vst::intptr vendorSpecific(vst::int32 index, vst::intptr value, void* ptr, float opt) override {
        return static_cast<TestEditor*>(editor)->vendorSpecific(index, value, ptr, opt);
    }
    bool getEffectName(char* name) override {
        vst_strncpy(name, "Toolkit Test Editor", 31);
        return true;
    }

    std::atomic<float> values[kNumParams];
    std::atomic<bool> changed[kNumParams] = {};
    std::string texts[2] = {kInitialText, "Alpha"};
};

bool TestEditor::open(void* ptr) {
    AEffGUIEditor::open(ptr);
    CBitmap::setResourceLookup(&findTestBitmap);
    auto* background = new CBitmap(kBackgroundId);
    frame = new CFrame(CRect(0, 0, kWidth, kHeight), ptr, this);
    frame->setBackground(background);
    background->forget();

    auto* knob = new CKnob(kKnobRect, this, kKnobTag, nullptr, nullptr);
    knob->setColorHandle(CColor{255, 255, 255, 255});
    auto* animStrip = new CBitmap(kAnimKnobId);
    auto* anim = new CAnimKnob(kAnimKnobRect, this, kAnimKnobTag, kAnimFrames, 40, animStrip);
    animStrip->forget();
    auto* onOffBitmap = new CBitmap(kOnOffId);
    auto* onOff = new COnOffButton(kOnOffRect, this, kOnOffTag, onOffBitmap);
    onOffBitmap->forget();
    auto* switchBitmap = new CBitmap(kSwitchId);
    auto* sw = new CVerticalSwitch(kSwitchRect, this, kSwitchTag, 3, 60, 3, switchBitmap);
    switchBitmap->forget();
    auto* kickBitmap = new CBitmap(kKickId);
    auto* kick = new CKickButton(kKickRect, this, kKickTag, 20, kickBitmap);
    kickBitmap->forget();
    auto* rockerBitmap = new CBitmap(kRockerId);
    auto* rocker = new CRockerSwitch(kRockerRect, this, kRockerTag, 20, rockerBitmap);
    rockerBitmap->forget();
    auto* label = new CParamDisplay(kLabelRect);
    label->setStringConvert(&labelText);
    label->setFont(kNormalFontBig);
    label->setFontColor(kLabelColor);
    label->setBackColor(kLabelBack);
    label->setStyle(kNoFrame);
    auto* text = new CTextEdit(kTextRect, this, kTextTag,
                               static_cast<TestEffect*>(effect)->texts[0].c_str());
    text->setFontColor(CColor{10, 10, 10, 255});
    text->setBackColor(CColor{236, 237, 237, 255});
    text->setTxtFace(kBoldFace);
    auto* menu = new COptionMenu(kMenuRect, this, kMenuTag);
    for (const char* e : kMenuEntries) menu->addEntry(e);
    menu->setCurrent(0);
    menu->setFontColor(CColor{0, 0, 0, 255});
    menu->setBackColor(CColor{220, 220, 220, 255});

    CControl* all[kNumControls] = {knob, anim, onOff, sw, kick, rocker, label, text, menu};
    for (int i = 0; i < kNumControls; ++i) {
        controls[i] = all[i];
        frame->addView(all[i]);
    }
    auto* fx = static_cast<TestEffect*>(effect);
    for (int i = 0; i < kMenuTag; ++i) fx->changed[i].store(true);
    return true;
}

void TestEditor::idle() {
    auto* fx = static_cast<TestEffect*>(effect);
    if (frame) {
        for (int i = 0; i < kRockerTag; ++i)
            if (fx->changed[i].exchange(false) && controls[i]) controls[i]->setValue(fx->values[i].load());
    }
    AEffGUIEditor::idle();
}

void TestEditor::valueChanged(CDrawContext*, CControl* control) {
    auto* fx = static_cast<TestEffect*>(effect);
    int tag = control->getTag();
    float v = control->getValue();
    if (tag == kRockerTag) v = (v + 1.0f) / 2.0f;
    if (tag == kTextTag) {
        char buf[256];
        static_cast<CTextEdit*>(control)->getText(buf);
        fx->texts[0] = buf;
        v = (float)fx->texts[0].size() / 255.0f;
    }
    if (tag == kMenuTag) {
        char buf[256];
        static_cast<COptionMenu*>(control)->getCurrent(buf);
        fx->texts[1] = buf;
        v = v / 4.0f;
    }
    if (tag < kNumParams) {
        fx->values[tag].store(v);
        fx->setParameterAutomated(tag, v);
    }
}

}  // namespace

AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster) {
    return new TestEffect(audioMaster);
}

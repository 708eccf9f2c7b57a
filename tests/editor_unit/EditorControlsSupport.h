// Shared pieces of the editor control tests on the headless platform: a
// listener that stands for the product editor and logs what the controls
// ask of it, an editor with the product frame that logs edit gestures into
// the same log, stand-in film strips of the product's sizes and helpers that
// read back what was drawn.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "editor/CustomControls.h"
#include "editor/Indicators.h"
#include "gui/AEffGUIEditor.h"
#include "gui/headless/HeadlessPlatform.h"
#include "presets/CPresetSystemEditor.h"
#include "resources/BitmapResources.h"

namespace editortest {

using namespace VSTGUI;
using Events = std::vector<std::string>;

// "change TAG VALUE", "open TAG", "apply TAG TEXT", "begin TAG", "end TAG".
struct ProductListener : CPresetSystemListener {
    Events events;
    bool alive = true;
    // What the product editor does when the field hands its text: take the
    // field out of its page.
    CViewContainer* detachFrom = nullptr;
    CView* field = nullptr;

    void valueChanged(CDrawContext*, CControl* control) override {
        char buf[64];
        std::snprintf(buf, sizeof buf, "change %d %.4f", control->getTag(), control->getValue());
        add(buf);
    }
    void loadBank() override {}
    void saveBank() override {}
    void loadPreset() override {}
    void savePreset() override {}
    void stepProgram(bool) override {}
    void openValueEntry(vst::int32 tag) override { add("open " + std::to_string(tag)); }
    void applyValueEntry(vst::int32 tag, const char* text) override {
        add("apply " + std::to_string(tag) + " " + text);
        if (detachFrom && field) detachFrom->removeView(field, false);
    }
    void add(const std::string& e) { events.push_back(alive ? e : "after death: " + e); }
    Events take() {
        Events out;
        out.swap(events);
        return out;
    }
};

// An editor without an effect whose frame is the product frame.
class ProductFrameEditor : public AEffGUIEditor {
public:
    explicit ProductFrameEditor(ProductListener& log) : AEffGUIEditor(nullptr), log(log) {
        rect.right = 500;
        rect.bottom = 500;
    }
    void beginEdit(vst::int32 index) override { log.add("begin " + std::to_string(index)); }
    void endEdit(vst::int32 index) override { log.add("end " + std::to_string(index)); }
    bool open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new CMyFrame(CRect(0, 0, rect.right, rect.bottom), ptr, this);
        return true;
    }
    CMyFrame* myFrame() const { return static_cast<CMyFrame*>(frame); }
    ProductListener& log;
};

// Stand-in strips (PNG headers only: the headless platform reads the size).
enum StandIn : int {
    kKnobStrip = 1,   // 60 x 5050: 101 frames of 50
    kDriveStrip,      // 1243 x 930: 101 frames of 93 in columns of 10
    kOnOffStrip,      // 36 x 80: two halves
    kFourWayStrip,    // 51 x 192: four frames of 48
    kSwitchStrip,     // 40 x 150: three frames of 50
    kMeterStrip,      // 136 x 7070: 101 frames of 70
    kMeterAltStrip,   // the same size
    kLedStrip,        // 21 x 126: six frames of 21
    kGlyphStrip,      // 9 x 306: 18 glyphs of 17
};

inline std::vector<unsigned char> pngHeader(int w, int h) {
    std::vector<unsigned char> d = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13,
                                    'I', 'H', 'D', 'R'};
    for (int v : {w, h})
        for (int s = 24; s >= 0; s -= 8) d.push_back((unsigned char)(v >> s));
    d.insert(d.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    return d;
}

inline const resources::BitmapResource* standInStrips(int id, int scale) {
    struct Entry {
        resources::BitmapResource res;
        std::vector<unsigned char> data;
    };
    static std::vector<Entry>* table = [] {
        auto* t = new std::vector<Entry>;
        auto add = [&](int id, int w, int h) { t->push_back({{id, 1, w, h, nullptr, 0}, pngHeader(w, h)}); };
        add(kKnobStrip, 60, 5050);
        add(kDriveStrip, 1243, 930);
        add(kOnOffStrip, 36, 80);
        add(kFourWayStrip, 51, 192);
        add(kSwitchStrip, 40, 150);
        add(kMeterStrip, 136, 7070);
        add(kMeterAltStrip, 136, 7070);
        add(kLedStrip, 21, 126);
        add(kGlyphStrip, 9, 306);
        for (auto& e : *t) {
            e.res.png = e.data.data();
            e.res.size = (unsigned)e.data.size();
        }
        return t;
    }();
    for (auto& e : *table)
        if (e.res.id == id && e.res.scale == scale) return &e.res;
    return nullptr;
}

// A strip for one control: the control takes its own reference, this one is
// dropped at the end of the scope.
struct Strip {
    explicit Strip(int id) : bitmap(new CBitmap(id)) {}
    ~Strip() { bitmap->forget(); }
    Strip(const Strip&) = delete;
    Strip& operator=(const Strip&) = delete;
    operator CBitmap*() const { return bitmap; }
    CBitmap* bitmap;
};

class EditorControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CBitmap::setResourceLookup(&standInStrips);
        CBitmap::setLoadScale(1.0);
        headless::instance().ticks = 10000;
        editor = new ProductFrameEditor(log);
        editor->open(&parentToken);
        frame = editor->myFrame();
        window = headless::instance().lastWindow;
        editor->setKnobMode(kCircularMode);
    }
    void TearDown() override {
        editor->setKnobMode(kCircularMode);
        editor->close();
        delete editor;
        CBitmap::setResourceLookup(nullptr);
    }
    void press(CPoint p, int32_t buttons = kLButton) { frame->platformMouseDown(p, buttons); }
    void move(CPoint p, int32_t buttons = kLButton) { frame->platformMouseMoved(p, buttons); }
    void release(CPoint p, int32_t buttons = 0) { frame->platformMouseUp(p, buttons); }
    void later(uint32_t ms) { headless::instance().ticks += ms; }
    vst::VstKeyCode key(uint8_t virt) {
        vst::VstKeyCode k{};
        k.virt = virt;
        return k;
    }
    // Source offsets of the images drawn into a view's rectangle at the next
    // paint, after marking it dirty.
    std::vector<CPoint> drawnSources(CView* view, const platform::Image** image = nullptr) {
        window->canvas.ops.clear();
        view->setDirty();
        frame->idle();
        std::vector<CPoint> out;
        for (auto& op : window->canvas.ops)
            if (op.kind == headless::DrawOp::kImage && op.rect.rectOverlap(view->getViewSize())) {
                out.push_back(op.from);
                if (image) *image = op.image;
            }
        return out;
    }

    int parentToken = 0;
    ProductListener log;
    ProductFrameEditor* editor = nullptr;
    CMyFrame* frame = nullptr;
    headless::HeadlessWindow* window = nullptr;
};

}  // namespace editortest

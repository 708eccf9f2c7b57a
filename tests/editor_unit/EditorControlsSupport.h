// Shared pieces of the editor control tests on the headless platform: a
// listener that stands for the product editor and logs what the controls
// ask of it, an editor with the product frame that logs edit gestures into
// the same log and stand-in film strips of the product's sizes.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "editor/CustomControls.h"
#include "editor/Indicators.h"
#include "presets/CPresetSystemEditor.h"
#include "tests/support/HeadlessEditorTest.h"

namespace editortest {

using namespace VSTGUI;
using Events = std::vector<std::string>;

// "change TAG VALUE", "open TAG", "apply TAG TEXT", "begin TAG", "end TAG".
struct ProductListener : testsupport::EventLog, CPresetSystemListener {
    bool alive = true;
    // What the product editor does when the field hands its text: take the
    // field out of its page.
    CViewContainer* detachFrom = nullptr;
    CView* field = nullptr;

    void valueChanged(CDrawContext*, CControl* control) override { changed(control); }
    void loadBank() override {}
    void saveBank() override {}
    void loadPreset() override {}
    void savePreset() override {}
    void stepProgram(bool) override {}
    void openValueEntry(vst::int32 tag) override { add("open " + std::to_string(tag)); }
    void applyValueEntry(vst::int32 tag, const char* text) override {
        add("apply " + std::to_string(tag) + " " + (text ? text : "(cancelled)"));
        if (detachFrom && field) detachFrom->removeView(field, false);
    }
    void add(const std::string& e) override { events.push_back(alive ? e : "after death: " + e); }
};

// An editor without an effect whose frame is the product frame.
class ProductFrameEditor : public testsupport::LoggingEditorOf<CMyFrame> {
public:
    explicit ProductFrameEditor(ProductListener& log) : LoggingEditorOf(log, 500, 500) {}
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

inline const resources::BitmapResource* standInStrips(int id, int scale) {
    static const auto* table = new testsupport::StandInBitmaps({
        {kKnobStrip, 1, 60, 5050},
        {kDriveStrip, 1, 1243, 930},
        {kOnOffStrip, 1, 36, 80},
        {kFourWayStrip, 1, 51, 192},
        {kSwitchStrip, 1, 40, 150},
        {kMeterStrip, 1, 136, 7070},
        {kMeterAltStrip, 1, 136, 7070},
        {kLedStrip, 1, 21, 126},
        {kGlyphStrip, 1, 9, 306},
    });
    return table->find(id, scale);
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

class EditorControlsTest
    : public testsupport::HeadlessEditorTest<ProductFrameEditor, ProductListener, CMyFrame, &standInStrips> {
protected:
    void SetUp() override {
        HeadlessEditorTest::SetUp();
        editor->setKnobMode(kCircularMode);
    }
    void TearDown() override {
        editor->setKnobMode(kCircularMode);
        HeadlessEditorTest::TearDown();
    }
    // A value and the offset down the strip of the frame it shows.
    struct ShownAt {
        float value;
        int32_t offset;
    };
    void expectFrames(CControl* control, std::initializer_list<ShownAt> cases) {
        for (ShownAt c : cases) {
            control->setValue(c.value);
            EXPECT_EQ(drawnSources(control), (std::vector<CPoint>{CPoint(0, c.offset)})) << c.value;
        }
    }
};

}  // namespace editortest

// Shared pieces of the toolkit tests on the headless platform: a listener and
// editor that log what controls report, stand-in bitmaps, and a frame with a
// recording window.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "gui/CControls.h"
#include "gui/CFrame.h"
#include "tests/support/HeadlessEditorTest.h"

namespace guitest {

using namespace VSTGUI;

// One line per event: "change TAG VALUE", "modifier TAG BUTTONS", "begin TAG",
// "end TAG".
struct EventLog : testsupport::EventLog, CControlListener {
    int32_t claimModifiers = 0;

    void valueChanged(CDrawContext*, CControl* control) override { changed(control); }
    int32_t controlModifierClicked(CDrawContext*, CControl* control, int32_t buttons) override {
        add("modifier " + std::to_string(control->getTag()) + " " + std::to_string(buttons));
        return claimModifiers;
    }
};

// An editor without an effect that logs the edit gestures into the log.
class LoggingEditor : public testsupport::LoggingEditorOf<CFrame> {
public:
    explicit LoggingEditor(EventLog& log) : LoggingEditorOf(log, 400, 300) {}
    void idle() override {
        ++idleCount;
        AEffGUIEditor::idle();
    }
    void setFrameForTest(CFrame* f) { frame = f; }
    int idleCount = 0;
};

// Stand-in bitmaps: id 100 exists at 1x and 2x, 101 and 102 only at 1x.
inline const resources::BitmapResource* standInBitmaps(int id, int scale) {
    static const auto* table = new testsupport::StandInBitmaps({
        {100, 1, 40, 80},
        {100, 2, 80, 160},
        {101, 1, 30, 300},  // a film strip of 10 frames of 30 x 30
        {102, 1, 20, 60},   // three frames of 20 x 20
    });
    return table->find(id, scale);
}

// A frame with a headless window inside a made-up parent, on the stand-in
// bitmaps, with the clock at a known time.
using ToolkitTest = testsupport::HeadlessEditorTest<LoggingEditor, EventLog, CFrame, &standInBitmaps>;

}  // namespace guitest

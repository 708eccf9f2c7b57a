// Controls on the headless platform: values, edit gestures, knob drags,
// wheel and keys, buttons and switches.
#include <cmath>

#include "tests/gui_unit/GuiTestSupport.h"

namespace guitest {
namespace {

using Events = std::vector<std::string>;

TEST_F(ToolkitTest, ControlValueDirtyDefaultAndDoubleClick) {
    auto* c = new CControl(CRect(0, 0, 10, 10), &log, 3);
    frame->addView(c);
    c->setDirty(false);
    c->setValue(0.25f);
    EXPECT_TRUE(c->isDirty());
    c->setDirty(false);
    EXPECT_EQ(c->getOldValue(), 0.25f);
    c->setValue(0.25f);
    EXPECT_FALSE(c->isDirty());
    c->setValue(1.7f);
    c->bounceValue();
    EXPECT_EQ(c->getValue(), 1.0f);

    // Control+left sets the default inside an edit; a change is reported.
    c->setDefaultValue(0.4f);
    EXPECT_FALSE(c->checkDefaultValue(nullptr, kLButton | kControl | kShift));
    EXPECT_TRUE(c->checkDefaultValue(nullptr, kLButton | kControl));
    EXPECT_EQ(log.take(), (Events{"begin 3", "change 3 0.4000", "end 3"}));
    EXPECT_EQ(frame->getFocusView(), c);
    EXPECT_TRUE(c->checkDefaultValue(nullptr, kLButton | kControl));
    EXPECT_EQ(log.take(), (Events{"begin 3", "end 3"}));  // unchanged: no report

    // Double clicks by the frame's clock; a detected one forgets the press.
    EXPECT_GE(c->getDoubleClickTime(), 250);
    int32_t interval = c->getDoubleClickTime();
    EXPECT_FALSE(c->isDoubleClick());
    headless::instance().ticks += interval - 1;
    EXPECT_TRUE(c->isDoubleClick());
    headless::instance().ticks += 10;
    EXPECT_FALSE(c->isDoubleClick());
    headless::instance().ticks += interval;
    EXPECT_FALSE(c->isDoubleClick());
}

TEST_F(ToolkitTest, KnobAngleMappingRunsClockwiseFromLowerLeft) {
    CKnob knob(CRect(0, 0, 100, 100), nullptr, 0, nullptr, nullptr);
    EXPECT_NEAR(knob.valueFromPoint(CPoint(0, 100)), 0.0f, 1e-6);    // 225 degrees
    EXPECT_NEAR(knob.valueFromPoint(CPoint(50, 0)), 0.5f, 1e-6);     // straight up
    EXPECT_NEAR(knob.valueFromPoint(CPoint(100, 100)), 1.0f, 1e-6);  // -45 degrees
    EXPECT_NEAR(knob.valueFromPoint(CPoint(0, 50)), 1.0f / 6, 1e-6);  // 180 degrees
    // In the gap at the bottom: the nearer end.
    EXPECT_EQ(knob.valueFromPoint(CPoint(45, 100)), 0.0f);
    EXPECT_EQ(knob.valueFromPoint(CPoint(55, 100)), 1.0f);
    knob.setMin(-1);
    knob.setMax(3);
    EXPECT_NEAR(knob.valueFromPoint(CPoint(50, 0)), 1.0f, 1e-6);
}

TEST_F(ToolkitTest, KnobLinearDragWithShiftMidwayAndClamping) {
    editor->setKnobMode(kLinearMode);
    auto* knob = new CKnob(CRect(100, 100, 140, 140), &log, 5, nullptr, nullptr);
    knob->setValue(0.2f);
    frame->addView(knob);
    press(CPoint(120, 120));
    EXPECT_EQ(log.take(), (Events{"begin 5"}));
    move(CPoint(120, 80));  // 40 up of 200
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-6);
    move(CPoint(140, 80));  // 20 right counts fully
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);
    move(CPoint(140, 80));  // no movement, no report
    // Shift from here on: no jump, then 300 pixels for the range.
    move(CPoint(140, 80), kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);
    move(CPoint(140, 50), kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-5);
    move(CPoint(140, 50), kLButton);
    move(CPoint(140, -300), kLButton);
    EXPECT_EQ(knob->getValue(), 1.0f);
    release(CPoint(140, -300));
    Events e = log.take();
    ASSERT_GE(e.size(), 4u);
    EXPECT_EQ(e.front(), "change 5 0.4000");
    EXPECT_EQ(e.back(), "end 5");
    EXPECT_EQ(std::count(e.begin(), e.end(), "end 5"), 1);
    EXPECT_EQ(std::count_if(e.begin(), e.end(), [](auto& s) { return s.rfind("change", 0) == 0; }),
              (long)e.size() - 1);
    editor->setKnobMode(kCircularMode);
}

TEST_F(ToolkitTest, KnobCircularDragFollowsTheAngleAndStopsAtTheGap) {
    auto* knob = new CKnob(CRect(0, 0, 100, 100), &log, 1, nullptr, nullptr);
    knob->setValue(0.5f);
    frame->addView(knob);
    press(CPoint(50, 10));
    move(CPoint(90, 50));  // 0 degrees: three quarters... of 270 from 225
    EXPECT_NEAR(knob->getValue(), 225.0f / 270.0f, 1e-5);
    move(CPoint(95, 95));
    EXPECT_NEAR(knob->getValue(), 1.0f, 1e-6);
    move(CPoint(5, 95));  // across the gap from the maximum: stays there
    EXPECT_EQ(knob->getValue(), 1.0f);
    move(CPoint(0, 50));
    EXPECT_EQ(knob->getValue(), 1.0f);
    release(CPoint(0, 50));
    // Alt flips the mode: linear from a circular default.
    knob->setValue(0.5f);
    log.take();
    press(CPoint(50, 50), kLButton | kAlt);
    move(CPoint(50, 30), kLButton | kAlt);
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
    release(CPoint(50, 30));
}

TEST_F(ToolkitTest, KnobWheelKeysAndModifierClicks) {
    auto* knob = new CKnob(CRect(0, 0, 40, 40), &log, 9, nullptr, nullptr);
    knob->setWheelInc(0.05f);
    knob->setValue(0.5f);
    frame->addView(knob);
    frame->platformWheel(CPoint(20, 20), 2.0f, 0);
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
    frame->platformWheel(CPoint(20, 20), -1.0f, kShift);
    EXPECT_NEAR(knob->getValue(), 0.595f, 1e-6);
    EXPECT_EQ(log.take(), (Events{"begin 9", "change 9 0.6000", "end 9", "begin 9", "change 9 0.5950", "end 9"}));
    knob->setValue(1.0f);
    frame->platformWheel(CPoint(20, 20), 1.0f, 0);  // at the end: nothing to report
    EXPECT_TRUE(log.take().empty());

    // The knob that began an edit gets the keys.
    vst::VstKeyCode down = key(VKEY_DOWN);
    EXPECT_TRUE(frame->platformKeyDown(down));
    EXPECT_NEAR(knob->getValue(), 0.95f, 1e-6);
    vst::VstKeyCode upFine = key(VKEY_UP, 0, MODIFIER_SHIFT);
    EXPECT_TRUE(frame->platformKeyDown(upFine));
    EXPECT_NEAR(knob->getValue(), 0.955f, 1e-6);
    vst::VstKeyCode other = key(0, 'a');
    EXPECT_FALSE(frame->platformKeyDown(other));
    log.take();

    // A listener that claims modifier presses keeps the knob out of it.
    log.claimModifiers = 1;
    press(CPoint(20, 20), kLButton | kShift);
    EXPECT_EQ(log.take(), (Events{"modifier 9 9"}));
    EXPECT_EQ(frame->getMouseCapture(), nullptr);
    log.claimModifiers = 0;
    knob->setDefaultValue(0.3f);
    press(CPoint(20, 20), kLButton | kControl);
    EXPECT_EQ(log.take(), (Events{"modifier 9 17", "begin 9", "change 9 0.3000", "end 9"}));
    // The right button alone does nothing.
    press(CPoint(20, 20), kRButton);
    EXPECT_TRUE(log.take().empty());
}

TEST_F(ToolkitTest, AnimKnobPicksTheFrameByTruncation) {
    auto* strip = new CBitmap(101);  // 10 frames of 30
    auto* knob = new CAnimKnob(CRect(10, 10, 40, 40), &log, 2, 10, 30, strip);
    strip->forget();
    frame->addView(knob);
    struct Case {
        float value;
        int frame;
    };
    for (Case c : {Case{0.0f, 0}, Case{0.5f, 4}, Case{0.999f, 8}, Case{1.0f, 9}, Case{-0.2f, 0}}) {
        knob->setValue(c.value);
        EXPECT_EQ(knob->frameIndex(), c.frame) << c.value;
        knob->setDirty();
        window->canvas.ops.clear();
        frame->idle();
        int drawn = 0;
        for (auto& op : window->canvas.ops)
            if (op.kind == headless::DrawOp::kImage && op.rect == CRect(10, 10, 40, 40)) {
                EXPECT_EQ(op.from, CPoint(0, 30 * c.frame)) << c.value;
                ++drawn;
            }
        EXPECT_EQ(drawn, 1) << c.value;
    }
}

TEST_F(ToolkitTest, OnOffButtonToggleAndHalves) {
    auto* bitmap = new CBitmap(100);  // 40 x 80: two halves of 40
    auto* button = new COnOffButton(CRect(0, 0, 40, 40), &log, 4, bitmap);
    bitmap->forget();
    frame->addView(button);
    auto drawnOffset = [&]() {
        window->canvas.ops.clear();
        button->setDirty();
        frame->idle();
        for (auto& op : window->canvas.ops)
            if (op.kind == headless::DrawOp::kImage) return op.from.v;
        return -1;
    };
    button->setValue(0.0f);
    EXPECT_EQ(drawnOffset(), 0);
    button->setValue(0.7f);
    EXPECT_EQ(drawnOffset(), 40);
    press(CPoint(5, 5));  // int(0.7) is 0: on
    EXPECT_EQ(button->getValue(), 1.0f);
    press(CPoint(5, 5));
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(log.take(), (Events{"begin 4", "change 4 1.0000", "end 4", "begin 4", "change 4 0.0000", "end 4"}));
    log.claimModifiers = 1;
    press(CPoint(5, 5), kLButton | kAlt);
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(log.take(), (Events{"modifier 4 33"}));
}

TEST_F(ToolkitTest, VerticalSwitchBandsTrackingAndDefault) {
    auto* bitmap = new CBitmap(102);  // 3 frames of 20
    auto* sw = new CVerticalSwitch(CRect(0, 0, 20, 20), &log, 6, 3, 20, 3, bitmap);
    bitmap->forget();
    frame->addView(sw);
    press(CPoint(5, 15));  // bands of 20/3 pixels: the third
    EXPECT_EQ(sw->getValue(), 1.0f);
    move(CPoint(5, 8));
    EXPECT_EQ(sw->getValue(), 0.5f);
    move(CPoint(5, -40));
    EXPECT_EQ(sw->getValue(), 0.0f);
    release(CPoint(5, -40));
    EXPECT_EQ(log.take(), (Events{"begin 6", "change 6 1.0000", "change 6 0.5000", "change 6 0.0000", "end 6"}));
    // Another button ends the tracking.
    press(CPoint(5, 15));
    move(CPoint(5, 8), kLButton | kRButton);
    move(CPoint(5, 1), kLButton);
    EXPECT_EQ(sw->getValue(), 1.0f);
    EXPECT_EQ(log.take(), (Events{"begin 6", "change 6 1.0000", "end 6"}));
    press(CPoint(5, 15), kLButton | kControl);
    EXPECT_EQ(sw->getValue(), 0.0f);
    EXPECT_EQ(log.take(), (Events{"begin 6", "change 6 0.0000", "end 6"}));
}

TEST_F(ToolkitTest, KickButtonAndRockerReturnToRest) {
    auto* kick = new CKickButton(CRect(0, 0, 20, 20), &log, 11, 20, nullptr);
    auto* rocker = new CRockerSwitch(CRect(100, 0, 140, 20), &log, 12, 20, nullptr);
    frame->addView(kick);
    frame->addView(rocker);
    press(CPoint(5, 5));
    move(CPoint(50, 50));  // out: 0, back in: 1
    move(CPoint(6, 6));
    release(CPoint(6, 6));
    EXPECT_EQ(log.take(), (Events{"begin 11", "change 11 1.0000", "change 11 0.0000", "change 11 1.0000",
                                  "change 11 0.0000", "end 11"}));
    press(CPoint(105, 5));
    move(CPoint(135, 5));
    release(CPoint(135, 5));
    EXPECT_EQ(rocker->getValue(), 0.0f);
    EXPECT_EQ(log.take(), (Events{"begin 12", "change 12 -1.0000", "change 12 1.0000", "change 12 0.0000", "end 12"}));
}

}  // namespace
}  // namespace guitest

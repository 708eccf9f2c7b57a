// The product knobs: press handling (default, double click, drag modes),
// linear and circular drags, edit gestures, and the column strip.
#include "tests/editor_unit/EditorControlsSupport.h"

namespace editortest {
namespace {

class KnobTest : public EditorControlsTest {
protected:
    void SetUp() override {
        EditorControlsTest::SetUp();
        Strip s(kKnobStrip);
        knob = new CAnimKnob2(CRect(100, 100, 160, 150), &log, 7, 101, 50, s);
        frame->addView(knob);
    }
    CAnimKnob2* knob = nullptr;
};

TEST_F(KnobTest, LinearDragCoversTheRangeIn300PixelsUpAndClamps) {
    editor->setKnobMode(kLinearMode);
    knob->setValue(0.2f);
    press(CPoint(130, 125));
    move(CPoint(130, -25));  // 150 up
    EXPECT_NEAR(knob->getValue(), 0.7f, 1e-5);
    release(CPoint(130, -25));
    EXPECT_EQ(log.take(), (Events{"change 7 0.2000", "begin 7", "change 7 0.7000", "end 7"}));

    // 300 down from the middle ends at the minimum and no further.
    knob->setValue(0.5f);
    later(1000);
    press(CPoint(130, 125));
    move(CPoint(130, 275));
    EXPECT_NEAR(knob->getValue(), 0.0f, 1e-6);
    move(CPoint(130, 425));
    EXPECT_EQ(knob->getValue(), 0.0f);
    release(CPoint(130, 425));

    // Horizontal movement counts half: 60 to the right is a tenth.
    knob->setValue(0.5f);
    later(1000);
    press(CPoint(130, 125));
    move(CPoint(190, 125));
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-5);
    move(CPoint(70, 125));  // 60 to the left of the press
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-5);
    release(CPoint(70, 125));
}

TEST_F(KnobTest, ShiftMidwayKeepsTheValueAndSlowsTheDragFivefold) {
    editor->setKnobMode(kLinearMode);
    knob->setValue(0.2f);
    press(CPoint(130, 125));
    move(CPoint(130, 50));  // 75 up at full speed
    EXPECT_NEAR(knob->getValue(), 0.45f, 1e-5);
    move(CPoint(130, 50), kLButton | kShift);  // Shift down: no jump
    EXPECT_NEAR(knob->getValue(), 0.45f, 1e-5);
    move(CPoint(130, -25), kLButton | kShift);  // 75 more, a fifth as far
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    move(CPoint(130, -25), kLButton);  // Shift up: no jump either
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    move(CPoint(130, -55));  // full speed again
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-5);
    release(CPoint(130, -55));

    // Shift held from the press: 1500 pixels for the range.
    knob->setValue(0.2f);
    later(1000);
    press(CPoint(130, 125), kLButton | kShift);
    move(CPoint(130, -25), kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.3f, 1e-5);
    release(CPoint(130, -25));
}

TEST_F(KnobTest, CircularDragFollowsTheAngleAndStopsAtTheGap) {
    auto* round = new CAnimKnob2(CRect(200, 0, 300, 100), &log, 9, 101, 50, nullptr);
    frame->addView(round);
    round->setValue(0.2f);
    press(CPoint(250, 0));  // straight up is the middle of the sweep
    EXPECT_NEAR(round->getValue(), 0.5f, 1e-5);
    move(CPoint(295, 95));  // lower right: the maximum
    EXPECT_NEAR(round->getValue(), 1.0f, 1e-5);
    move(CPoint(205, 95));  // across the gap to the lower left: stays at the top
    EXPECT_EQ(round->getValue(), 1.0f);
    move(CPoint(200, 50));
    EXPECT_EQ(round->getValue(), 1.0f);
    release(CPoint(200, 50));
    Events e = log.take();
    ASSERT_GE(e.size(), 4u);
    EXPECT_EQ(e[0], "change 9 0.2000");
    EXPECT_EQ(e[1], "begin 9");
    EXPECT_EQ(e.back(), "end 9");

    // From the minimum side the same crossing stays at the bottom.
    later(1000);
    press(CPoint(205, 95));
    EXPECT_NEAR(round->getValue(), 0.0f, 1e-5);
    move(CPoint(295, 95));
    EXPECT_EQ(round->getValue(), 0.0f);
    release(CPoint(295, 95));
}

TEST_F(KnobTest, AltSwapsTheDragModeEitherWay) {
    knob->setValue(0.5f);
    press(CPoint(130, 125), kLButton | kAlt);  // circular mode, Alt: linear
    move(CPoint(130, 95), kLButton | kAlt);
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-5);
    release(CPoint(130, 95));

    editor->setKnobMode(kLinearMode);
    later(1000);
    knob->setValue(0.2f);
    press(CPoint(130, 100), kLButton | kAlt);  // linear mode, Alt: circular (top centre)
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    release(CPoint(130, 100));
}

TEST_F(KnobTest, ControlClickSetsTheDefaultWithoutAnEdit) {
    knob->setDefaultValue(0.4f);
    knob->setValue(0.9f);
    press(CPoint(130, 125), kLButton | kControl);
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-6);
    EXPECT_EQ(frame->getMouseCapture(), nullptr);
    EXPECT_EQ(log.take(), (Events{"change 7 0.4000"}));
    later(1000);
    press(CPoint(130, 125), kLButton | kControl);  // already there: silent
    EXPECT_TRUE(log.take().empty());

    // Control with Shift is a fine drag, not a default-set.
    editor->setKnobMode(kLinearMode);
    knob->setValue(0.9f);
    later(1000);
    press(CPoint(130, 125), kLButton | kControl | kShift);
    EXPECT_EQ(frame->getMouseCapture(), knob);
    move(CPoint(130, 50), kLButton | kControl | kShift);
    EXPECT_NEAR(knob->getValue(), 0.95f, 1e-5);
    release(CPoint(130, 50));
    EXPECT_EQ(log.take(), (Events{"change 7 0.9000", "begin 7", "change 7 0.9500", "end 7"}));

    // The right button alone, or a disabled knob, does nothing.
    later(1000);
    press(CPoint(130, 125), kRButton);
    knob->setMouseEnabled(false);
    press(CPoint(130, 125));
    EXPECT_TRUE(log.take().empty());
}

TEST_F(KnobTest, DoubleClickOpensTheValueEntryWithoutADrag) {
    knob->setValue(0.3f);
    editor->setKnobMode(kLinearMode);
    press(CPoint(130, 125));
    release(CPoint(130, 125));
    log.take();
    later(100);
    press(CPoint(130, 125));
    EXPECT_EQ(log.take(), (Events{"open 7"}));
    EXPECT_EQ(frame->getMouseCapture(), nullptr);
    move(CPoint(130, 25));
    release(CPoint(130, 25));
    EXPECT_NEAR(knob->getValue(), 0.3f, 1e-6);
    EXPECT_TRUE(log.take().empty());

    // The double click forgot its first press: a third click is a drag.
    later(100);
    press(CPoint(130, 125));
    EXPECT_EQ(frame->getMouseCapture(), knob);
    release(CPoint(130, 125));
    // Clicks further apart than the interval are two drags.
    later(knob->getDoubleClickTime() + 1);
    press(CPoint(130, 125));
    release(CPoint(130, 125));
    for (const auto& e : log.take()) EXPECT_NE(e, "open 7");

    // A Control-click counts as the first click of a double click.
    later(1000);
    press(CPoint(130, 125), kLButton | kControl);
    later(50);
    press(CPoint(130, 125));
    EXPECT_EQ(log.take().back(), "open 7");
}

TEST_F(KnobTest, EachDragIsOneEditAndTheKnobKeepsTheKeys) {
    editor->setKnobMode(kLinearMode);
    knob->setValue(0.5f);
    knob->setWheelInc(0.1f);
    press(CPoint(130, 125));
    for (int y = 120; y >= 60; y -= 10) move(CPoint(130, y));
    release(CPoint(130, 60));
    Events e = log.take();
    EXPECT_EQ(std::count(e.begin(), e.end(), "begin 7"), 1);
    EXPECT_EQ(std::count(e.begin(), e.end(), "end 7"), 1);
    EXPECT_EQ(e.back(), "end 7");
    EXPECT_EQ(e.size(), 2u + 1u + 7u);  // press report, begin, seven changes, end
    EXPECT_EQ(frame->getFocusView(), knob);

    // The keys the host passes go to the knob dragged last.
    knob->setValue(0.6f);
    vst::VstKeyCode up = key(VKEY_UP);
    EXPECT_TRUE(frame->platformKeyDown(up));
    EXPECT_NEAR(knob->getValue(), 0.7f, 1e-5);
    EXPECT_EQ(log.take(), (Events{"begin 7", "change 7 0.7000", "end 7"}));
    // A release without a drag in progress ends nothing.
    release(CPoint(130, 60));
    EXPECT_TRUE(log.take().empty());
}

TEST_F(EditorControlsTest, ColumnKnobPicksColumnAndRowOfItsFrame) {
    Strip s(kDriveStrip);
    auto* drive = new CAnimKnob3(CRect(122, 162, 235, 255), &log, 4, 101, 113, 93, s);
    frame->addView(drive);
    struct Case {
        float value;
        CPoint source;
    };
    for (Case c : {Case{0.5f, CPoint(5 * 113, 0)}, Case{1.0f, CPoint(10 * 113, 0)},
                   Case{0.37f, CPoint(3 * 113, 7 * 93)}, Case{0.0f, CPoint(0, 0)},
                   Case{-0.3f, CPoint(0, 0)}, Case{0.099f, CPoint(0, 9 * 93)}}) {
        drive->setValue(c.value);
        EXPECT_EQ(drive->frameOrigin(), c.source) << c.value;
        EXPECT_EQ(drawnSources(drive), (std::vector<CPoint>{c.source})) << c.value;
    }
}

TEST_F(EditorControlsTest, ColumnKnobReportsThePressAndEveryMove) {
    editor->setKnobMode(kLinearMode);
    Strip s(kDriveStrip);
    auto* drive = new CAnimKnob3(CRect(122, 162, 235, 255), &log, 4, 101, 113, 93, s);
    frame->addView(drive);
    drive->setValue(0.5f);
    press(CPoint(150, 200));
    EXPECT_EQ(log.take(), (Events{"change 4 0.5000", "change 4 0.5000", "begin 4", "change 4 0.5000"}));
    move(CPoint(180, 200));  // moved: reported first, then the change
    EXPECT_EQ(log.take(), (Events{"change 4 0.5000", "change 4 0.5500"}));
    move(CPoint(180, 200));  // not moved
    EXPECT_TRUE(log.take().empty());
    move(CPoint(180, 500));  // moved, but the value is held at the minimum afterwards
    move(CPoint(181, 500));
    EXPECT_EQ(log.take(), (Events{"change 4 0.5500", "change 4 0.0000", "change 4 0.0000"}));
    release(CPoint(181, 500));
    EXPECT_EQ(log.take(), (Events{"end 4"}));

    // Control-click: reported first, the default after; it is not the first
    // click of a double click on this knob.
    drive->setValue(0.8f);
    later(1000);
    press(CPoint(150, 200), kLButton | kControl);
    EXPECT_EQ(log.take(), (Events{"change 4 0.8000", "change 4 0.5000"}));
    later(50);
    press(CPoint(150, 200));
    EXPECT_EQ(frame->getMouseCapture(), drive);
    release(CPoint(150, 200));
}

}  // namespace
}  // namespace editortest

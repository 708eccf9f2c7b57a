// The product buttons and switches, the page switch and the label.
#include "tests/editor_unit/EditorControlsSupport.h"

namespace editortest {
namespace {

TEST_F(EditorControlsTest, OnOffButtonShowsOnFromHalfAndToggles) {
    Strip s(kOnOffStrip);
    auto* button = new CMyOnOffButton(CRect(42, 398, 78, 438), &log, 0, s);
    frame->addView(button);
    expectFrames(button, {{0.0f, 0}, {0.49f, 0}, {0.5f, 40}, {0.7f, 40}, {1.0f, 40}});
    button->setValue(0.7f);
    press(CPoint(50, 410));  // shown on, but its whole part is 0: set to 1
    EXPECT_EQ(button->getValue(), 1.0f);
    press(CPoint(50, 410));
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(log.take(), (Events{"begin 0", "change 0 1.0000", "end 0", "begin 0", "change 0 0.0000", "end 0"}));
    press(CPoint(50, 410), kRButton);
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_TRUE(log.take().empty());
}

class FourWayTest : public EditorControlsTest {
protected:
    void SetUp() override {
        EditorControlsTest::SetUp();
        Strip s(kFourWayStrip);
        // 51 x 48: quarters of 12 pixels, half height 24.
        button = new CMyLRUDButton(CRect(326, 388, 377, 436), &log, 57, s);
        frame->addView(button);
    }
    float clickAt(CPoint p) {
        later(1000);
        press(p);
        release(p);
        return button->getValue();
    }
    CMyLRUDButton* button = nullptr;
};

TEST_F(FourWayTest, EachZoneGivesItsChannelMode) {
    button->setValue(1.0f);
    EXPECT_FLOAT_EQ(clickAt(CPoint(328, 412)), 0.33f);  // left quarter, mid-height
    EXPECT_FLOAT_EQ(clickAt(CPoint(375, 412)), 0.67f);  // right quarter
    EXPECT_FLOAT_EQ(clickAt(CPoint(351, 430)), 1.0f);   // lower half, middle columns
    EXPECT_FLOAT_EQ(clickAt(CPoint(351, 392)), 0.0f);   // upper half
    // Bounds are inclusive: the last column of the left zone, the first rows.
    EXPECT_FLOAT_EQ(clickAt(CPoint(338, 400)), 0.33f);
    EXPECT_FLOAT_EQ(clickAt(CPoint(339, 400)), 0.0f);
    EXPECT_FLOAT_EQ(clickAt(CPoint(365, 424)), 0.67f);
    // A corner keeps the value at the press.
    EXPECT_FLOAT_EQ(clickAt(CPoint(327, 389)), 0.67f);
    button->setValue(1.0f);
    EXPECT_FLOAT_EQ(clickAt(CPoint(376, 435)), 1.0f);
}

TEST_F(FourWayTest, DraggingOutToACornerReturnsThePressValue) {
    button->setValue(1.0f);
    log.take();
    press(CPoint(328, 412));
    EXPECT_FLOAT_EQ(button->getValue(), 0.33f);
    move(CPoint(351, 392));
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
    move(CPoint(327, 389));  // corner: back to what it was at the press
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    move(CPoint(900, 900));  // far outside: the same
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    release(CPoint(900, 900));
    EXPECT_EQ(log.take(), (Events{"begin 57", "change 57 0.3300", "change 57 0.0000", "change 57 1.0000",
                                  "change 57 1.0000", "end 57"}));
    // A press that changes nothing still reports once at the release.
    press(CPoint(351, 430));
    release(CPoint(351, 430));
    EXPECT_EQ(log.take(), (Events{"begin 57", "change 57 1.0000", "end 57"}));
}

TEST_F(FourWayTest, FramesFollowTheModeAndModifierClaimsAreHonoured) {
    expectFrames(button, {{0.0f, 0}, {0.33f, 48}, {0.67f, 96}, {1.0f, 144}, {0.24f, 0}});
    // A listener that claims modifier presses keeps the button out of it.
    struct Claiming : ProductListener {
        int32_t controlModifierClicked(CDrawContext*, CControl*, int32_t) override { return 1; }
    } claiming;
    button->setListener(&claiming);
    button->setValue(1.0f);
    press(CPoint(328, 412), kLButton | kShift);
    EXPECT_EQ(button->getValue(), 1.0f);
    EXPECT_TRUE(claiming.events.empty());
    EXPECT_TRUE(log.take().empty());
    EXPECT_EQ(frame->getMouseCapture(), nullptr);
    button->setListener(&log);
}

TEST_F(EditorControlsTest, VerticalSwitchShowsTheBandOfItsValue) {
    Strip s(kSwitchStrip);
    auto* sw = new CMyVerticalSwitch(CRect(206, 28, 246, 78), &log, 21, 3, 50, 3, s);
    frame->addView(sw);
    struct Case {
        float value;
        int32_t frame;
    };
    for (Case c : {Case{0.0f, 0}, Case{0.33f, 0}, Case{0.34f, 1}, Case{0.5f, 1}, Case{0.66f, 1},
                   Case{0.67f, 2}, Case{1.0f, 2}, Case{1.5f, 2}, Case{-1.0f, 0}}) {
        sw->setValue(c.value);
        EXPECT_EQ(sw->frameIndex(), c.frame) << c.value;
        EXPECT_EQ(drawnSources(sw), (std::vector<CPoint>{CPoint(0, 50 * c.frame)})) << c.value;
    }
    // The toolkit switch's mouse: the band under the pointer.
    press(CPoint(220, 40));
    move(CPoint(220, 75));
    release(CPoint(220, 75));
    EXPECT_EQ(sw->getValue(), 1.0f);
    EXPECT_EQ(log.take(), (Events{"begin 21", "change 21 0.0000", "change 21 1.0000", "end 21"}));
}

TEST_F(EditorControlsTest, PageSwitchTogglesWithoutAnEdit) {
    auto* page = new CViewContainerSwitch(CRect(78, 404, 247, 422), &log, 52);
    frame->addView(page);
    press(CPoint(100, 410));
    EXPECT_EQ(page->getValue(), 1.0f);
    press(CPoint(100, 410));
    EXPECT_EQ(page->getValue(), 0.0f);
    page->setValue(0.5f);  // anything but 0 toggles to 0
    press(CPoint(100, 410));
    EXPECT_EQ(page->getValue(), 0.0f);
    press(CPoint(100, 410), kRButton);
    EXPECT_EQ(log.take(), (Events{"change 52 1.0000", "change 52 0.0000", "change 52 0.0000"}));
    EXPECT_EQ(frame->getMouseCapture(), nullptr);
    // It draws nothing at all.
    window->canvas.ops.clear();
    page->setDirty();
    frame->idle();
    for (auto& op : window->canvas.ops) EXPECT_NE(op.kind, headless::DrawOp::kImage);
    for (auto& op : window->canvas.ops) EXPECT_NE(op.kind, headless::DrawOp::kFill);
}

TEST_F(EditorControlsTest, LabelDrawsBlackSmallLeftTextOnly) {
    auto* label = new CLabel2(CRect(300, 45, 329, 55), "v2.3.1");
    frame->addView(label);
    window->canvas.ops.clear();
    label->setDirty();
    frame->idle();
    int texts = 0;
    for (auto& op : window->canvas.ops) {
        EXPECT_NE(op.kind, headless::DrawOp::kFill);
        if (op.kind != headless::DrawOp::kText) continue;
        ++texts;
        EXPECT_EQ(op.text, "v2.3.1");
        EXPECT_EQ(op.color, kBlackCColor);
        EXPECT_EQ(op.align, kLeftText);
        EXPECT_EQ(op.size, 9);
        EXPECT_EQ(op.rect, CRect(300, 45, 329, 55));
    }
    EXPECT_EQ(texts, 1);
    // Long texts are cut at 255 characters; null is empty.
    std::string longText(400, 'x');
    label->setLabel(longText.c_str());
    EXPECT_EQ(std::string(label->getLabel()), std::string(255, 'x'));
    label->setLabel(nullptr);
    EXPECT_STREQ(label->getLabel(), "");
}

}  // namespace
}  // namespace editortest

// Typed values: the field a double click on a knob opens, what its text
// becomes, and how it closes.
#include <string>

#include "tests/editor/EditorFixture.h"

namespace editortest {
namespace {

class ValueEntryTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        // Linear knobs: a click without a move leaves the value as it is.
        setParam(kKnobMode, 1.0f);
        idle();
    }
    // Two presses within the double-click time on a control.
    void doubleClick(int logical) {
        const CPoint p = centre(editor->controlOf(logical));
        click(p.h, p.v);
        headless::instance().ticks -= 1000 - 100;  // the second press 100 ms after the first
        click(p.h, p.v);
        hostCalls().clear();
    }
    void type(const char* text) { frame->platformTextInput(text); }
    void pressKey(uint8_t virt) {
        vst::VstKeyCode k{};
        k.virt = virt;
        frame->platformKeyDown(k);
    }
    bool entryOpen() { return editor->getMainPage()->isChild(editor->getValueEntry()); }
};

TEST_F(ValueEntryTest, DriveShowsTwoDecimalsAndATypedSixGivesFiveEighths) {
    setParam(kFineTune, 1.0f);
    setParam(kDrive, 0.5f);
    doubleClick(kDrive);
    ASSERT_TRUE(entryOpen());
    EXPECT_EQ(editor->getValueEntry()->getTarget(), tagOf(kDrive));
    EXPECT_EQ(editor->getValueEntry()->editText(), "0.00");
    type("6");
    pressKey(VKEY_RETURN);
    EXPECT_FALSE(entryOpen());
    EXPECT_FLOAT_EQ(param(kDrive), 0.625f);
    EXPECT_EQ(editor->getValueEntry()->getTarget(), -1);
    // Typed values are written, not reported as automation.
    for (const std::string& e : hostEdits()) EXPECT_EQ(e.rfind("set", 0), std::string::npos) << e;
}

TEST_F(ValueEntryTest, OutOfRangeAndUnreadableTextIsLimitedOrZero) {
    struct Case {
        int logical;
        const char* text;
        float expected;
    };
    const Case cases[] = {
        {kMix, "999", 1.0f},          // beyond the range
        {kMix, "not a number", 0.0f}, // not a number
        {kMix, "50", 0.5f},
        {kMix, " +25,5", 0.255f},     // blanks, a sign and a decimal comma
        {kRelease, "-3", 0.0f},       // a non-positive time
        {kRelease, "0", 0.0f},
        {kHighFreq, "-1000", 0.0f},   // a non-positive frequency
        {kHighFreq, "1000", 0.0f},
        {kLowFreq, "100", 0.5f},
        {kKnee, "1e9", 1.0f},
        {kSpeed, "nan", 0.0f},
    };
    for (const Case& c : cases) {
        setParam(c.logical, 0.7f);
        doubleClick(c.logical);
        ASSERT_TRUE(entryOpen()) << c.text;
        type(c.text);
        pressKey(VKEY_RETURN);
        EXPECT_NEAR(param(c.logical), c.expected, 1e-5) << c.text;
    }
}

TEST_F(ValueEntryTest, TypingThenClickingAKnobAppliesTheValueAndTheKnobTakesTheClick) {
    setParam(kKnee, 0.9f);
    doubleClick(kMix);
    ASSERT_TRUE(entryOpen());
    type("25");
    const CPoint knee = centre(editor->controlOf(kKnee));
    click(knee.h, knee.v, kLButton | kControl);  // Control-click: Knee's default
    EXPECT_FALSE(entryOpen());
    EXPECT_FLOAT_EQ(param(kMix), 0.25f);
    EXPECT_FLOAT_EQ(param(kKnee), 0.5f);
}

TEST_F(ValueEntryTest, ClosingTheWindowWhileTypingTakesTheTextOnce) {
    setParam(kMix, 0.1f);
    doubleClick(kMix);
    ASSERT_TRUE(entryOpen());
    type("40");
    editor->close();
    EXPECT_FLOAT_EQ(param(kMix), 0.4f);
    // Opened again, the field works as before.
    openEditor();
    doubleClick(kMix);
    ASSERT_TRUE(entryOpen());
    type("60");
    pressKey(VKEY_RETURN);
    EXPECT_FLOAT_EQ(param(kMix), 0.6f);
}

TEST_F(ValueEntryTest, LongTextIsCutToTheFieldAndOnlyOnTheMainPage) {
    doubleClick(kMix);
    ASSERT_TRUE(entryOpen());
    type(std::string(300, '7').c_str());
    EXPECT_LE(editor->getValueEntry()->editText().size(), 255u);
    pressKey(VKEY_RETURN);
    EXPECT_FLOAT_EQ(param(kMix), 1.0f);

    // The setup page's knobs open no field.
    click(160, 413);
    ASSERT_FALSE(editor->mainPageShown());
    editor->openValueEntry(tagOf(kOverIndic));
    EXPECT_FALSE(entryOpen());
}

}  // namespace
}  // namespace editortest

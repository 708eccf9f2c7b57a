// The display controls: meter frames on both scales and the scale click,
// over LEDs with their dimmed memory, and the six glyph cells of the readout.
#include <cmath>
#include <limits>

#include "tests/editor_unit/EditorControlsSupport.h"

namespace editortest {
namespace {

class MeterTest : public EditorControlsTest {
protected:
    void SetUp() override {
        EditorControlsTest::SetUp();
        Strip main(kMeterStrip), alt(kMeterAltStrip);
        left = new CMovieMeter(CRect(54, 40, 190, 110), &log, 25, 101, 70, main, alt);
        right = new CMovieMeter(CRect(261, 40, 397, 110), &log, 25, 101, 70, main, alt);
        frame->addView(left);
        frame->addView(right);
        mainImage = main.bitmap->getImage();
        altImage = alt.bitmap->getImage();
    }
    int32_t frameFor(float level, int32_t scale) {
        left->setScale(scale);
        left->setValue(level);
        return left->frameIndex();
    }
    CMovieMeter* left = nullptr;
    CMovieMeter* right = nullptr;
    const platform::Image* mainImage = nullptr;
    const platform::Image* altImage = nullptr;
};

TEST_F(MeterTest, LevelsMapToFramesOnBothScales) {
    for (int32_t scale : {0, 1}) {
        EXPECT_EQ(frameFor(0.0f, scale), 2) << scale;  // silence leaves the needle off the pin
        EXPECT_EQ(frameFor(1.0f, scale), 64) << scale;
        EXPECT_EQ(frameFor(-0.5f, scale), 2) << scale;
        EXPECT_EQ(frameFor(std::numeric_limits<float>::quiet_NaN(), scale), 2) << scale;
        EXPECT_EQ(frameFor(1000.0f, scale), 100) << scale;
    }
    // The top of the scale: about 1.473 with the plain law, 2.170 with the other.
    EXPECT_EQ(frameFor(1.473f, 0), 100);
    EXPECT_LT(frameFor(1.40f, 0), 100);
    EXPECT_EQ(frameFor(2.170f, 1), 100);
    EXPECT_LT(frameFor(2.0f, 1), 100);
    // The second scale shows the lower half of the range further up.
    EXPECT_GT(frameFor(0.25f, 1), frameFor(0.25f, 0));
    // Frames grow with the level.
    int32_t last = 0;
    for (float v = 0.0f; v <= 2.5f; v += 0.01f) {
        int32_t f = frameFor(v, 1);
        EXPECT_GE(f, last) << v;
        last = f;
    }
}

TEST_F(MeterTest, DrawsTheStripOfItsScale) {
    left->setScale(0);
    left->setValue(1.0f);
    const platform::Image* image = nullptr;
    EXPECT_EQ(drawnSources(left, &image), (std::vector<CPoint>{CPoint(0, 64 * 70)}));
    EXPECT_EQ(image, mainImage);
    left->setScale(1);
    left->setValue(0.0f);
    EXPECT_EQ(drawnSources(left, &image), (std::vector<CPoint>{CPoint(0, 2 * 70)}));
    EXPECT_EQ(image, altImage);
}

TEST_F(MeterTest, ClickSwitchesTheScaleAndReportsIt) {
    left->setValue(0.8f);
    press(CPoint(100, 70));
    EXPECT_EQ(left->getScale(), 1);
    EXPECT_EQ(right->getScale(), 0);  // the editor sets the other one
    press(CPoint(100, 70));
    EXPECT_EQ(left->getScale(), 0);
    left->setScale(-3);
    press(CPoint(100, 70));
    EXPECT_EQ(left->getScale(), 1);
    press(CPoint(100, 70), kRButton);
    EXPECT_EQ(left->getScale(), 1);
    EXPECT_EQ(log.take(), (Events{"change 25 1.0000", "change 25 0.0000", "change 25 1.0000"}));
    EXPECT_EQ(frame->getMouseCapture(), nullptr);
}

class LedTest : public EditorControlsTest {
protected:
    void SetUp() override {
        EditorControlsTest::SetUp();
        Strip s(kLedStrip);
        left = new CMovieLED(CRect(160, 109, 181, 130), &log, 54, 6, 21, s);
        right = new CMovieLED(CRect(367, 109, 388, 130), &log, 55, 6, 21, s);
        frame->addView(left);
        frame->addView(right);
    }
    // One idle of the editor: a new over flag, then the redraw.
    int32_t idleWith(CMovieLED* led, float over) {
        led->setValue(over);
        window->canvas.ops.clear();
        frame->idle();
        int32_t shown = -1;
        for (auto& op : window->canvas.ops)
            if (op.kind == headless::DrawOp::kImage && op.rect == led->getViewSize()) shown = op.from.v / 21;
        return shown;
    }
    CMovieLED* left = nullptr;
    CMovieLED* right = nullptr;
};

TEST_F(LedTest, AnOverFadesToADimFrameThatStays) {
    EXPECT_EQ(left->frameIndex(), 0);
    EXPECT_EQ(idleWith(left, 1.0f), 5);
    EXPECT_EQ(idleWith(left, 0.0f), 4);
    EXPECT_EQ(idleWith(left, 0.0f), 3);
    EXPECT_EQ(idleWith(left, 0.0f), 2);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(idleWith(left, 0.0f), 2) << i;
    EXPECT_NEAR(left->getHeldLevel(), 0.4f, 1e-6);
    // A new over lights it fully again.
    EXPECT_EQ(idleWith(left, 1.0f), 5);
}

TEST_F(LedTest, OversInARowStayLit) {
    EXPECT_EQ(idleWith(left, 1.0f), 5);
    left->setValue(1.0f);
    EXPECT_EQ(left->frameIndex(), 5);
    left->setDirty();
    EXPECT_EQ(idleWith(left, 1.0f), 5);
    EXPECT_NEAR(left->getHeldLevel(), 1.0f, 1e-6);
    // Levels above one show the last frame.
    EXPECT_EQ(idleWith(left, 3.0f), 5);
}

TEST_F(LedTest, ClickResetsThatLedOnlyAndSuspendKeepsTheMemory) {
    idleWith(left, 1.0f);
    idleWith(right, 1.0f);
    press(CPoint(170, 120));
    EXPECT_EQ(left->getHeldLevel(), 0.0f);
    EXPECT_EQ(left->getValue(), 0.0f);
    EXPECT_EQ(left->frameIndex(), 0);
    EXPECT_EQ(right->frameIndex(), 5);
    EXPECT_NEAR(right->getHeldLevel(), 1.0f, 1e-6);
    EXPECT_EQ(frame->getMouseCapture(), nullptr);
    EXPECT_TRUE(log.take().empty());

    // Suspended: the values go to 0, the fade goes on from the held level.
    right->setValue(0.0f);
    EXPECT_NEAR(right->getHeldLevel(), 1.0f, 1e-6);
    EXPECT_EQ(idleWith(right, 0.0f), 4);
    // The reset LED stays dark without overs.
    left->setDirty();
    EXPECT_EQ(idleWith(left, 0.0f), 0);
}

// Glyph cells as text: digits, '.', 'k', '+', '-', '%', 'D' for dB, 'H' for
// Hz, ' ' for a blank.
std::string cellsOf(CCounter& counter, float value, int32_t format) {
    counter.setValueWithFormat(value, format);
    int32_t cells[8] = {-7, -7, -7, -7, -7, -7, -7, -7};
    counter.glyphCells(cells);
    EXPECT_EQ(cells[6], -7);
    EXPECT_EQ(cells[7], -7);
    static const char glyphs[] = "0123456789.k+-%DH ";
    std::string out;
    for (int i = 0; i < 6; ++i) {
        EXPECT_GE(cells[i], 0);
        EXPECT_LE(cells[i], 17);
        out += (cells[i] >= 0 && cells[i] <= 17) ? glyphs[cells[i]] : '?';
    }
    return out;
}

TEST(Readout, DecibelsWithSignPointAndUnit) {
    CCounter c(CRect(152, 281, 207, 297), nullptr, 50, nullptr, 9, 17);
    EXPECT_EQ(cellsOf(c, 15.32f, CCounter::kDecibel), "+15.3D");  // the value at open
    EXPECT_EQ(cellsOf(c, -3.25f, CCounter::kDecibel), "-3.25D");
    EXPECT_EQ(cellsOf(c, -12.5f, CCounter::kDecibel), "-12.5D");
    EXPECT_EQ(cellsOf(c, 0.0f, CCounter::kDecibel), " 0.00D");
    EXPECT_EQ(cellsOf(c, 0.005f, CCounter::kDecibel), " 0.01D");  // no sign that close to 0
    EXPECT_EQ(cellsOf(c, -0.02f, CCounter::kDecibel), "-0.02D");
    EXPECT_EQ(cellsOf(c, 6.0f, CCounter::kDecibel), "+6.00D");
    EXPECT_EQ(cellsOf(c, 2.675f, CCounter::kDecibel), "+2.68D");  // just under the half: up
    EXPECT_EQ(cellsOf(c, 2.6749f, CCounter::kDecibel), "+2.67D");
    EXPECT_EQ(cellsOf(c, 12.96f, CCounter::kDecibel), "+12.9D");  // tenths are cut above 10
    EXPECT_EQ(cellsOf(c, -24.0f, CCounter::kDecibel), "-24.0D");
    // A rounding that reaches the units never shows a stale tenth.
    EXPECT_EQ(cellsOf(c, 12.999f, CCounter::kDecibel), "+13.0D");
    EXPECT_EQ(cellsOf(c, 9.9999f, CCounter::kDecibel), "+10.0D");
    EXPECT_EQ(cellsOf(c, -9.996f, CCounter::kDecibel), "-10.0D");
}

TEST(Readout, FrequenciesBelowAndAboveOneKilohertz) {
    CCounter c(CRect(152, 281, 207, 297), nullptr, 50, nullptr, 9, 17);
    EXPECT_EQ(cellsOf(c, 25.0f, CCounter::kFrequency), " 25.0H");
    EXPECT_EQ(cellsOf(c, 5.0f, CCounter::kFrequency), "  5.0H");
    EXPECT_EQ(cellsOf(c, 105.0f, CCounter::kFrequency), "105.0H");
    EXPECT_EQ(cellsOf(c, 440.04f, CCounter::kFrequency), "440.0H");
    EXPECT_EQ(cellsOf(c, 1000.0f, CCounter::kFrequency), " 1k00H");
    EXPECT_EQ(cellsOf(c, 16000.0f, CCounter::kFrequency), "16k00H");
    EXPECT_EQ(cellsOf(c, 2345.0f, CCounter::kFrequency), " 2k35H");
    EXPECT_EQ(cellsOf(c, 999.97f, CCounter::kFrequency), " 1k00H");  // rounds into kilohertz
}

TEST(Readout, PercentPlainAndBlank) {
    CCounter c(CRect(152, 281, 207, 297), nullptr, 50, nullptr, 9, 17);
    EXPECT_EQ(cellsOf(c, 50.0f, CCounter::kPercent), " 50.0%");
    EXPECT_EQ(cellsOf(c, 100.0f, CCounter::kPercent), "100.0%");
    EXPECT_EQ(cellsOf(c, 5.55f, CCounter::kPercent), "  5.6%");
    EXPECT_EQ(cellsOf(c, 0.0f, CCounter::kPercent), "  0.0%");
    EXPECT_EQ(cellsOf(c, 7.0f, CCounter::kPlain), "  7.00");
    EXPECT_EQ(cellsOf(c, 0.1f, CCounter::kPlain), "  0.10");
    EXPECT_EQ(cellsOf(c, 123.456f, CCounter::kPlain), "123.46");
    EXPECT_EQ(cellsOf(c, 42.0f, CCounter::kBlank), "      ");
    EXPECT_EQ(cellsOf(c, 42.0f, 99), "      ");
}

TEST(Readout, ValuesOutsideTheRangesStayInSixCells) {
    CCounter c(CRect(152, 281, 207, 297), nullptr, 50, nullptr, 9, 17);
    const float odd[] = {12345.6f, -98765.4f, 1e9f, 3e38f, -3e38f,
                         std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    for (int32_t format = 0; format <= 4; ++format)
        for (float v : odd) cellsOf(c, v, format);  // checks the cells and the guard words
    EXPECT_EQ(cellsOf(c, std::numeric_limits<float>::quiet_NaN(), CCounter::kDecibel), "      ");
    EXPECT_EQ(cellsOf(c, 3e38f, CCounter::kPercent), "      ");
}

TEST_F(EditorControlsTest, ReadoutBlitsSixGlyphsInARow) {
    Strip s(kGlyphStrip);
    auto* counter = new CCounter(CRect(152, 281, 207, 297), &log, 50, s, 9, 17);
    frame->addView(counter);
    counter->setValueWithFormat(-3.25f, CCounter::kDecibel);
    window->canvas.ops.clear();
    frame->idle();
    std::vector<headless::DrawOp> blits;
    for (auto& op : window->canvas.ops)
        if (op.kind == headless::DrawOp::kImage) blits.push_back(op);
    ASSERT_EQ(blits.size(), 6u);
    const int32_t glyphs[6] = {CCounter::kMinus, 3, CCounter::kPoint, 2, 5, CCounter::kDecibelUnit};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(blits[i].rect, CRect(152 + 9 * i, 281, 161 + 9 * i, 298)) << i;
        EXPECT_EQ(blits[i].from, CPoint(0, 17 * glyphs[i])) << i;
        EXPECT_FALSE(blits[i].transparent) << i;
    }
    // Nothing changed: nothing drawn; a new value with the same number redraws.
    window->canvas.ops.clear();
    frame->idle();
    EXPECT_TRUE(window->canvas.ops.empty());
    counter->setValueWithFormat(-3.25f, CCounter::kBlank);
    frame->idle();
    EXPECT_FALSE(window->canvas.ops.empty());
}

}  // namespace
}  // namespace editortest

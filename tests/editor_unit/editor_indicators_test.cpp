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

// Values in one format and the cells each shows.
struct Shown {
    float value;
    const char* cells;
};

void expectCells(CCounter& c, int32_t format, std::initializer_list<Shown> cases) {
    for (const Shown& s : cases) EXPECT_EQ(cellsOf(c, s.value, format), s.cells) << s.value;
}

TEST(Readout, DecibelsWithSignPointAndUnit) {
    CCounter c(CRect(152, 281, 207, 297), nullptr, 50, nullptr, 9, 17);
    expectCells(c, CCounter::kDecibel, {
        {15.32f, "+15.3D"},  // the value at open
        {-3.25f, "-3.25D"}, {-12.5f, "-12.5D"}, {0.0f, " 0.00D"},
        {0.005f, " 0.01D"},  // no sign that close to 0
        {-0.02f, "-0.02D"}, {6.0f, "+6.00D"},
        {2.675f, "+2.68D"},  // just under the half: up
        {2.6749f, "+2.67D"},
        {12.96f, "+12.9D"},  // tenths are cut above 10
        {-24.0f, "-24.0D"},
        // A rounding that reaches the units never shows a stale tenth.
        {12.999f, "+13.0D"}, {9.9999f, "+10.0D"}, {-9.996f, "-10.0D"},
    });
}

TEST(Readout, FrequenciesBelowAndAboveOneKilohertz) {
    CCounter c(CRect(152, 281, 207, 297), nullptr, 50, nullptr, 9, 17);
    expectCells(c, CCounter::kFrequency, {
        {25.0f, " 25.0H"}, {5.0f, "  5.0H"}, {105.0f, "105.0H"}, {440.04f, "440.0H"},
        {1000.0f, " 1k00H"}, {16000.0f, "16k00H"}, {2345.0f, " 2k35H"},
        {999.97f, " 1k00H"},  // rounds into kilohertz
    });
}

TEST(Readout, PercentPlainAndBlank) {
    CCounter c(CRect(152, 281, 207, 297), nullptr, 50, nullptr, 9, 17);
    expectCells(c, CCounter::kPercent, {{50.0f, " 50.0%"}, {100.0f, "100.0%"}, {5.55f, "  5.6%"}, {0.0f, "  0.0%"}});
    expectCells(c, CCounter::kPlain, {{7.0f, "  7.00"}, {0.1f, "  0.10"}, {123.456f, "123.46"}});
    expectCells(c, CCounter::kBlank, {{42.0f, "      "}});
    expectCells(c, 99, {{42.0f, "      "}});
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
    std::vector<headless::DrawOp> blits = imagesAtNextPaint();
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

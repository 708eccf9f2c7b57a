// The value displays' texts and the reading of typed numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/ValueFormats.h"

namespace {

using namespace valueformats;

std::string text(void (*format)(float, char*), float value) {
    char buf[256];
    format(value, buf);
    return buf;
}

struct Case {
    void (*format)(float, char*);
    float value;
    const char* expected;
    const char* why;
};

void expectTexts(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(text(c.format, c.value), c.expected) << c.value << " " << c.why;
}

TEST(ValueFormats, DecibelTextsKeepTheSignBetweenMinusOneAndZero) {
    expectTexts({
        {formatDecibel, 1.0f, "0.0dB", ""},
        {formatDecibel, 2.0f, "6.0dB", ""},
        {formatDecibel, 0.5f, "-6.0dB", ""},
        {formatDecibel, 0.944f, "-0.5dB", "just below 0 dB keeps its minus"},
        {formatDecibel, 0.0f, "-oo dB", ""},
        {formatDecibel, -1.0f, "-oo dB", "nothing below silence"},
        {formatDecibelFS, 0.5f, "-6.0dBFS", ""},
        {formatDecibelFS, 0.95f, "-0.4dBFS", ""},
        {formatDecibelFS, 0.0f, "-oo dBFS", ""},
    });
}

TEST(ValueFormats, PercentMultiplierIntegerAndLatency) {
    expectTexts({
        {formatPercent, 1.0f, "100%", ""},
        {formatPercent, 0.5f, "50%", ""},
        {formatPercent, 0.125f, "12.5%", "tenths below 20 %"},
        {formatMultiplier, 1.25f, "x1.25", ""},
        {formatMultiplier, 16.0f, "x16.00", ""},
        {formatInteger, 3.9f, "3", "truncated"},
        {formatLatencySamples, 1151.0f, "1151smps", ""},
        {formatLatencySamples, 0.5f, "0smps", ""},
    });
}

TEST(ValueFormats, MillisecondsUseFewerDecimalsAsTheyGrowAndSecondsFromOneThousand) {
    expectTexts({
        {formatMilliseconds, 0.0f, "0ms", ""},
        {formatMilliseconds, 0.5f, "0.500ms", ""},
        {formatMilliseconds, 5.25f, "5.25ms", ""},
        {formatMilliseconds, 14.51f, "14.5ms", ""},
        {formatMilliseconds, 300.0f, "300ms", ""},
        {formatMilliseconds, 2500.0f, "2.500s", ""},
    });
    const std::string huge = text(formatMilliseconds, 3e38f);
    EXPECT_LT(huge.size(), 256u);
    EXPECT_EQ(huge.back(), 's');
}

TEST(ValueFormats, TypedNumbers) {
    EXPECT_DOUBLE_EQ(parseTypedNumber("6"), 6.0);
    EXPECT_DOUBLE_EQ(parseTypedNumber("  -12.5dB"), -12.5) << "the number at the start counts";
    EXPECT_DOUBLE_EQ(parseTypedNumber("+3,5"), 3.5);
    EXPECT_DOUBLE_EQ(parseTypedNumber(".25"), 0.25);
    EXPECT_DOUBLE_EQ(parseTypedNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(parseTypedNumber(""), 0.0);
    EXPECT_DOUBLE_EQ(parseTypedNumber(nullptr), 0.0);
    EXPECT_DOUBLE_EQ(parseTypedNumber("inf"), 0.0);
    EXPECT_DOUBLE_EQ(parseTypedNumber("1e999"), 0.0);
    EXPECT_GT(parseTypedNumber(std::string(400, '1').c_str()), 1e250) << "read up to the field's length";
}

}  // namespace

// The value displays' texts and the reading of typed numbers.
#include <gtest/gtest.h>

#include <string>

#include "editor/ValueFormats.h"

namespace {

using namespace valueformats;

std::string text(void (*format)(float, char*), float value) {
    char buf[256];
    format(value, buf);
    return buf;
}

TEST(ValueFormats, DecibelTextsKeepTheSignBetweenMinusOneAndZero) {
    EXPECT_EQ(text(formatDecibel, 1.0f), "0.0dB");
    EXPECT_EQ(text(formatDecibel, 2.0f), "6.0dB");
    EXPECT_EQ(text(formatDecibel, 0.5f), "-6.0dB");
    EXPECT_EQ(text(formatDecibel, 0.944f), "-0.5dB") << "a value just below 0 dB keeps its minus";
    EXPECT_EQ(text(formatDecibel, 0.0f), "-oo dB");
    EXPECT_EQ(text(formatDecibel, -1.0f), "-oo dB");
    EXPECT_EQ(text(formatDecibelFS, 0.5f), "-6.0dBFS");
    EXPECT_EQ(text(formatDecibelFS, 0.95f), "-0.4dBFS");
    EXPECT_EQ(text(formatDecibelFS, 0.0f), "-oo dBFS");
}

TEST(ValueFormats, PercentMultiplierIntegerAndLatency) {
    EXPECT_EQ(text(formatPercent, 1.0f), "100%");
    EXPECT_EQ(text(formatPercent, 0.5f), "50%");
    EXPECT_EQ(text(formatPercent, 0.125f), "12.5%");
    EXPECT_EQ(text(formatMultiplier, 1.25f), "x1.25");
    EXPECT_EQ(text(formatMultiplier, 16.0f), "x16.00");
    EXPECT_EQ(text(formatInteger, 3.9f), "3");
    EXPECT_EQ(text(formatLatencySamples, 1151.0f), "1151smps");
    EXPECT_EQ(text(formatLatencySamples, 0.5f), "0smps");
}

TEST(ValueFormats, MillisecondsUseFewerDecimalsAsTheyGrowAndSecondsFromOneThousand) {
    EXPECT_EQ(text(formatMilliseconds, 0.0f), "0ms");
    EXPECT_EQ(text(formatMilliseconds, 0.5f), "0.500ms");
    EXPECT_EQ(text(formatMilliseconds, 5.25f), "5.25ms");
    EXPECT_EQ(text(formatMilliseconds, 14.51f), "14.5ms");
    EXPECT_EQ(text(formatMilliseconds, 300.0f), "300ms");
    EXPECT_EQ(text(formatMilliseconds, 2500.0f), "2.500s");
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

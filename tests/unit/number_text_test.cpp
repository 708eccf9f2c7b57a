#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/AudioEffect.h"
#include "host/NumberText.h"

namespace {

std::string fixed(float v, int decimals) {
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    formatFixed(v, decimals, buf);
    return buf;
}

std::string eight(double v) {
    char buf[64];
    writeEightCharacters(v, buf);
    return buf;
}

TEST(FormatFixed, RoundsHalfAwayFromZeroAtTheThreshold) {
    EXPECT_EQ(fixed(12.0f, 2), "12.00");
    EXPECT_EQ(fixed(1.5f, 2), "1.50");
    EXPECT_EQ(fixed(2.345f, 2), "2.35");   // 234.50000286 rounds up
    EXPECT_EQ(fixed(-2.345f, 2), "-2.35");
    EXPECT_EQ(fixed(0.124f, 2), "0.12");
    EXPECT_EQ(fixed(0.125f, 2), "0.13");
    // The threshold is 0.49999, not 0.5: a fraction of 0.499995 rounds up...
    EXPECT_EQ(fixed(10.499995f, 0), "11");
    // ...one of 0.4999 does not.
    EXPECT_EQ(fixed(10.4999f, 0), "10");
    EXPECT_EQ(fixed(99.96f, 1), "100.0");
    // 99.95f is 99.9499969...: its fraction 0.49997 stays under the threshold.
    EXPECT_EQ(fixed(99.95f, 1), "99.9");
}

TEST(FormatFixed, KeepsTheSignOfANegativeValueThatRoundsToZero) {
    EXPECT_EQ(fixed(-0.004f, 2), "-0.00");
    EXPECT_EQ(fixed(0.004f, 2), "0.00");
    EXPECT_EQ(fixed(-0.0f, 2), "0.00");
    EXPECT_EQ(fixed(-0.3f, 0), "-0");
}

TEST(FormatFixed, ZeroDecimalsDropThePoint) {
    EXPECT_EQ(fixed(1000.0f, 0), "1000");
    EXPECT_EQ(fixed(16000.0f, 0), "16000");
    EXPECT_EQ(fixed(299.6f, 0), "300");
}

TEST(FormatFixed, HugeValuesStayWithinTheHostLimit) {
    for (float v : {1e7f, -1e6f, 3.4e38f, -3.4e38f}) {
        std::string s = fixed(v, 2);
        EXPECT_LE(s.size(), 24u) << v;
        EXPECT_FALSE(s.empty());
    }
}

TEST(EightCharacters, FillsEightCharactersWithDigits) {
    EXPECT_EQ(eight(6.0), "6.000000");
    EXPECT_EQ(eight(0.25), "0.250000");
    EXPECT_EQ(eight(-1.5), "-1.50000");
    EXPECT_EQ(eight(1234567.0), "1234567.");
    EXPECT_EQ(eight(12345678.0), "12345678.");
}

TEST(Float2String, SaysHugeOutsideItsRangeAndLimitsTheLength) {
    AudioEffect effect(nullptr, 1, 1);
    char buf[64];
    effect.float2string(99999999.0f, buf, 24);
    EXPECT_STREQ(buf, "Huge!");
    effect.float2string(-9999999.0f, buf, 24);
    EXPECT_STREQ(buf, "Huge!");
    effect.float2string(6.0f, buf, 12);
    EXPECT_STREQ(buf, "6.000000");
    effect.float2string(6.0f, buf, 3);
    EXPECT_STREQ(buf, "6.0");
    effect.float2string(-9999998.0f, buf, 24);
    EXPECT_STREQ(buf, "-9999998.");
}

}  // namespace

// The block wrapper's conversions from and to the host's samples: the paired code gives every
// sample exactly what the one-sample functions give it, special values included.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "dsp/EngineKernels.h"

namespace {

template <class T> std::vector<T> specialValues() {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0, -0.0, 0.5, -0.75, 1e-310, -1e-310, 1e30, -1e30, std::nextafter(1e30, 2e30),
                             -std::nextafter(1e30, 2e30), 3e38, -3e38, static_cast<double>(FLT_MAX),
                             std::nextafter(static_cast<double>(FLT_MAX), inf), -std::nextafter(static_cast<double>(FLT_MAX), inf),
                             1e300, -1e300, DBL_MAX, -DBL_MAX, inf, -inf, nan, -nan};
    std::vector<T> v;
    for (double x : values) v.push_back(static_cast<T>(x));
    return v;
}

template <class T> bool sameBits(T a, T b) { return std::memcmp(&a, &b, sizeof a) == 0; }

template <class T> void checkConversions() {
    const std::vector<T> in = specialValues<T>();
    // Every length up to the whole set, so that each value meets both the paired and the last
    // single step, at either lane.
    for (size_t n = 1; n <= in.size(); ++n) {
        for (size_t first = 0; first + n <= in.size(); first += n) {
            std::vector<double> block(n);
            dsp::convertIn(in.data() + first, block.data(), static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                ASSERT_TRUE(sameBits(block[i], dsp::sanitizeInput(static_cast<double>(in[first + i]))))
                    << "in " << static_cast<double>(in[first + i]) << " n " << n;
        }
    }
    std::vector<double> wide;
    for (double x : specialValues<double>()) wide.push_back(x);
    for (size_t n = 1; n <= wide.size(); ++n) {
        for (size_t first = 0; first + n <= wide.size(); first += n) {
            std::vector<T> out(n);
            dsp::convertOut(wide.data() + first, out.data(), static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                ASSERT_TRUE(sameBits(out[i], dsp::finiteOutput<T>(wide[first + i])))
                    << "out " << wide[first + i] << " n " << n;
        }
    }
}

TEST(EngineConversion, PairedStepsGiveEachSampleWhatTheSingleStepsGive) {
    checkConversions<double>();
    checkConversions<float>();
    // The single steps themselves: silence for what is not a number, the limit for the huge.
    EXPECT_EQ(dsp::sanitizeInput(std::numeric_limits<double>::quiet_NaN()), 0.0);
    EXPECT_EQ(dsp::sanitizeInput(-std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_EQ(dsp::sanitizeInput(-1e300), -dsp::kLargestInput);
    EXPECT_EQ(dsp::finiteOutput<float>(1e39), 0.0f);
}

}  // namespace

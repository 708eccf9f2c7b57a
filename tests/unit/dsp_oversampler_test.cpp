#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/COversampler.h"
#include "tests/oracle/PlainOversampler.h"
#include "tests/unit/EngineTestSupport.h"

using dsp::COversampler;
using dsp::oracle::PlainOversampler;

namespace {

constexpr int kFlags = COversampler::kProductFlags;

// Feeds the signal in blocks of at most `block` host samples: each is copied into a
// buffer with room for twice as many, `step(buffer, n)` runs on it, and the first
// outPerIn * n samples of the buffer are appended to the result.
template <class Step>
std::vector<double> inBlocks(const std::vector<double>& in, int block, int outPerIn, Step step) {
    std::vector<double> out;
    std::vector<double> buf(2 * block);
    for (size_t pos = 0; pos < in.size(); pos += block) {
        const int n = static_cast<int>(std::min<size_t>(block, in.size() - pos));
        for (int i = 0; i < n; ++i) buf[i] = in[pos + i];
        step(buf.data(), n);
        out.insert(out.end(), buf.begin(), buf.begin() + outPerIn * n);
    }
    return out;
}

// Runs the signal through up- and downsampling in blocks of `block` host samples.
std::vector<double> roundTrip(PlainOversampler& up, PlainOversampler& down, const std::vector<double>& in, int block) {
    return inBlocks(in, block, 1, [&](double* buf, int n) {
        up.upsample(buf, n);
        down.downsample(buf, 2 * n);
    });
}

std::vector<double> upsampleAll(PlainOversampler& os, const std::vector<double>& in, int block) {
    return inBlocks(in, block, 2, [&](double* buf, int n) { os.upsample(buf, n); });
}

std::vector<double> impulse(int n, int at = 0) {
    std::vector<double> v(n, 0.0);
    v[at] = 1.0;
    return v;
}

std::vector<double> noise(int n, unsigned seed) { return engine_test::noise(n, 1.0, seed); }

}  // namespace

TEST(COversamplerTest, LatencyCounts) {
    EXPECT_EQ(COversampler(0x808).latency(), 126);
    EXPECT_EQ(COversampler(0x1 | 0x100).latency(), 1);
    EXPECT_EQ(COversampler(0x2 | 0x1000).latency(), 17);
    EXPECT_EQ(COversampler(0x4 | 0x800).latency(), 94);
    EXPECT_EQ(COversampler(0x10 | 0x100).latency(), 3);
    EXPECT_EQ(COversampler(0x8).latency(), 63);
}

TEST(COversamplerTest, HalfBandCoefficients) {
    const COversampler os(kFlags);
    EXPECT_EQ(os.upCoeff(0), 1.0);
    EXPECT_EQ(os.downCoeff(0), 0.5);
    double oddUp = 0, oddDown = 0;
    for (int i = 1; i <= 127; ++i) {
        if (i % 2 == 0) {
            EXPECT_EQ(os.upCoeff(i), 0.0) << i;
            EXPECT_EQ(os.downCoeff(i), 0.0) << i;
        } else {
            EXPECT_NE(os.upCoeff(i), 0.0) << i;
            oddUp += 2 * os.upCoeff(i);      // both halves
            oddDown += 2 * os.downCoeff(i);
        }
    }
    // The odd phase sums to about 0.996, the even phase (the centre tap) to 1.
    EXPECT_NEAR(oddUp, 0.996, 0.001);
    EXPECT_LT(oddUp, 1.0);
    EXPECT_NEAR(oddDown, 0.5, 0.01);
    // Alternating signs away from the centre (sinc lobes).
    EXPECT_GT(os.upCoeff(1), 0.0);
    EXPECT_LT(os.upCoeff(3), 0.0);
    EXPECT_GT(os.upCoeff(5), 0.0);
}

TEST(PlainOversamplerTest, ImpulseThroughUpAndDownComesOutAfter129Samples) {
    for (int block : {64, 1, 37}) {
        SCOPED_TRACE(block);
        PlainOversampler up(kFlags), down(kFlags);
        const std::vector<double> out = roundTrip(up, down, impulse(400, 10), block);
        int peakAt = 0;
        for (int i = 0; i < 400; ++i)
            if (std::fabs(out[i]) > std::fabs(out[peakAt])) peakAt = i;
        EXPECT_EQ(peakAt, 10 + 129);
        EXPECT_NEAR(out[peakAt], 1.0, 0.015);   // 0.989 with these windows
        for (int i = 0; i < 400; ++i) {
            if (i != peakAt) {
                EXPECT_LT(std::fabs(out[i]), 0.01) << i;
            }
        }
        // Nothing comes out before the filters' span reaches the impulse, nor after it.
        for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], 0.0);
        for (int i = 10 + 129 + 129; i < 400; ++i) EXPECT_EQ(out[i], 0.0) << i;
    }
}

TEST(PlainOversamplerTest, PassbandSignalsSurviveTheRoundTrip) {
    const double fs = 44100, hz = 1000;
    std::vector<double> in(4000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = std::sin(2 * std::numbers::pi * hz * i / fs);
    PlainOversampler up(kFlags), down(kFlags);
    const std::vector<double> out = roundTrip(up, down, in, 64);
    double worst = 0;
    for (size_t i = 400; i < out.size(); ++i) worst = std::max(worst, std::fabs(out[i] - in[i - 129]));
    EXPECT_LT(worst, 0.01);

    // The interpolated stream is the same sine at twice the rate, both
    // output phases delayed by 129 oversampled periods.
    PlainOversampler up2(kFlags);
    const std::vector<double> fine = upsampleAll(up2, in, 64);
    double worstEven = 0, worstOdd = 0;
    for (size_t j = 600; j < fine.size(); ++j) {
        const double expected = std::sin(2 * std::numbers::pi * hz * (static_cast<double>(j) - 129) / (2 * fs));
        (j % 2 ? worstOdd : worstEven) = std::max(j % 2 ? worstOdd : worstEven, std::fabs(fine[j] - expected));
    }
    EXPECT_LT(worstEven, 0.01);
    EXPECT_LT(worstOdd, 1e-12);   // the centre tap alone: the input sample itself
}

TEST(PlainOversamplerTest, ImageRejection) {
    // A tone near the host Nyquist limit must not leave an image above it.
    const double fs = 44100, hz = 15000;
    std::vector<double> in(4000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = std::sin(2 * std::numbers::pi * hz * i / fs);
    PlainOversampler up(kFlags);
    const std::vector<double> fine = upsampleAll(up, in, 64);
    // Zero stuffing images the tone to fs - hz at the doubled rate.
    const double image = fs - hz;
    double re = 0, im = 0, reTone = 0, imTone = 0;
    for (size_t j = 1000; j < fine.size(); ++j) {
        const double ph = 2 * std::numbers::pi * image * j / (2 * fs);
        const double pt = 2 * std::numbers::pi * hz * j / (2 * fs);
        re += fine[j] * std::cos(ph);
        im += fine[j] * std::sin(ph);
        reTone += fine[j] * std::cos(pt);
        imTone += fine[j] * std::sin(pt);
    }
    const double imageLevel = std::hypot(re, im), toneLevel = std::hypot(reTone, imTone);
    EXPECT_LT(imageLevel / toneLevel, 0.01);
}

TEST(PlainOversamplerTest, FatOffDelays) {
    PlainOversampler os(kFlags);
    std::vector<double> buf = impulse(300, 5);
    os.delayIn(buf.data(), 300);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(buf[i], i == 5 + 64 ? 1.0 : 0.0) << i;

    PlainOversampler chain(kFlags);
    const std::vector<double> in = noise(500, 7);
    std::vector<double> out;
    for (size_t pos = 0; pos < in.size(); pos += 64) {
        const int n = static_cast<int>(std::min<size_t>(64, in.size() - pos));
        std::vector<double> b(in.begin() + pos, in.begin() + pos + n);
        chain.delayIn(b.data(), n);
        chain.delayOut(b.data(), n);
        out.insert(out.end(), b.begin(), b.end());
    }
    for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], i >= 128 ? in[i - 128] : 0.0) << i;
}

TEST(PlainOversamplerTest, ClearRestoresTheFreshState) {
    const std::vector<double> in = noise(300, 9);
    PlainOversampler fresh(kFlags);
    PlainOversampler usedUp(kFlags), usedDown(kFlags);
    PlainOversampler freshUp(kFlags), freshDown(kFlags);
    roundTrip(usedUp, usedDown, noise(500, 8), 64);
    usedUp.clear();
    usedDown.clear();
    EXPECT_EQ(roundTrip(usedUp, usedDown, in, 64), roundTrip(freshUp, freshDown, in, 64));

    std::vector<double> a = in, b = in;
    PlainOversampler delayed(kFlags);
    delayed.delayIn(a.data(), 200);
    delayed.delayOut(a.data(), 200);
    delayed.clear();
    a = in;
    delayed.delayIn(a.data(), 300);
    fresh.delayIn(b.data(), 300);
    EXPECT_EQ(a, b);
}

TEST(PlainOversamplerTest, OtherMembersOfTheFamily) {
    const std::vector<double> in = noise(200, 10);
    // Repetition and keeping every second sample give the input back.
    {
        PlainOversampler up(0x1 | 0x100), down(0x1 | 0x100);
        EXPECT_EQ(roundTrip(up, down, in, 64), in);
        PlainOversampler rep(0x1);
        const std::vector<double> fine = upsampleAll(rep, in, 64);
        for (size_t i = 0; i < in.size(); ++i) {
            EXPECT_EQ(fine[2 * i], in[i]);
            EXPECT_EQ(fine[2 * i + 1], in[i]);
        }
        PlainOversampler second(0x1000);
        std::vector<double> b = {1, 2, 3, 4};
        second.downsample(b.data(), 4);
        EXPECT_EQ(b[0], 2);
        EXPECT_EQ(b[1], 4);
    }
    // Cubic: exact on cubic polynomials, the mid-point between the samples
    // two and one periods old.
    {
        PlainOversampler cubic(0x10);
        std::vector<double> poly(50);
        auto p = [](double t) { return 0.001 * t * t * t - 0.02 * t * t + 0.3 * t - 1.0; };
        for (size_t i = 0; i < poly.size(); ++i) poly[i] = p(static_cast<double>(i));
        const std::vector<double> fine = upsampleAll(cubic, poly, 16);
        for (size_t i = 4; i < poly.size(); ++i) {
            EXPECT_NEAR(fine[2 * i], p(i - 2.0), 1e-12);
            EXPECT_NEAR(fine[2 * i + 1], p(i - 1.5), 1e-12);
        }
    }
    // The shorter interpolators: a passband sine, delayed by half + 2
    // oversampled periods (33 and 65).
    for (auto [flags, delay] : {std::pair{0x2, 33}, std::pair{0x4, 65}}) {
        SCOPED_TRACE(flags);
        PlainOversampler up(flags);
        std::vector<double> s(1000);
        for (size_t i = 0; i < s.size(); ++i) s[i] = std::sin(2 * std::numbers::pi * 500 * i / 44100.0);
        const std::vector<double> fine = upsampleAll(up, s, 64);
        double worst = 0;
        for (size_t j = 300; j < fine.size(); ++j)
            worst = std::max(worst, std::fabs(fine[j] - std::sin(2 * std::numbers::pi * 500 *
                                                                  (static_cast<double>(j) - delay) / 88200.0)));
        EXPECT_LT(worst, 0.02);
    }
}

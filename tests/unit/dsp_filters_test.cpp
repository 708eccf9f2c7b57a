#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/CBiquad.h"
#include "dsp/FixedFilters.h"
#include "tests/unit/EngineTestSupport.h"

using namespace dsp;

namespace {

constexpr double kPi = std::numbers::pi;

// |H| of b0 + b1 z^-1 + b2 z^-2 over 1 + a1 z^-1 + a2 z^-2 at hz.
double magnitude(double b0, double b1, double b2, double a1, double a2, double hz, double fs) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / fs);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2));
}
double magnitude(const CBiquad& f, double hz) {
    const CBiquad::Coefficients c = f.coefficients();
    return magnitude(c.b0, c.b1, c.b2, c.a1, c.a2, hz, f.sampleRate());
}
double magnitude(const CrossoverCoeffs& c, double hz, double fs) {
    return magnitude(c.b0, c.b1, c.b0, c.a1, c.a2, hz, fs);
}
double dB(double g) { return 20.0 * std::log10(g); }

// Peak amplitude of the last second of a sine run through step().
template <class Step>
double sineGain(Step step, double hz, double fs, double seconds) {
    const int n = static_cast<int>(seconds * fs);
    const int tail = static_cast<int>(fs);
    double peak = 0;
    for (int i = 0; i < n; ++i) {
        const double y = step(std::sin(2.0 * kPi * hz * i / fs));
        if (i >= n - tail) peak = std::max(peak, std::fabs(y));
    }
    return peak;
}

std::vector<double> noise(int n, unsigned seed) { return engine_test::noise(n, 1.0, seed); }

}  // namespace

TEST(CBiquadTest, TypeZeroAndUnknownTypesPassInput) {
    CBiquad bypass(44100, 0, 1000, 0.7, 0);
    CBiquad unknown(44100, 11, 1000, 0.7, 0);
    CBiquad negative(44100, -1, 1000, 0.7, 0);
    for (double x : noise(2000, 1)) {
        EXPECT_EQ(bypass.step(x), x);
        EXPECT_NEAR(unknown.step(x), x, 1e-12);
        EXPECT_NEAR(negative.step(x), x, 1e-12);
    }
}

TEST(CBiquadTest, LowPassResponse) {
    CBiquad lp(44100, CBiquad::kLowPass, 200, 0.5, 0);
    EXPECT_NEAR(magnitude(lp, 0), 1.0, 1e-12);
    EXPECT_NEAR(magnitude(lp, 22050), 0.0, 1e-9);
    EXPECT_NEAR(magnitude(lp, 200), 0.5, 1e-3);   // Q 0.5: -6 dB at the corner
    EXPECT_GT(lp.a0(), 1.0);                      // a0 keeps the unnormalised value
    EXPECT_DOUBLE_EQ(lp.offset(), 1e-13);

    // The step settles on a DC input at the DC gain of 1.
    double y = 0;
    for (int i = 0; i < 20000; ++i) y = lp.step(0.75);
    EXPECT_NEAR(y, 0.75, 1e-9);

    // Its step response never overshoots (Q 0.5 is critically damped).
    lp.clear();
    double maxY = 0;
    for (int i = 0; i < 20000; ++i) maxY = std::max(maxY, lp.step(1.0));
    EXPECT_LE(maxY, 1.0 + 1e-9);

    // A sine well above the corner is strongly attenuated by the step itself.
    CBiquad lp2(44100, CBiquad::kLowPass, 200, 0.5, 0);
    EXPECT_LT(sineGain([&](double x) { return lp2.step(x); }, 5000, 44100, 1.5), 0.01);
}

TEST(CBiquadTest, EveryTypeIsStableAndHasItsResponse) {
    const double fs = 48000;
    for (int type = 0; type <= 11; ++type) {
        for (double hz : {20.0, 1000.0, 15000.0, 23900.0, 30000.0}) {
            SCOPED_TRACE(::testing::Message() << "type " << type << " at " << hz << " Hz");
            CBiquad f(fs, type, hz, 0.7, 6.0);
            EXPECT_LE(f.frequency(), 0.499 * fs);
            // Poles inside the unit circle for every designed type.
            if (type >= 1 && type <= 10) {
                const CBiquad::Coefficients c = f.coefficients();
                EXPECT_LT(std::fabs(c.a2), 1.0);
                EXPECT_LT(std::fabs(c.a1), 1.0 + c.a2);
            }
            // A bounded impulse response that dies away.
            // (Near half the rate some types keep a pole close to -1: the decay
            // is slow there, and the alternating offset keeps a steady ripple
            // of a few 1e-9.)
            double peak = 0, mid = 0, tail = 0;
            for (int i = 0; i < 100000; ++i) {
                const double y = f.step(i == 0 ? 1.0 : 0.0);
                ASSERT_TRUE(std::isfinite(y));
                peak = std::max(peak, std::fabs(y));
                if (i >= 49000 && i < 50000) mid = std::max(mid, std::fabs(y));
                if (i >= 99000) tail = std::max(tail, std::fabs(y));
            }
            EXPECT_LT(peak, 10.0);
            EXPECT_LT(tail, 1e-5);
            EXPECT_LT(tail, std::max(0.5 * mid, 1e-8));
        }
    }

    const double f0 = 1000, g = 6.0, shelf = std::pow(10.0, g / 20.0);
    CBiquad hp(fs, CBiquad::kHighPass, f0, 0.7071, 0);
    EXPECT_NEAR(magnitude(hp, 0), 0.0, 1e-12);
    EXPECT_NEAR(magnitude(hp, fs / 2), 1.0, 1e-12);
    EXPECT_NEAR(magnitude(hp, f0), 0.7071, 1e-3);

    CBiquad lowShelf(fs, CBiquad::kLowShelf, f0, 0.7071, g);
    EXPECT_NEAR(magnitude(lowShelf, 0), shelf, 1e-9);
    EXPECT_NEAR(magnitude(lowShelf, fs / 2), 1.0, 1e-9);

    CBiquad highShelf(fs, CBiquad::kHighShelf, f0, 0.7071, g);
    EXPECT_NEAR(magnitude(highShelf, 0), 1.0, 1e-9);
    EXPECT_NEAR(magnitude(highShelf, fs / 2), shelf, 1e-9);

    CBiquad peak(fs, CBiquad::kPeaking, f0, 2.0, g);
    EXPECT_NEAR(magnitude(peak, f0), shelf, 1e-9);
    EXPECT_NEAR(magnitude(peak, 0), 1.0, 1e-9);

    CBiquad bandPass(fs, CBiquad::kBandPass, f0, 2.0, 0);
    EXPECT_NEAR(magnitude(bandPass, f0), 1.0, 1e-9);
    EXPECT_NEAR(magnitude(bandPass, 0), 0.0, 1e-12);

    CBiquad notch(fs, CBiquad::kNotch, f0, 2.0, 0);
    EXPECT_NEAR(magnitude(notch, f0), 0.0, 1e-9);
    EXPECT_NEAR(magnitude(notch, 0), 1.0, 1e-12);

    CBiquad allPass(fs, CBiquad::kAllPass, f0, 0.7, 0);
    for (double hz : {0.0, 100.0, 1000.0, 10000.0, 24000.0}) EXPECT_NEAR(magnitude(allPass, hz), 1.0, 1e-12);

    CBiquad onePole(fs, CBiquad::kOnePoleCoeff, f0, 0.7, 0);
    EXPECT_DOUBLE_EQ(onePole.a0(), std::pow(0.005, f0 / fs));
    EXPECT_NEAR(magnitude(onePole, 0), 1.0, 1e-12);
    EXPECT_LT(magnitude(onePole, fs / 2), 0.1);

    CBiquad onePoleHp(fs, CBiquad::kOnePoleHighPass, f0, 0.7, 0);
    EXPECT_NEAR(magnitude(onePoleHp, 0), 0.0, 1e-12);
    EXPECT_NEAR(magnitude(onePoleHp, fs / 2), 1.0, 1e-12);
}

TEST(CBiquadTest, FrequencyLimitAndRetuning) {
    CBiquad f(44100, CBiquad::kLowPass, 30000, 0.5, 0);
    EXPECT_DOUBLE_EQ(f.frequency(), 0.499 * 44100);

    CBiquad g(44100, CBiquad::kLowPass, 1000, 0.5, 0);
    g.setSampleRate(1000);
    EXPECT_DOUBLE_EQ(g.sampleRate(), 1000);
    EXPECT_DOUBLE_EQ(g.frequency(), 499);
    // The limit is kept when the rate goes back up.
    g.setSampleRate(44100);
    EXPECT_DOUBLE_EQ(g.frequency(), 499);
    EXPECT_NEAR(magnitude(g, 499), 0.5, 1e-3);

    g.setFrequency(1e6);
    EXPECT_DOUBLE_EQ(g.frequency(), 0.499 * 44100);
    g.setFrequency(50);
    EXPECT_DOUBLE_EQ(g.frequency(), 50);
    EXPECT_NEAR(magnitude(g, 50), 0.5, 1e-3);
    EXPECT_EQ(g.type(), CBiquad::kLowPass);
    EXPECT_DOUBLE_EQ(g.q(), 0.5);
}

TEST(CBiquadTest, ClearForgetsHistory) {
    CBiquad fresh(44100, CBiquad::kLowPass, 300, 0.5, 0);
    CBiquad used(44100, CBiquad::kLowPass, 300, 0.5, 0);
    for (double x : noise(1000, 2)) used.step(x);
    used.clear();
    // Keep the offset in the same phase as the fresh filter's (it alternates).
    const std::vector<double> in = noise(500, 3);
    for (size_t i = 0; i < in.size(); ++i) EXPECT_NEAR(used.step(in[i]), fresh.step(in[i]), 1e-12);
}

TEST(FixedFiltersTest, SubsonicHighPass) {
    for (double fs : {44100.0, 96000.0, 192000.0}) {
        SCOPED_TRACE(fs);
        const SubsonicCoeffs c = designSubsonic(fs);
        EXPECT_NEAR(magnitude(c.b0, c.b1, c.b2, c.a1, c.a2, 0, fs), 0.0, 1e-12);
        EXPECT_NEAR(magnitude(c.b0, c.b1, c.b2, c.a1, c.a2, fs / 2, fs), 1.0, 1e-9);
        EXPECT_NEAR(dB(magnitude(c.b0, c.b1, c.b2, c.a1, c.a2, 15, fs)), -3.01, 0.02);
        EXPECT_NEAR(magnitude(c.b0, c.b1, c.b2, c.a1, c.a2, 1000, fs), 1.0, 1e-3);
    }
    // The step realises it: a DC step dies away, 15 Hz comes out at -3 dB.
    const double fs = 44100;
    const SubsonicCoeffs c = designSubsonic(fs);
    SubsonicState s;
    clearSubsonic(s);
    double y = 0, off = 1e-16;
    for (int i = 0; i < 44100; ++i) y = stepSubsonic(c, s, 1.0, off = -off);
    EXPECT_NEAR(y, 0.0, 1e-6);
    clearSubsonic(s);
    EXPECT_NEAR(dB(sineGain([&](double x) { return stepSubsonic(c, s, x, off = -off); }, 15, fs, 4)), -3.01, 0.05);
}

TEST(FixedFiltersTest, CrossoverResponses) {
    const double fs = 48000;
    const CrossoverCoeffs lp = designHighCrossover(fs, 4000);
    EXPECT_NEAR(magnitude(lp, 0, fs), 1.0, 1e-12);
    EXPECT_NEAR(magnitude(lp, fs / 2, fs), 0.0, 1e-12);
    EXPECT_NEAR(dB(magnitude(lp, 4000, fs)), -6.02, 0.01);

    const CrossoverCoeffs hp = designLowCrossover(fs, 50);
    EXPECT_NEAR(magnitude(hp, 0, fs), 0.0, 1e-12);
    EXPECT_NEAR(magnitude(hp, fs / 2, fs), 1.0, 1e-12);
    EXPECT_NEAR(dB(magnitude(hp, 50, fs)), -6.02, 0.01);

    // The direct-form II step realises the same responses.
    CrossoverState s{};
    double off = 1e-16;
    EXPECT_NEAR(sineGain([&](double x) { return stepCrossover(lp, s, x, off = -off); }, 4000, fs, 1.5), 0.5, 2e-3);
    clearCrossover(s);
    EXPECT_NEAR(sineGain([&](double x) { return stepCrossover(hp, s, x, off = -off); }, 50, fs, 3), 0.5, 2e-3);

    // The lowest LowFreq setting designs 12.5 Hz, below the subsonic filter.
    const CrossoverCoeffs low = designLowCrossover(44100, 12.5);
    EXPECT_NEAR(dB(magnitude(low, 12.5, 44100)), -6.02, 0.01);
}

TEST(FixedFiltersTest, CrossoverStaysStableAtLowRates) {
    // HighFreq 16 kHz at 22050 Hz lies above half the rate.
    const double fs = 22050;
    const CrossoverCoeffs lp = designHighCrossover(fs, 16000);
    EXPECT_LT(std::fabs(lp.a2), 1.0);
    EXPECT_LT(std::fabs(lp.a1), 1.0 + lp.a2);
    CrossoverState s{};
    clearCrossover(s);
    double peak = 0, tail = 0, off = 1e-16;
    for (int i = 0; i < 20000; ++i) {
        const double y = stepCrossover(lp, s, i == 0 ? 1.0 : 0.0, off = -off);
        peak = std::max(peak, std::fabs(y));
        if (i > 19000) tail = std::max(tail, std::fabs(y));
    }
    EXPECT_LT(peak, 1.0);
    EXPECT_LT(tail, 1e-12);
    EXPECT_NEAR(magnitude(lp, 0, fs), 1.0, 1e-12);

    // Below the limit the design frequency is taken as given.
    const CrossoverCoeffs at32k = designHighCrossover(32000, 14000);
    EXPECT_NEAR(dB(magnitude(at32k, 14000, 32000)), -6.02, 0.01);
}

TEST(FixedFiltersTest, ThreeBandSplitSumsToInput) {
    const std::vector<double> in = noise(5000, 4);
    for (double fs : {22050.0, 44100.0, 192000.0}) {
        for (auto [lowHz, highHz] : {std::pair{12.5, 1000.0}, std::pair{200.0, 16000.0}, std::pair{100.0, 100.0}}) {
            SCOPED_TRACE(::testing::Message() << fs << " " << lowHz << " " << highHz);
            const SubsonicCoeffs sc = designSubsonic(fs);
            const CrossoverCoeffs lc = designLowCrossover(fs, lowHz), hc = designHighCrossover(fs, highHz);
            SubsonicState ss;
            CrossoverState ls, hs;
            clearSubsonic(ss);
            clearCrossover(ls);
            clearCrossover(hs);
            double off = 1e-16, worst = 0;
            for (double v : in) {
                off = -off;
                const double x = stepSubsonic(sc, ss, v, off);
                const double hpLow = stepCrossover(lc, ls, x, off);
                const double lpHigh = stepCrossover(hc, hs, x, off);
                const double low = (x - hpLow) * 1.0;
                const double mid = hpLow - (x - lpHigh);
                const double high = (x - lpHigh) * 1.0;
                worst = std::max(worst, std::fabs(low + mid + high - x));
            }
            EXPECT_LT(worst, 1e-14);
        }
    }
}

TEST(FixedFiltersTest, DesignRate) {
    EXPECT_EQ(filterDesignRate(44100, 0), 44100);
    EXPECT_EQ(filterDesignRate(96000, 1), 192000);
    EXPECT_EQ(filterDesignRate(22000, 0), 22000);
    EXPECT_EQ(filterDesignRate(200000, 0), 200000);
    EXPECT_EQ(filterDesignRate(21999, 0), 44100);
    EXPECT_EQ(filterDesignRate(200001, 1), 88200);
    EXPECT_EQ(filterDesignRate(0, 0), 44100);
    EXPECT_EQ(filterDesignRate(std::nan(""), 0), 44100);
}

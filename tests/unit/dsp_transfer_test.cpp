#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/Transfer.h"

using namespace dsp;

namespace {

struct Knee { int type; double k; };

std::vector<Knee> kneeSettings() {
    std::vector<Knee> v;
    for (double knee : {0.0, 0.01, 0.1, 0.2, 0.2499, 0.25, 0.3, 0.5, 0.75, 0.9, 1.0}) {
        Knee s;
        kneeFromValue(knee, s.type, s.k);
        v.push_back(s);
    }
    return v;
}

// Time in milliseconds for a follower with coefficient c to cover 95 % of a step.
double time95Ms(double c, double rate) { return std::log(0.05) / std::log(1.0 - c) / rate * 1000.0; }

const double kUnitScales[3] = {1, 1, 1};

}  // namespace

TEST(TransferTest, KneeBoundaries) {
    int type;
    double k;
    kneeFromValue(0.25, type, k);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(k, 0.0);
    EXPECT_NEAR(kneeA(k), 42.0, 1e-12);

    kneeFromValue(0.2499, type, k);
    EXPECT_EQ(type, 0);
    EXPECT_NEAR(k, 0.9996, 1e-12);

    kneeFromValue(0.0, type, k);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(k, 0.0);

    kneeFromValue(1.0, type, k);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(k, 1.0);
    EXPECT_NEAR(kneeA(k), 1.4, 1e-12);
    // A falls steadily over the soft-knee range.
    EXPECT_GT(kneeA(0.1), kneeA(0.5));
    EXPECT_GT(kneeA(0.5), kneeA(0.9));
}

TEST(TransferTest, CurveShape) {
    // Never above 1, monotone, continuous.
    for (const Knee& s : kneeSettings()) {
        SCOPED_TRACE(::testing::Message() << "type " << s.type << " k " << s.k);
        const double A = kneeA(s.k);
        double prev = 0;
        for (int i = 0; i <= 40000; ++i) {
            const double x = i * 0.0001;
            const double f = transferCurve(x, s.type, s.k, A);
            ASSERT_LE(f, 1.0);
            ASSERT_GE(f, prev);
            ASSERT_LT(f - prev, 0.0008);  // steepest: slope 7 at 0 for A = 1.4
            prev = f;
        }
        // Just below 1 too, where rounding could push it over.
        for (double x = 1.0 - 1e-12; x < 1.0; x = std::nextafter(x, 2.0))
            ASSERT_LE(transferCurve(x, s.type, s.k, A), 1.0);
        // Every setting reaches 1 at x = 1 and stays there.
        EXPECT_NEAR(transferCurve(1.0, s.type, s.k, A), 1.0, 1e-12);
        EXPECT_EQ(transferCurve(5.0, s.type, s.k, A), 1.0);
        EXPECT_EQ(transferCurve(0.0, s.type, s.k, A), 0.0);
    }

    // Knee 0: a hard clip.
    for (double x : {0.0, 0.3, 0.999, 1.0, 1.5, 10.0}) EXPECT_EQ(transferCurve(x, 0, 0.0, 42), std::min(x, 1.0));

    // The parabola: slope 2 at 0, reaches 1 with zero slope, 2x - x^2 between.
    EXPECT_NEAR(kneeParabola(1e-6) / 1e-6, 2.0, 1e-5);
    EXPECT_NEAR((kneeParabola(1.0) - kneeParabola(1.0 - 1e-4)) / 1e-4, 0.0, 2e-4);
    EXPECT_DOUBLE_EQ(kneeParabola(0.5), 0.75);
    EXPECT_EQ(kneeParabola(3.0), 1.0);
    EXPECT_NEAR(transferCurve(0.5, 0, 1.0, 42), 0.75, 1e-15);

    // Soft knee: the pre-compression maps 1 to 1 for every A and lifts the
    // curve below 1 the more, the smaller A is (small-signal slope 2A/(A-1)).
    for (double A : {1.4, 3.0, 42.0}) EXPECT_NEAR(transferCurve(1.0, 1, 0, A), 1.0, 1e-15);
    EXPECT_GT(transferCurve(0.5, 1, 1.0, 1.4), transferCurve(0.5, 1, 0.0, 42.0));
    EXPECT_NEAR(transferCurve(1e-7, 1, 1.0, 1.4) / 1e-7, 2.0 * 1.4 / 0.4, 1e-5);
}

TEST(TransferTest, InverseCurveAndCurveInputScale) {
    for (const Knee& s : kneeSettings()) {
        SCOPED_TRACE(::testing::Message() << "type " << s.type << " k " << s.k);
        const double A = kneeA(s.k);
        for (double y : {0.01, 0.25, 0.5, 0.7071, 0.9, 0.999}) {
            const double x = inverseCurve(y, s.type, s.k, A);
            EXPECT_NEAR(transferCurve(x, s.type, s.k, A), y, 1e-12);
        }
    }
    // A vanishing knee amount must not lose the root to cancellation.
    EXPECT_NEAR(inverseCurve(0.5, 0, 1e-20, 42), 0.5, 1e-12);
    EXPECT_NEAR(inverseCurve(0.5, 0, 1e-9, 42), 0.5, 1e-8);

    // Ceiling at or below 0 dB: the scale is 1 / ceilingGain.
    for (double ceiling : {1.0, 0.5, 0.25}) {
        const CurveConstants cc = computeCurveConstants(1, 0.5, ceiling, 1.0);
        EXPECT_EQ(cc.curveInputScale, static_cast<float>(1.0 / ceiling));
    }
    // Above 0 dB: the input at which the curve reaches 1 / ceilingGain.
    for (const Knee& s : kneeSettings()) {
        for (double ceiling : {1.5, 2.0, 4.0}) {
            const CurveConstants cc = computeCurveConstants(s.type, s.k, ceiling, 1.0);
            EXPECT_EQ(cc.kneeType, s.type);
            EXPECT_NEAR(transferCurve(double(cc.curveInputScale), cc.kneeType, cc.kneeAmount, cc.A), 1.0 / ceiling, 1e-6);
            EXPECT_LE(cc.curveInputScale, 1.0 / ceiling + 1e-7);
        }
    }
    const CurveConstants soft = computeCurveConstants(1, 1.0, 2.0, 1.0);
    EXPECT_NEAR(soft.A, 1.4, 1e-12);
    EXPECT_NEAR(computeCurveConstants(0, 0.3, 2.0, 1.0).A, 42.0, 1e-12);
}

TEST(TransferTest, SmallSignalGainIsTheChainGainForTinyInputs) {
    for (const Knee& s : kneeSettings()) {
        for (double ceiling : {0.5, 1.0, 2.0}) {
            for (double drive : {0.25, 1.0, 16.0}) {
                SCOPED_TRACE(::testing::Message() << s.type << " " << s.k << " " << ceiling << " " << drive);
                const CurveConstants cc = computeCurveConstants(s.type, s.k, ceiling, drive);
                // Gain a tiny steady level sees through curve and ceiling.
                const double env = 1e-9;
                const double chain =
                    wideBandGain(env, drive, cc.curveInputScale, cc.kneeType, cc.kneeAmount, cc.A) * ceiling;
                EXPECT_NEAR(cc.smallSignalGain / chain, 1.0, 1e-5);
                EXPECT_FLOAT_EQ(computeSmallSignalGain(cc, drive, ceiling), cc.smallSignalGain);
            }
        }
    }
    // Hard clip, unity drive and ceiling: unity; full parabola: slope 2.
    EXPECT_FLOAT_EQ(computeCurveConstants(0, 0.0, 1.0, 1.0).smallSignalGain, 1.0f);
    EXPECT_NEAR(computeCurveConstants(0, 1.0, 1.0, 1.0).smallSignalGain, 2.0, 1e-5);
    // Drive alone rescales it.
    CurveConstants cc = computeCurveConstants(1, 0.4, 1.0, 1.0);
    EXPECT_NEAR(computeSmallSignalGain(cc, 4.0, 1.0) / cc.smallSignalGain, 4.0, 1e-6);
}

TEST(TransferTest, TimeConstantWindows) {
    TimeConstants tc = computeTimeConstants(44100, 0.0, 0.5, 1.0, kUnitScales, 0);
    EXPECT_EQ(tc.attackWindow, 3);
    EXPECT_EQ(tc.limiterWindow, 9);
    tc = computeTimeConstants(44100, 1.0, 0.5, 1.0, kUnitScales, 0);
    EXPECT_EQ(tc.attackWindow, 52);
    EXPECT_EQ(tc.limiterWindow, 52);
    // FAT doubles the kernel rate and the windows with it.
    tc = computeTimeConstants(88200, 0.0, 0.5, 1.0, kUnitScales, 0);
    EXPECT_EQ(tc.attackWindow, 6);
    EXPECT_EQ(tc.limiterWindow, 19);
    // The lowest rate still gives a window of at least one sample.
    tc = computeTimeConstants(22050, 0.0, 0.5, 1.0, kUnitScales, 0);
    EXPECT_EQ(tc.attackWindow, 1);
    tc = computeTimeConstants(1000, 0.0, 0.5, 1.0, kUnitScales, 0);
    EXPECT_GE(tc.attackWindow, 1);
    EXPECT_GE(tc.limiterWindow, 1);
    EXPECT_TRUE(std::isfinite(tc.attackCoeff));

    // The follower covers 95 % of a step within the window.
    for (double speed : {0.0, 0.5, 1.0}) {
        tc = computeTimeConstants(48000, speed, 0.5, 1.0, kUnitScales, 0);
        double env = 0.0;
        for (int i = 0; i < tc.attackWindow; ++i)
            followerStep(1.0, env, tc.attackCoeff, tc.releaseCoeff, false, 0, 0, kWideBandRule);
        EXPECT_NEAR(env, 0.95, 1e-9);
    }
}

TEST(TransferTest, ReleaseTimes) {
    const double rate = 48000;
    const double bandScales[3] = {0.0625, 1.0, 16.0};
    for (double speed : {0.0, 0.3, 1.0}) {
        for (double releaseScale : {0.25, 1.0, 4.0}) {
            SCOPED_TRACE(::testing::Message() << speed << " " << releaseScale);
            const TimeConstants shortTc = computeTimeConstants(rate, speed, 0.5, releaseScale, bandScales, 0);
            const TimeConstants longTc = computeTimeConstants(rate, speed, 0.5, releaseScale, bandScales, 1);
            const double F = std::pow(48.0, speed) * releaseScale;
            EXPECT_NEAR(time95Ms(shortTc.releaseCoeff, rate) / (0.65 * F), 1.0, 1e-9);
            EXPECT_NEAR(time95Ms(longTc.releaseCoeff, rate) / time95Ms(shortTc.releaseCoeff, rate), 17.0, 1e-9);
            for (int b = 0; b < 3; ++b) {
                EXPECT_NEAR(time95Ms(shortTc.bandReleaseCoeff[b], rate) / (0.65 * F * bandScales[b]), 1.0, 1e-9);
                EXPECT_NEAR(time95Ms(longTc.bandReleaseCoeff[b], rate) / time95Ms(shortTc.bandReleaseCoeff[b], rate),
                            17.0, 1e-9);
            }
            // Final stage: at least 1.35 ms, longer with Long.
            EXPECT_GE(time95Ms(shortTc.limiterReleaseCoeff, rate), 1.35 + 0.65 - 1e-9);
            EXPECT_GE(time95Ms(longTc.limiterReleaseCoeff, rate), time95Ms(shortTc.limiterReleaseCoeff, rate));
            // Windows do not depend on Long.
            EXPECT_EQ(shortTc.attackWindow, longTc.attackWindow);
        }
    }
    // Speed 0 without Long: O = 1, so 2 ms.
    const TimeConstants tc = computeTimeConstants(rate, 0.0, 0.5, 1.0, kUnitScales, 0);
    EXPECT_NEAR(time95Ms(tc.limiterReleaseCoeff, rate), 2.0, 1e-9);

    // Auto release scale: 0.5 * (16^Release * (1 + 15 Long))^(1/4).
    EXPECT_NEAR(computeTimeConstants(rate, 0.5, 0.0, 1.0, kUnitScales, 0).autoReleaseScale, 0.5, 1e-12);
    EXPECT_NEAR(computeTimeConstants(rate, 0.5, 1.0, 1.0, kUnitScales, 0).autoReleaseScale, 1.0, 1e-12);
    EXPECT_NEAR(computeTimeConstants(rate, 0.5, 1.0, 1.0, kUnitScales, 1).autoReleaseScale, 2.0, 1e-12);
}

TEST(TransferTest, FollowerBranches) {
    const double attack = 0.3, release = 0.01;
    // Attack while the level is above the envelope.
    double env = 0.2;
    followerStep(1.0, env, attack, release, true, 5.0, 0.0, kWideBandRule);
    EXPECT_NEAR(env, 0.2 + 0.8 * attack, 1e-15);

    // Plain release with Auto off, whatever the smoothers say.
    env = 0.5;
    followerStep(0.1, env, attack, release, false, 5.0, 0.0, kWideBandRule);
    EXPECT_NEAR(env, 0.5 - 0.4 * release, 1e-15);

    // Auto on, steady material (both smoothers equal): the release coefficient
    // is scaled by (slope * ratio / (1 + ratio) + 0.1) * factor.
    for (const FollowerRule& rule : {kWideBandRule, kBandRule, kFinalStageRule}) {
        env = 0.5;
        followerStep(0.1, env, attack, release, true, 0.3, 0.3, rule);
        const double scale = (rule.slope * rule.ratio / (1 + rule.ratio) + 0.1) * rule.factor;
        EXPECT_NEAR((0.5 - env) / (0.4 * release), scale, 1e-5);
    }
    env = 0.5;
    followerStep(0.1, env, attack, release, true, 0.3, 0.3, kWideBandRule);
    EXPECT_NEAR((0.5 - env) / (0.4 * release), (3 * 0.18 / 1.18 + 0.1) * 1.4, 1e-5);

    // The linked kernel's extra scale multiplies the Auto term.
    double scaled = 0.5;
    followerStep(0.1, scaled, attack, release, true, 0.3, 0.3, kWideBandRule, 2.0);
    EXPECT_NEAR((0.5 - scaled) / (0.5 - env), 2.0, 1e-12);

    // Transients (fast smoother far above the slow one) release faster,
    // approaching (slope + 0.1) * factor.
    env = 0.5;
    followerStep(0.1, env, attack, release, true, 1.0, 0.0, kWideBandRule);
    const double fastScale = (0.5 - env) / (0.4 * release);
    EXPECT_GT(fastScale, (3 * 0.18 / 1.18 + 0.1) * 1.4);
    EXPECT_LT(fastScale, 3.1 * 1.4);

    // Floor.
    env = 0.5;
    followerStep(0.0, env, attack, 1.0, false, 0, 0, kBandRule);
    EXPECT_EQ(env, 0.000001);
    env = 0.000001;
    followerStep(-1.0, env, attack, 0.5, true, 0, 0, kFinalStageRule);
    EXPECT_EQ(env, 0.000001);
}

TEST(TransferTest, GainsKeepOutputUnderTheLimits) {
    for (const Knee& s : kneeSettings()) {
        const double A = kneeA(s.k);
        for (double env : {0.000001, 0.001, 0.3, 1.0, 2.0, 100.0}) {
            for (double drive : {0.25, 1.0, 16.0}) {
                const double t = wideBandGain(env, drive, 1.0f, s.type, s.k, A);
                EXPECT_LE(env * t, 1.0);
                EXPECT_GT(t, 0.0);
                // A higher Sat level raises the band's limit to S.
                for (double sat : {0.25, 1.0, 4.0}) {
                    const double tb = bandGain(env, drive, sat, 1.0 / sat, 1.0f, s.type, s.k, A);
                    EXPECT_LE(env * tb, sat * (1.0 + 1e-15));
                }
            }
        }
    }
    // Knee 0, unity drive: a steady level of 2 is halved, small levels pass.
    EXPECT_DOUBLE_EQ(wideBandGain(2.0, 1.0, 1.0, 0, 0.0, 42), 0.5);
    EXPECT_DOUBLE_EQ(wideBandGain(0.5, 1.0, 1.0, 0, 0.0, 42), 1.0);
    // Sat levels cancel below the limit.
    EXPECT_NEAR(bandGain(0.01, 1.0, 4.0, 0.25, 1.0, 0, 0.0, 42), 1.0, 1e-15);
    EXPECT_NEAR(bandGain(2.0, 1.0, 4.0, 0.25, 1.0, 0, 0.0, 42), 1.0, 1e-15);
    EXPECT_NEAR(bandGain(8.0, 1.0, 4.0, 0.25, 1.0, 0, 0.0, 42), 0.5, 1e-15);

    EXPECT_EQ(finalStageGain(0.5), 1.0);
    EXPECT_EQ(finalStageGain(1.0), 1.0);
    EXPECT_EQ(finalStageGain(4.0), 0.25);
}

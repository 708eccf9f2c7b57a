// From detector level to gain: the level follower with its attack, release,
// Long and Auto behaviour, the static saturation curve shaped by Knee, the
// normalisation by Drive, Ceiling and the band Sat levels, and the
// recomputation of the time and curve constants. The inline functions run per
// sample and detector; everything with powers and roots is confined to the
// compute* functions.
#pragma once

namespace dsp {

// Pre-compression constant of the soft knee: 42 at k = 0 falling to 1.4 at k = 1.
double kneeA(double kneeAmount);                          // 1.4 * 30^(1 - k^(1/8))

// Parabola that reaches 1 with zero slope at x = 1 (slope 2 at 0).
inline double kneeParabola(double x) {
    return x < 1.0 ? 2.0 * x - x * x : 1.0;
}

// The static curve f(x) for x >= 0; never exceeds 1.
// kneeType 0: blend of a hard clip at 1 and the parabola by k.
// kneeType 1: rational pre-compression with A, then the parabola.
// T is double here; the pair kernels' lanes (EngineSimd.h) have a curve of
// their own with the same operations lane by lane.
template <class T>
T transferCurve(T x, int kneeType, double k, double A);

template <>
inline double transferCurve(double x, int kneeType, double k, double A) {
    double f;
    if (kneeType == 0) {
        f = (1.0 - k) * (x < 1.0 ? x : 1.0) + k * kneeParabola(x);
    } else {
        const double u = x * A / (x + A - 1.0);
        f = kneeParabola(u);
    }
    return f < 1.0 ? f : 1.0;
}

struct FollowerRule { double ratio, slope, factor; };
inline constexpr FollowerRule kWideBandRule{0.18, 3, 1.4}, kBandRule{0.15, 2, 1.5}, kFinalStageRule{0.2, 4, 1.3};

inline constexpr double kEnvelopeFloor = 0.000001;
inline constexpr double kEnvelopeReset = 0.0001;

// One follower step: updates env in place (attack if B > env, else release, Auto rule with the two
// smoother outputs c1 (fast) and c2 (slow) times autoScale, floor 0.000001).
inline void followerStep(double B, double& env, double attackCoeff, double releaseCoeff,
                         bool autoOn, double c1, double c2, const FollowerRule& rule, double autoScale = 1.0) {
    if (B > env) {
        env = env + (B - env) * attackCoeff;
    } else if (!autoOn) {
        env = env + (B - env) * releaseCoeff;
    } else {
        const double R = rule.ratio * c1 / (c2 + 0.000001);
        env = env + (B - env) * releaseCoeff * (rule.slope * R / (1.0 + R) + 0.1) * rule.factor * autoScale;
    }
    if (env < kEnvelopeFloor) env = kEnvelopeFloor;
}

// Wide-band gain: curve of the driven envelope over the envelope (T: a
// sample, or a pair of lanes, as for transferCurve).
template <class T>
inline T wideBandGain(T env, double driveGain, double curveInputScale, int kneeType, double k, double A) {
    const T G = env * driveGain * curveInputScale;
    return transferCurve(G, kneeType, k, A) / env;
}

// Band gain: the band's Sat level S raises the band's limit to S and lowers
// the drive into the curve by the same factor (satInverse = 1 / S).
template <class T>
inline T bandGain(T env, double driveGain, double satGain, double satInverse, double curveInputScale, int kneeType,
                  double k, double A) {
    const T G = env * driveGain * satInverse * curveInputScale;
    return transferCurve(G, kneeType, k, A) * satGain / env;
}

// Final limiter stage: plain limiting at 1.0.
inline double finalStageGain(double env) {
    return env < 1.0 ? 1.0 : 1.0 / env;
}

struct TimeConstants {
    int attackWindow = 1, limiterWindow = 1;
    double attackCoeff = 1, releaseCoeff = 1, bandReleaseCoeff[3] = {1, 1, 1};
    double limiterAttackCoeff = 1, limiterReleaseCoeff = 1, autoReleaseScale = 1;
};

// kernelRate = (1 + FAT) * host rate. speed/releaseValue are the stored normalised values.
TimeConstants computeTimeConstants(double kernelRate, double speed, double releaseValue, double releaseScale,
                                   const double bandReleaseScale[3], int longRelease);

// Follower coefficient that covers 95 % of a step within the given number of samples.
double coeffFor95Percent(double samples);

struct CurveConstants { int kneeType = 0; double kneeAmount = 0; double A = 42; float curveInputScale = 1; float smallSignalGain = 1; };

// Knee control value (0..1) to kneeType and kneeAmount: below 0.25 type 0 with
// k = 4 * Knee, from 0.25 type 1 with k = (Knee - 0.25) / 0.75.
void kneeFromValue(double knee, int& kneeType, double& kneeAmount);

CurveConstants computeCurveConstants(int kneeType, double kneeAmount, double ceilingGain, double driveGain);
float computeSmallSignalGain(const CurveConstants&, double driveGain, double ceilingGain);  // the Drive-only step
double inverseCurve(double y, int kneeType, double k, double A);  // input at which the curve reaches y

}  // namespace dsp

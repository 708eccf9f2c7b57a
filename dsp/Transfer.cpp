#include "dsp/Transfer.h"

#include <cmath>

#include "dsp/Math.h"

namespace dsp {

double kneeA(double kneeAmount) {
    return 1.4 * math::pow(30.0, 1.0 - math::pow(kneeAmount, 1.0 / 8.0));
}

void kneeFromValue(double knee, int& kneeType, double& kneeAmount) {
    if (knee < 0.25) {
        kneeType = 0;
        kneeAmount = 4.0 * knee;
    } else {
        kneeType = 1;
        kneeAmount = (knee - 0.25) / 0.75;
    }
}

double coeffFor95Percent(double samples) {
    return 1.0 - math::pow(0.05, 1.0 / samples);
}

TimeConstants computeTimeConstants(double kernelRate, double speed, double releaseValue, double releaseScale,
                                   const double bandReleaseScale[3], int longRelease) {
    const double d = kernelRate;
    const int isLong = longRelease ? 1 : 0;
    TimeConstants tc;

    tc.autoReleaseScale = 0.5 * math::pow(math::pow(16.0, releaseValue) * (1 + 15 * isLong), 0.25);

    // Attack window: 0.075 ms to 1.2 ms; at least one sample.
    tc.attackWindow = static_cast<int>(math::pow(16.0, speed) * 0.075 * 0.001 * d);
    if (tc.attackWindow < 1) tc.attackWindow = 1;
    tc.attackCoeff = coeffFor95Percent(tc.attackWindow);

    // Final-stage window: 0.225 ms to 1.2 ms.
    tc.limiterWindow = static_cast<int>((math::pow(14.0, speed) * 0.075 + 0.15) * 0.001 * d);
    if (tc.limiterWindow < 1) tc.limiterWindow = 1;
    tc.limiterAttackCoeff = coeffFor95Percent(tc.limiterWindow);

    // Release: a 95 % release time of 0.65 * F milliseconds.
    const double F = math::pow(48.0, speed) * releaseScale * (isLong ? 17 : 1);
    tc.releaseCoeff = 1.0 - math::pow(0.05, 1.0 / (F * 0.65 * 0.001 * d));
    for (int b = 0; b < 3; ++b)
        tc.bandReleaseCoeff[b] = 1.0 - math::pow(0.05, 1.0 / (F * bandReleaseScale[b] * 0.65 * 0.001 * d));

    // Final-stage release: at least 1.35 ms plus 0.65 * O ms.
    const double O = math::pow(24.0, (speed * (releaseScale * isLong * 0.7139) + 1.0) * speed * (isLong + 1));
    tc.limiterReleaseCoeff = 1.0 - math::pow(0.05, 1.0 / ((O * 0.65 + 1.35) * 0.001 * d));
    return tc;
}

double inverseCurve(double y, int kneeType, double k, double A) {
    if (y >= 1.0) return y;
    if (y <= 0.0) return 0.0;
    if (kneeType == 0) {
        if (k > 0.0) {
            const double disc = std::sqrt((1.0 + k) * (1.0 + k) - 4.0 * k * y);
            // For a tiny k the root loses every digit to cancellation; the
            // equivalent quotient form keeps them.
            if (k < 1e-4) return 2.0 * y / ((1.0 + k) + disc);
            return ((1.0 + k) - disc) / (2.0 * k);
        }
        return y;
    }
    const double w = 1.0 - std::sqrt(1.0 - y);
    return w * (A - 1.0) / (A - w);
}

CurveConstants computeCurveConstants(int kneeType, double kneeAmount, double ceilingGain, double driveGain) {
    CurveConstants cc;
    cc.kneeType = kneeType;
    cc.kneeAmount = kneeAmount;
    cc.A = kneeA(kneeType == 1 ? kneeAmount : 0.0);
    const double y = static_cast<float>(1.0 / ceilingGain);
    cc.curveInputScale = static_cast<float>(inverseCurve(y, kneeType, kneeAmount, cc.A));
    cc.smallSignalGain = computeSmallSignalGain(cc, driveGain, ceilingGain);
    return cc;
}

float computeSmallSignalGain(const CurveConstants& cc, double driveGain, double ceilingGain) {
    const double k = cc.kneeAmount;
    const double A = cc.A;
    const double z = cc.curveInputScale * 0.000001;
    double g;
    if (cc.kneeType == 0)
        g = ((1.0 - k) * z + k * kneeParabola(z)) / 0.000001;
    else
        g = kneeParabola(z * A / (A - 1.0 + z)) / 0.000001;
    return static_cast<float>(g * driveGain * ceilingGain);
}

}  // namespace dsp

// What the engine's kernels share (engine-internal): the detector and input
// limits, the smoother slots, the values a kernel reads once per block, and
// the block split of a host call.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "dsp/EngineParams.h"
#include "dsp/Transfer.h"

namespace dsp {

inline constexpr double kDetectorMargin = 1.0115795;   // 0.1 dB over-reading of the peak detectors
inline constexpr double kDetectorFloor = 0.0009766;    // about -60 dBFS
inline constexpr double kLargestInput = 1e30;          // larger finite input samples are limited to this

// Smoother slots: channel A low, mid, high, wide band / final stage (fast, slow), then channel B.
inline constexpr int kWideSmoother = 6;   // + 8 for channel B
inline constexpr int kChannelBSmoothers = 8;

inline double clampUnit(double y) { return y > 1.0 ? 1.0 : (y < -1.0 ? -1.0 : y); }

// The derived quantities a kernel reads once per block.
struct KernelConstants {
    double driveGain, ceilingGain, outputGain;
    double mix;
    bool fullMix;   // Mix 100 %: the wet signal is taken as it is, so that the ceiling holds to the last bit
    double lowAdjust, highAdjust, lowAdjustM1, highAdjustM1;
    double satGain[3], satInverse[3];
    bool brickwall, autoOn;
    int kneeType;
    double kneeAmount, kneeA, curveInputScale;
    TimeConstants tc;
    double autoScale;   // Auto release scale of the wide-band follower (linked single-band), else 1

    KernelConstants(const EngineParams& p, const CurveConstants& cc, const TimeConstants& t, bool scaleAuto)
        : driveGain(p.driveGain), ceilingGain(p.ceilingGain), outputGain(p.outputGain),
          mix(p.mixAmount), fullMix(p.mixAmount == 1.0),
          lowAdjust(p.lowAdjustGain), highAdjust(p.highAdjustGain),
          lowAdjustM1(p.lowAdjustGain - 1.0), highAdjustM1(p.highAdjustGain - 1.0),
          satGain{p.bandSatGain[0], p.bandSatGain[1], p.bandSatGain[2]},
          satInverse{p.bandSatInverse[0], p.bandSatInverse[1], p.bandSatInverse[2]},
          brickwall(p.brickwallOn != 0), autoOn(p.autoRelease != 0),
          kneeType(cc.kneeType), kneeAmount(cc.kneeAmount), kneeA(cc.A), curveInputScale(cc.curveInputScale),
          tc(t), autoScale(scaleAuto ? t.autoReleaseScale : 1.0) {}

    double wideGain(double env) const {
        return wideBandGain(env, driveGain, curveInputScale, kneeType, kneeAmount, kneeA);
    }
    double bandGainOf(int b, double env) const {
        return bandGain(env, driveGain, satGain[b], satInverse[b], curveInputScale, kneeType, kneeAmount, kneeA);
    }
    // Mix and output gain of one channel.
    double mixed(double dry, double wet) const { return outputGain * (fullMix ? wet : dry + mix * (wet - dry)); }
};

// Input on entry: NaN and infinities become silence, absurdly large values are limited,
// so that nothing can poison the recursive filters and rings.
inline double sanitizeInput(double x) {
    const double a = std::fabs(x);
    if (a <= kLargestInput) return x;
    if (std::isfinite(x)) return x > 0 ? kLargestInput : -kLargestInput;
    return 0.0;
}

template <class T> inline T finiteOutput(double y);
template <> inline double finiteOutput<double>(double y) { return std::fabs(y) <= DBL_MAX ? y : 0.0; }
template <> inline float finiteOutput<float>(double y) {
    return std::fabs(y) <= static_cast<double>(FLT_MAX) ? static_cast<float>(y) : 0.0f;
}

// A host call in blocks of at most kMaxBlockFrames: each block is converted into the input
// buffers, runBlock(n) processes it and the output buffers are converted back (A first, then B).
template <class T, class RunBlock>
void forEachBlock(const T* inA, const T* inB, T* outA, T* outB, int frames, double* const in[2],
                  const double* const out[2], RunBlock&& runBlock) {
    for (int start = 0; start < frames; start += kMaxBlockFrames) {
        const int n = std::min(kMaxBlockFrames, frames - start);
        double* a = in[0];
        double* b = in[1];
        for (int i = 0; i < n; ++i) {
            a[i] = sanitizeInput(static_cast<double>(inA[start + i]));
            b[i] = sanitizeInput(static_cast<double>(inB[start + i]));
        }
        runBlock(n);
        const double* oa = out[0];
        const double* ob = out[1];
        for (int i = 0; i < n; ++i) outA[start + i] = finiteOutput<T>(oa[i]);
        for (int i = 0; i < n; ++i) outB[start + i] = finiteOutput<T>(ob[i]);
    }
}

}  // namespace dsp

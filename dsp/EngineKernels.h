// What the engine's kernels share (engine-internal): the detector and input
// limits, the smoother slots, the values a kernel reads once per block, and
// the block split of a host call.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "dsp/EngineParams.h"
#include "dsp/EngineSimd.h"
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

// sanitizeInput of two samples without a branch: the larger finite ones take the limit with
// their sign, the rest (NaN, infinities) become +0.
inline simd::v2d sanitizeInput(simd::v2d x) {
    using simd::v2d;
    using simd::v2i;
    const v2d a = simd::vabs(x);
    const v2i sign = (v2i)x & (v2i)simd::splat(-0.0);
    const v2d limit = (v2d)((v2i)simd::splat(kLargestInput) | sign);
    const v2d large = (v2d)((v2i)limit & (v2i)(a <= DBL_MAX));
    return a <= kLargestInput ? x : large;
}

template <class T> inline T finiteOutput(double y);
template <> inline double finiteOutput<double>(double y) { return std::fabs(y) <= DBL_MAX ? y : 0.0; }
template <> inline float finiteOutput<float>(double y) {
    return std::fabs(y) <= static_cast<double>(FLT_MAX) ? static_cast<float>(y) : 0.0f;
}

// Block buffers from and to the host's samples, two at a time where they can be; each sample
// gets what sanitizeInput and finiteOutput give it.
template <class T> inline void convertIn(const T* from, double* to, int n) {
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        const simd::v2d x = sanitizeInput(simd::v2d{static_cast<double>(from[i]), static_cast<double>(from[i + 1])});
        std::memcpy(to + i, &x, sizeof x);
    }
    for (; i < n; ++i) to[i] = sanitizeInput(static_cast<double>(from[i]));
}

template <class T> inline void convertOut(const double* from, T* to, int n) {
    constexpr double kLargest = sizeof(T) == sizeof(float) ? static_cast<double>(FLT_MAX) : DBL_MAX;
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        simd::v2d y;
        std::memcpy(&y, from + i, sizeof y);
        y = (simd::v2d)((simd::v2i)y & (simd::v2i)(simd::vabs(y) <= kLargest));
        if constexpr (sizeof(T) == sizeof(double)) {
            std::memcpy(to + i, &y, sizeof y);
        } else {
            to[i] = static_cast<T>(y[0]);
            to[i + 1] = static_cast<T>(y[1]);
        }
    }
    for (; i < n; ++i) to[i] = finiteOutput<T>(from[i]);
}

// A host call in blocks of at most kMaxBlockFrames: each block is converted into the input
// buffers, runBlock(n) processes it and the output buffers are converted back (A first, then B).
template <class T, class RunBlock>
void forEachBlock(const T* inA, const T* inB, T* outA, T* outB, int frames, double* const in[2],
                  const double* const out[2], RunBlock&& runBlock) {
    for (int start = 0; start < frames; start += kMaxBlockFrames) {
        const int n = std::min(kMaxBlockFrames, frames - start);
        convertIn(inA + start, in[0], n);
        convertIn(inB + start, in[1], n);
        runBlock(n);
        convertOut(out[0], outA + start, n);
        convertOut(out[1], outB + start, n);
    }
}

}  // namespace dsp

// Channel-pair arithmetic for the engine's hot loops. Every function here does,
// lane by lane, exactly the operations of its scalar counterpart in
// FixedFilters.h, Transfer.h, CBiquad.h and COversampler (same operations in
// the same order, IEEE double, no contraction), so the results are identical;
// the unit tests compare them bit for bit.
#pragma once

#include <cstdint>
#include <cstring>

#include "dsp/CBiquad.h"
#include "dsp/EngineParams.h"
#include "dsp/FixedFilters.h"
#include "dsp/StereoResampler.h"
#include "dsp/Transfer.h"
#include "dsp/VectorIsa.h"
#include "host/Compiler.h"

namespace dsp::simd {

typedef compiler::Double2 v2d;
typedef compiler::Int64x2 v2i;

inline v2d splat(double x) { return v2d{x, x}; }

inline v2d vabs(v2d x) { return (v2d)((v2i)x & v2i{INT64_MAX, INT64_MAX}); }

// std::max / std::min as the scalar code uses them: max(a, b) = a < b ? b : a; min(a, b) = b < a ? b : a.
inline v2d vmax(v2d a, v2d b) { return a < b ? b : a; }
inline v2d vmin(v2d a, v2d b) { return b < a ? b : a; }
inline v2d clampUnit(v2d y) {
    y = y > 1.0 ? splat(1.0) : y;
    return y < -1.0 ? splat(-1.0) : y;
}

// One step of a smoother's biquad with its alternating offset, the same
// operations in the same order for one value or a pair of lanes.
template <class State, class T>
inline T stepSmoother(State& s, T x) {
    s.offset = -s.offset;
    const T x0 = x + s.offset;
    const T y = s.b0 * x0 + s.b1 * s.x1 + s.b2 * s.x2 - s.a1 * s.y1 - s.a2 * s.y2;
    s.x2 = s.x1;
    s.x1 = x0;
    s.y2 = s.y1;
    s.y1 = y + s.offset;
    return y;
}

// State of one control smoother (a CBiquad low-pass whose coefficients are taken from the
// designing object); stepping it gives CBiquad::step's result.
struct SmootherState {
    double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double offset = 1e-13;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    // Takes over the design's coefficients and the offset it restarts with; the history stays.
    void takeDesign(const CBiquad& design) {
        const CBiquad::Coefficients c = design.coefficients();
        b0 = c.b0;
        b1 = c.b1;
        b2 = c.b2;
        a1 = c.a1;
        a2 = c.a2;
        offset = design.offset();
    }
    double step(double x) { return stepSmoother(*this, x); }
};

// Two smoothers as the lanes of one pair.
struct SmootherLanes {
    v2d b0, b1, b2, a1, a2, offset, x1, x2, y1, y2;

    void load(const SmootherState& p, const SmootherState& q) {
        b0 = v2d{p.b0, q.b0}; b1 = v2d{p.b1, q.b1}; b2 = v2d{p.b2, q.b2};
        a1 = v2d{p.a1, q.a1}; a2 = v2d{p.a2, q.a2};
        offset = v2d{p.offset, q.offset};
        x1 = v2d{p.x1, q.x1}; x2 = v2d{p.x2, q.x2}; y1 = v2d{p.y1, q.y1}; y2 = v2d{p.y2, q.y2};
    }
    void store(SmootherState& p, SmootherState& q) const {
        p.offset = offset[0]; q.offset = offset[1];
        p.x1 = x1[0]; q.x1 = x1[1]; p.x2 = x2[0]; q.x2 = x2[1];
        p.y1 = y1[0]; q.y1 = y1[1]; p.y2 = y2[0]; q.y2 = y2[1];
    }
    v2d step(v2d x) { return stepSmoother(*this, x); }
};

struct SubsonicLanes {
    v2d b0, b1, b2, a1, a2, x1, x2, y1, y2;

    void load(const SubsonicCoeffs& c, const SubsonicState& p, const SubsonicState& q) {
        b0 = splat(c.b0); b1 = splat(c.b1); b2 = splat(c.b2); a1 = splat(c.a1); a2 = splat(c.a2);
        x1 = v2d{p.x1, q.x1}; x2 = v2d{p.x2, q.x2}; y1 = v2d{p.y1, q.y1}; y2 = v2d{p.y2, q.y2};
    }
    void store(SubsonicState& p, SubsonicState& q) const {
        p.x1 = x1[0]; q.x1 = x1[1]; p.x2 = x2[0]; q.x2 = x2[1];
        p.y1 = y1[0]; q.y1 = y1[1]; p.y2 = y2[0]; q.y2 = y2[1];
    }
    v2d step(v2d x, v2d off) {
        const v2d y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2 + off;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

struct CrossoverLanes {
    v2d b0, b1, a1, a2, w1, w2;

    void load(const CrossoverCoeffs& c, const CrossoverState& p, const CrossoverState& q) {
        b0 = splat(c.b0); b1 = splat(c.b1); a1 = splat(c.a1); a2 = splat(c.a2);
        w1 = v2d{p.w1, q.w1}; w2 = v2d{p.w2, q.w2};
    }
    void store(CrossoverState& p, CrossoverState& q) const {
        p.w1 = w1[0]; q.w1 = w1[1]; p.w2 = w2[0]; q.w2 = w2[1];
    }
    v2d step(v2d x, v2d off) {
        const v2d w = x - a1 * w1 - a2 * w2 + off;
        const v2d y = b0 * (w + w2) + b1 * w1;
        w2 = w1;
        w1 = w;
        return y;
    }
};

inline v2d kneeParabola(v2d x) { return x < 1.0 ? 2.0 * x - x * x : splat(1.0); }

}  // namespace dsp::simd

namespace dsp {

// The curve lane by lane, for the gains of Transfer.h on a pair.
template <>
inline simd::v2d transferCurve(simd::v2d x, int kneeType, double k, double A) {
    using simd::splat;
    simd::v2d f;
    if (kneeType == 0) {
        f = (1.0 - k) * (x < 1.0 ? x : splat(1.0)) + k * simd::kneeParabola(x);
    } else {
        const simd::v2d u = x * A / (x + A - 1.0);
        f = simd::kneeParabola(u);
    }
    return f < 1.0 ? f : splat(1.0);
}

}  // namespace dsp

namespace dsp::simd {

inline void followerStep(v2d B, v2d& env, double attackCoeff, double releaseCoeff, bool autoOn, v2d c1, v2d c2,
                         const FollowerRule& rule, double autoScale = 1.0) {
    const v2d attack = env + (B - env) * attackCoeff;
    v2d release;
    if (!autoOn) {
        release = env + (B - env) * releaseCoeff;
    } else {
        const v2d R = rule.ratio * c1 / (c2 + 0.000001);
        release = env + (B - env) * releaseCoeff * (rule.slope * R / (1.0 + R) + 0.1) * rule.factor * autoScale;
    }
    v2d e = B > env ? attack : release;
    env = e < kEnvelopeFloor ? splat(kEnvelopeFloor) : e;
}

// The Auto rule's release factor, slope * R / (1 + R) + 0.1 with R = ratio * c1 / (c2 + 0.000001),
// exactly as followerStep evaluates it. It depends on the smoothers alone, not on the envelope,
// so it can be computed ahead of the follower (or for several detectors at once).
template <class V> inline V autoReleaseFactor(V c1, V c2, const FollowerRule& rule) {
    const V R = rule.ratio * c1 / (c2 + 0.000001);
    return rule.slope * R / (1.0 + R) + 0.1;
}

// followerStep for one detector with the Auto factor already computed (autoFactor =
// autoReleaseFactor(c1, c2, rule); unused while Auto is off): the same operations in the same order.
inline void followerStep(double B, double& env, double attackCoeff, double releaseCoeff, bool autoOn,
                         double autoFactor, const FollowerRule& rule, double autoScale) {
    const double attack = env + (B - env) * attackCoeff;
    const double release = autoOn ? env + (B - env) * releaseCoeff * autoFactor * rule.factor * autoScale
                                  : env + (B - env) * releaseCoeff;
    const double e = B > env ? attack : release;
    env = e < kEnvelopeFloor ? kEnvelopeFloor : e;
}

inline v2d finalStageGain(v2d env) { return env < 1.0 ? splat(1.0) : 1.0 / env; }

// The FAT resampler for both channels at once, with the coefficients and ring
// semantics of COversampler's 255-tap interpolator and decimator, kept as plain
// input histories. Several output samples are summed at the same time (each in
// its own accumulator, in the same tap order), which is where the speed comes from.
class FatResampler final : public StereoResampler {
public:
    static constexpr int kHalf = 127;
    static constexpr int kTerms = 64;
    static constexpr int kMaxBlock = kMaxBlockFrames;

    // Coefficients c[0..127] of the interpolator (up) and decimator (down).
    void setCoefficients(const double* up, const double* down);
    // The sums use the widest instruction set the processor has (AVX-512, AVX2, else the pair
    // code), up to `cap` and to the process-wide cap (capVectorIsaForProcess) as it is when the
    // coefficients are set; the narrower paths give the same results. Not while the resampler is
    // running in another thread.
    void capVectorIsa(VectorIsa cap);
    VectorIsa vectorIsa() const { return isa_; }
    void clear() override;
    void upsample(double* a, double* b, int n) override;
    void downsample(double* a, double* b, int n2) override;
    // While FAT is off: plain delays of 64 frames before and after the kernel.
    void delayIn(double* a, double* b, int n) override { delay(delayInRing_, delayInIndex_, a, b, n); }
    void delayOut(double* a, double* b, int n) override { delay(delayOutRing_, delayOutIndex_, a, b, n); }

private:
    static constexpr int kDelay = 64;
    // y = ring[k]; ring[k] = x; x = y, k advancing, in runs of consecutive slots.
    static void delay(double (&ring)[2][kDelay], int& index, double* a, double* b, int n) {
        int k = index;
        for (int done = 0; done < n;) {
            const int run = n - done < kDelay - k ? n - done : kDelay - k;
            swapRun(ring[0] + k, a + done, run);
            swapRun(ring[1] + k, b + done, run);
            done += run;
            k = (k + run) & (kDelay - 1);
        }
        index = k;
    }
    static void swapRun(double* __restrict slots, double* __restrict x, int n) {
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            double y[4];
            std::memcpy(y, slots + i, sizeof y);
            std::memcpy(slots + i, x + i, sizeof y);
            std::memcpy(x + i, y, sizeof y);
        }
        for (; i < n; ++i) {
            const double y = slots[i];
            slots[i] = x[i];
            x[i] = y;
        }
    }

    double delayInRing_[2][kDelay] = {};
    double delayOutRing_[2][kDelay] = {};
    int delayInIndex_ = 0, delayOutIndex_ = 0;
    // isa_ from the processor and the caps; the copies for AVX2 brought up to date.
    void selectIsa();

    VectorIsa cap_ = VectorIsa::kAvx512;
    VectorIsa isa_ = VectorIsa::kSse2;
    double cUp_[kHalf + 1] = {};
    double cDown_[kHalf + 1] = {};
    // Input history of the interpolator: the last 128 inputs, then the block.
    v2d upHist_[128 + kMaxBlock] = {};
    // History of the decimator: even (u0) and odd (u1) samples of the last 128 pairs, then the block.
    v2d downEven_[128 + kMaxBlock] = {};
    v2d downOdd_[128 + kMaxBlock] = {};
    // For the AVX2 sums: copies of upHist_ and downEven_ one pair of doubles out of step with them
    // (starting at index 0 or 1, see mirrorOf), so that every window of two frames is an aligned
    // load from one of the two. Kept up to date only while the AVX2 sums are in use.
    v2d upMirror_[128 + kMaxBlock + 1] = {};
    v2d downMirror_[128 + kMaxBlock + 1] = {};
};

}  // namespace dsp::simd

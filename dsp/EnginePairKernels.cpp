// The stereo kernels with both channels as the lanes of one pair, the hot state held in
// registers for the block.
//
// A block runs in stages, each over every sample: (1) dry ring, fixed filters, look-ahead (or
// band) rings and peak holds; (2) detectors and gains, and for multi-band then the final stage
// on the band sum; (3) ceiling, output ring and mix. Each ring is accessed by one stage alone, in
// sample order, and each stateful element is stepped in sample order, so the results are those
// of one pass over the samples; the short stages let the processor overlap many samples instead
// of waiting on the long chain within a sample. The stages hand their values on in the stage
// buffers of the engine (denormal offset, dry signal, delayed signals, detector levels, the
// signal after the gains and the gain applied).
#include "dsp/CEngine.h"
#include "dsp/EngineKernels.h"

namespace dsp {

using namespace simd;

template <Layout L, bool Multi>
struct CEngine::PairStages {
    static constexpr bool kLinked = L == Layout::Linked;
    // Smoothers: linked, one pair per detector (lanes fast, slow); unlinked, two pairs per
    // detector slot (fast A and B, slow A and B). Slots: low, mid, high, wide band / final stage.
    static constexpr int kSlots = Multi ? 4 : 1;
    static constexpr int kFirstSlot = Multi ? 0 : 3;

    CEngine& e;
    const KernelConstants& k;
    SubsonicLanes sub;
    CrossoverLanes low, high;
    SmootherLanes fast[kSlots], slow[kSlots];
    // Envelopes: lane 0 alone is used by the linked kernels.
    v2d envWide, envFinal, envBand[3];

    // The smoother states of slot s in the lanes of fast and slow (linked: fast holds the
    // detector's fast and slow smoother, slow is unused).
    struct SlotStates { SmootherState* fast[2]; SmootherState* slow[2]; };
    EMBERLINE_ALWAYS_INLINE SlotStates slotStates(int s) const {
        SmootherState* st = e.smoothState_;
        const int d = kFirstSlot + s;
        if (kLinked) return {{&st[2 * d], &st[2 * d + 1]}, {nullptr, nullptr}};
        return {{&st[2 * d], &st[kChannelBSmoothers + 2 * d]},
                {&st[2 * d + 1], &st[kChannelBSmoothers + 2 * d + 1]}};
    }

    EMBERLINE_ALWAYS_INLINE PairStages(CEngine& engine, const KernelConstants& constants)
        : e(engine), k(constants) {
        sub.load(e.subC_, e.subS_[0], e.subS_[1]);
        low.load(e.lowC_, e.lowS_[0], e.lowS_[1]);
        high.load(e.highC_, e.highS_[0], e.highS_[1]);
        for (int s = 0; s < kSlots; ++s) {
            const SlotStates st = slotStates(s);
            fast[s].load(*st.fast[0], *st.fast[1]);
            if (!kLinked) slow[s].load(*st.slow[0], *st.slow[1]);
        }
        envWide = v2d{e.envWide_[0], e.envWide_[1]};
        envFinal = v2d{e.envFinal_[0], e.envFinal_[1]};
        for (int b = 0; b < 3; ++b) envBand[b] = v2d{e.envBand_[0][b], e.envBand_[1][b]};
    }

    EMBERLINE_ALWAYS_INLINE void store() {
        sub.store(e.subS_[0], e.subS_[1]);
        low.store(e.lowS_[0], e.lowS_[1]);
        high.store(e.highS_[0], e.highS_[1]);
        for (int s = 0; s < kSlots; ++s) {
            const SlotStates st = slotStates(s);
            fast[s].store(*st.fast[0], *st.fast[1]);
            if (!kLinked) slow[s].store(*st.slow[0], *st.slow[1]);
        }
        const int channels = kLinked ? 1 : 2;
        for (int c = 0; c < channels; ++c) {
            e.envWide_[c] = envWide[c];
            e.envFinal_[c] = envFinal[c];
            for (int b = 0; b < 3; ++b) e.envBand_[c][b] = envBand[b][c];
        }
    }

    // One detector step: window maximum(s) already taken, B per lane (linked: lane 0).
    // The follower state is updated in env.
    EMBERLINE_ALWAYS_INLINE void detect(int slot, v2d B, v2d& env, double attackCoeff, double releaseCoeff,
                                        const FollowerRule& rule, double scale) {
        if constexpr (kLinked) {
            const v2d c = fast[slot].step(splat(B[0]));
            const double autoFactor = k.autoOn ? autoReleaseFactor(c[0], c[1], rule) : 0.0;
            double env0 = env[0];
            simd::followerStep(B[0], env0, attackCoeff, releaseCoeff, k.autoOn, autoFactor, rule, scale);
            env[0] = env0;
        } else {
            const v2d c1 = fast[slot].step(B);
            const v2d c2 = slow[slot].step(B);
            simd::followerStep(B, env, attackCoeff, releaseCoeff, k.autoOn, c1, c2, rule, scale);
        }
    }

    // Detector level of a pair of magnitudes from their peak hold(s): linked, the larger one's
    // window maximum in both lanes.
    template <class Hold>
    EMBERLINE_ALWAYS_INLINE static v2d level(Hold* holds, int w, int r, int mask, v2d mag, double off) {
        v2d B;
        if constexpr (kLinked) {
            const double v = mag[0] < mag[1] ? mag[1] : mag[0];
            B = splat(holds[0].step(w, r, mask, v) + kDetectorFloor + off);
        } else {
            B[0] = holds[0].step(w, r, mask, mag[0]) + kDetectorFloor + off;
            B[1] = holds[1].step(w, r, mask, mag[1]) + kDetectorFloor + off;
        }
        return B;
    }

    static constexpr int kHoldLanes = kLinked ? 1 : 2;   // peak holds per detector (linked: lane 0's)
    static constexpr int kDetectors = Multi ? 3 : 1;

    // The peak hold of detector d (wide band, or band d) for lane c.
    PeakHold& inputHold(int d, int c) const { return Multi ? e.bandHold_[d][c] : e.wideHold_[c]; }

    // Whether every peak hold of stage 1 continues in the fast mode at the block's positions.
    bool inputHoldsFast() const {
        const int m1 = e.s1_ - 1;
        bool fast = true;
        for (int d = 0; d < kDetectors; ++d)
            for (int c = 0; c < kHoldLanes; ++c) fast = fast && inputHold(d, c).continuesFast(e.w1_, e.r1_, m1);
        return fast;
    }

    // Stage 1: advances w1, r1, w2 and the denormal offset by n samples.
    EMBERLINE_ALWAYS_INLINE void input(int n) {
        if (inputHoldsFast())
            input<true>(n);
        else
            input<false>(n);
    }

    template <bool FastHolds>
    EMBERLINE_ALWAYS_INLINE void input(int n) {
        const int m1 = e.s1_ - 1, m2 = e.s2_ - 1;
        int w1 = e.w1_, r1 = e.r1_, w2 = e.w2_;
        typedef BlockHold<FastHolds> Hold;
        Hold holds[3][2] = {{Hold(inputHold(0, 0)), Hold(inputHold(0, 1))},
                            {Hold(inputHold(1, 0)), Hold(inputHold(1, 1))},
                            {Hold(inputHold(2, 0)), Hold(inputHold(2, 1))}};
        double off = e.denormalOffset_;
        const double* ia = e.inBuf_[0];
        const double* ib = e.inBuf_[1];
        v2d* const dryRing = e.dryRing_;
        v2d* const look = e.lookAheadRing_;
        for (int i = 0; i < n; ++i) {
            off = -off;
            e.stageOff_[i] = off;
            const v2d offv = splat(off);
            const v2d in = v2d{ia[i], ib[i]};
            dryRing[w2] = in + offv;
            w2 = (w2 + 1) & m2;
            e.stageDry_[i] = dryRing[w2];
            const v2d x = sub.step(in, offv);
            const v2d lp = high.step(x, offv);
            const v2d hp = low.step(x, offv);
            if constexpr (!Multi) {
                const v2d xa = x + k.lowAdjustM1 * (x - hp) + k.highAdjustM1 * (x - lp);
                look[w1] = xa;
                e.stageDelayed_[0][i] = look[r1];
                e.stageLevel_[0][i] = level(holds[0], w1, r1, m1, vabs(xa) * kDetectorMargin, off);
            } else {
                const v2d band[3] = {(x - hp) * k.lowAdjust, hp - (x - lp), (x - lp) * k.highAdjust};
                EMBERLINE_UNROLL(3) for (int b = 0; b < 3; ++b) {
                    v2d* ring = e.bandRing_ + b * e.s1Max_;
                    ring[w1] = band[b];
                    e.stageDelayed_[b][i] = ring[r1];
                    e.stageLevel_[b][i] = level(holds[b], w1, r1, m1, vabs(band[b]), off);
                }
            }
            w1 = (w1 + 1) & m1;
            r1 = (r1 + 1) & m1;
        }
        if (n > 0)
            for (int d = 0; d < kDetectors; ++d)
                for (int c = 0; c < kHoldLanes; ++c) holds[d][c].finish(n, (w1 - 1) & m1, (r1 - 1) & m1);
        e.w1_ = w1;
        e.r1_ = r1;
        e.w2_ = w2;
        e.denormalOffset_ = off;
    }

    // Stage 2, single-band: the signal after the gain (stageY) and the gain (stageGain, for the meters).
    EMBERLINE_ALWAYS_INLINE void wideGains(int n) {
        const TimeConstants& tc = k.tc;
        for (int i = 0; i < n; ++i) {
            detect(0, e.stageLevel_[0][i], envWide, tc.attackCoeff, tc.releaseCoeff, kWideBandRule, k.autoScale);
            v2d gain;
            if constexpr (kLinked)
                gain = splat(k.wideGain(envWide[0]));
            else
                gain = wideBandGain(envWide, k.driveGain, k.curveInputScale, k.kneeType, k.kneeAmount, k.kneeA);
            v2d y = e.stageDelayed_[0][i] * gain;
            if (k.brickwall) y = clampUnit(y);
            e.stageY_[i] = y;
            e.stageGain_[i] = gain;
        }
    }

    // The gains of the three bands (t) applied to the delayed bands of sample s: their sum in
    // stageY and their smallest gain in stageGain.
    EMBERLINE_ALWAYS_INLINE void sumBands(int s, const v2d t[3]) {
        v2d sum, minGain;
        EMBERLINE_UNROLL(3) for (int b = 0; b < 3; ++b) {
            const v2d o = e.stageDelayed_[b][s] * t[b];
            if (b == 0) {
                sum = o;
                minGain = t[b];
            } else {
                sum = sum + o;
                minGain = vmin(minGain, t[b]);
            }
        }
        e.stageY_[s] = sum;
        e.stageGain_[s] = minGain;
    }

    // Stage 2, unlinked multi-band: per band the follower and the gain, then the band sum.
    EMBERLINE_ALWAYS_INLINE void bandGains(int n) {
        const TimeConstants& tc = k.tc;
        for (int i = 0; i < n; ++i) {
            v2d t[3];
            EMBERLINE_UNROLL(3) for (int b = 0; b < 3; ++b) {
                detect(b, e.stageLevel_[b][i], envBand[b], tc.attackCoeff, tc.bandReleaseCoeff[b], kBandRule, 1.0);
                t[b] = bandGain(envBand[b], k.driveGain, k.satGain[b], k.satInverse[b], k.curveInputScale,
                                      k.kneeType, k.kneeAmount, k.kneeA);
            }
            sumBands(i, t);
        }
    }

    // Stage 2, linked multi-band: the band followers first, then the band gains of two samples at
    // a time (a sample per lane; an odd last sample takes both lanes).
    EMBERLINE_ALWAYS_INLINE void linkedBandGains(int n) {
        const TimeConstants& tc = k.tc;
        for (int i = 0; i < n; ++i) {
            EMBERLINE_UNROLL(3) for (int b = 0; b < 3; ++b) {
                detect(b, e.stageLevel_[b][i], envBand[b], tc.attackCoeff, tc.bandReleaseCoeff[b], kBandRule, 1.0);
                e.stageEnv_[b][i] = envBand[b][0];
            }
        }
        for (int i = 0; i < n; i += 2) {
            const int j = i + 1 < n ? i + 1 : i;
            v2d t[3];
            EMBERLINE_UNROLL(3) for (int b = 0; b < 3; ++b)
                t[b] = bandGain(v2d{e.stageEnv_[b][i], e.stageEnv_[b][j]}, k.driveGain, k.satGain[b],
                                      k.satInverse[b], k.curveInputScale, k.kneeType, k.kneeAmount, k.kneeA);
            for (int lane = 0; lane < 2; ++lane) {
                const v2d tl[3] = {splat(t[0][lane]), splat(t[1][lane]), splat(t[2][lane])};
                sumBands(lane == 0 ? i : j, tl);
            }
        }
    }

    // Stage 2, multi-band: the final stage on the sum of the bands, as a pass of its own, from the
    // look-ahead write slot w1 and read slot r3 at the block's start.
    EMBERLINE_ALWAYS_INLINE void finalStage(int n, int w1, int r3) {
        const int m1 = e.s1_ - 1;
        bool fast = true;
        for (int c = 0; c < kHoldLanes; ++c) fast = fast && e.finalHold_[c].continuesFast(w1, r3, m1);
        if (fast)
            finalStage<true>(n, w1, r3);
        else
            finalStage<false>(n, w1, r3);
    }

    template <bool FastHolds>
    EMBERLINE_ALWAYS_INLINE void finalStage(int n, int w1, int r3) {
        const int m1 = e.s1_ - 1;
        const TimeConstants& tc = k.tc;
        v2d* const look = e.lookAheadRing_;
        typedef BlockHold<FastHolds> Hold;
        Hold holds[2] = {Hold(e.finalHold_[0]), Hold(e.finalHold_[1])};
        for (int i = 0; i < n; ++i) {
            const v2d sum = e.stageY_[i];
            v2d minGain = e.stageGain_[i];
            look[w1] = sum;
            const v2d det = vabs(sum) * kDetectorMargin;
            v2d peakValue;
            if constexpr (kLinked) {
                const double v = det[0] < det[1] ? det[1] : det[0];
                peakValue[0] = holds[0].step(w1, r3, m1, v);
                peakValue[1] = peakValue[0];  // one detector for both channels
            } else {
                peakValue[0] = holds[0].step(w1, r3, m1, det[0]);
                peakValue[1] = holds[1].step(w1, r3, m1, det[1]);
            }
            v2d y = look[r3];
            if (k.brickwall) {
                const v2d B = peakValue + kDetectorFloor + splat(e.stageOff_[i]);
                detect(3, B, envFinal, tc.limiterAttackCoeff, tc.limiterReleaseCoeff, kFinalStageRule, 1.0);
                v2d g;
                if constexpr (kLinked)
                    g = splat(dsp::finalStageGain(envFinal[0]));
                else
                    g = simd::finalStageGain(envFinal);
                y = clampUnit(y * g);
                minGain = minGain * g;
            }
            e.stageY_[i] = y;
            e.stageGain_[i] = minGain;
            w1 = (w1 + 1) & m1;
            r3 = (r3 + 1) & m1;
        }
        if (n > 0)
            for (int c = 0; c < kHoldLanes; ++c) holds[c].finish(n, (w1 - 1) & m1, (r3 - 1) & m1);
    }

    // Stage 3: ceiling, output ring from the write slot w2 at the block's start, mix and output
    // gain, meter values; advances r2.
    EMBERLINE_ALWAYS_INLINE void output(int n, int w2, bool meters) {
        const int m2 = e.s2_ - 1;
        int r2 = e.r2_;
        const double* ia = e.inBuf_[0];
        const double* ib = e.inBuf_[1];
        double* oa = e.outBuf_[0];
        double* ob = e.outBuf_[1];
        v2d* const outRing = e.outputRing_;
        const double ceilingGain = k.ceilingGain, outputGain = k.outputGain, mix = k.mix;
        for (int i = 0; i < n; ++i) {
            outRing[w2] = e.stageY_[i] * ceilingGain;
            const v2d wet = outRing[r2];
            r2 = (r2 + 1) & m2;
            w2 = (w2 + 1) & m2;
            const v2d dry = e.stageDry_[i];
            const v2d out = outputGain * (k.fullMix ? wet : dry + mix * (wet - dry));
            oa[i] = out[0];
            ob[i] = out[1];
            if (meters) {
                const v2d g = e.stageGain_[i] * ceilingGain;
                e.meterIn_[0][i] = ia[i];
                e.meterIn_[1][i] = ib[i];
                e.meterGain_[0][i] = g[0];
                e.meterGain_[1][i] = g[1];
            }
        }
        e.r2_ = r2;
    }
};

template <Layout L, bool Multi>
void CEngine::pairKernel(int n, bool meters) {
    withVectorIsa(isa_, [&]() EMBERLINE_INLINE_LAMBDA { pairKernelBody<L, Multi>(n, meters); });
}

template <Layout L, bool Multi>
EMBERLINE_ALWAYS_INLINE void CEngine::pairKernelBody(int n, bool meters) {
    static_assert(L != Layout::Mono, "the pair kernels process both channels");
    const KernelConstants k = kernelConstants(L == Layout::Linked && !Multi);
    const int w1 = w1_, r3 = r3_, w2 = w2_;   // the positions at the block's start
    PairStages<L, Multi> stages(*this, k);
    stages.input(n);
    if constexpr (!Multi)
        stages.wideGains(n);
    else if constexpr (L == Layout::Linked)
        stages.linkedBandGains(n);
    else
        stages.bandGains(n);
    if constexpr (Multi) stages.finalStage(n, w1, r3);
    stages.output(n, w2, meters);
    stages.store();
    r3_ = (r3 + n) & (s1_ - 1);   // stepped by the final stage in the multi-band kernels only
}

template void CEngine::pairKernel<Layout::Linked, false>(int, bool);
template void CEngine::pairKernel<Layout::Linked, true>(int, bool);
template void CEngine::pairKernel<Layout::Unlinked, false>(int, bool);
template void CEngine::pairKernel<Layout::Unlinked, true>(int, bool);

}  // namespace dsp

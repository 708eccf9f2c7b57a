// The bypass kernel and the mono kernels: one processed channel, routed by L R; the other
// channel (with L or R) passes through the dry ring.
//
// A mono block runs in stages, each over every sample, as the pair kernels do: (1) dry ring, fixed
// filters, look-ahead (or band) rings and peak holds; then the detectors, gains, final stage,
// output ring and mix (single-band: one stage; multi-band: the band detectors and gains, then the
// final stage with the output). Each ring is accessed by one stage alone, in sample order, and
// each stateful element is stepped in sample order, so the results are those of one pass over the
// samples; the short stages let the processor overlap the recurrences of many samples.
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "dsp/CEngine.h"
#include "dsp/EngineKernels.h"

namespace dsp {

void CEngine::bypassKernel(int n, bool meters) {
    const int m1 = s1_ - 1, m2 = s2_ - 1;
    int w2 = w2_, r2 = r2_;
    double off = denormalOffset_;
    const double* ia = inBuf_[0];
    const double* ib = inBuf_[1];
    double* oa = outBuf_[0];
    double* ob = outBuf_[1];
    const double unity = cc_.smallSignalGain;   // reads as a gain reduction of 1.0
    for (int i = 0; i < n; ++i) {
        off = -off;
        const double a = ia[i] + off, b = ib[i] + off;
        dryRing_[w2] = v2d{a, b};
        w2 = (w2 + 1) & m2;
        r2 = (r2 + 1) & m2;
        const v2d d = dryRing_[w2];
        oa[i] = d[0];
        ob[i] = d[1];
        if (meters) {
            meterIn_[0][i] = ia[i];
            meterIn_[1][i] = ib[i];
            meterGain_[0][i] = unity;
            meterGain_[1][i] = unity;
        }
    }
    w2_ = w2;
    r2_ = r2;
    w1_ = (w1_ + n) & m1;
    r1_ = (r1_ + n) & m1;
    r3_ = (r3_ + n) & m1;
    denormalOffset_ = off;
}

// The stages of a mono block, on the block's local copies of the processed channel's filter,
// smoother and envelope states (kept in registers, so that no ring store can be taken to change
// them), and the routing of the results. The processed channel uses lane 0 of the rings and
// channel A's state; the two crossovers run as the lanes of one pair (lane 0 the high crossover's
// low-pass, lane 1 the low crossover's high-pass), and each detector's fast and slow smoother too.
struct CEngine::MonoSteps {
    CEngine& e;
    const KernelConstants& k;
    const int m1;
    SubsonicCoeffs subC;
    SubsonicState sub;
    simd::CrossoverLanes cross;
    simd::SmootherLanes smooth[4];   // low, mid, high, wide band / final stage
    double envWide, envFinal, envBand[3];

    MonoSteps(CEngine& engine, const KernelConstants& constants)
        : e(engine), k(constants), m1(engine.s1_ - 1), subC(engine.subC_), sub(engine.subS_[0]),
          envWide(engine.envWide_[0]), envFinal(engine.envFinal_[0]),
          envBand{engine.envBand_[0][0], engine.envBand_[0][1], engine.envBand_[0][2]} {
        cross.b0 = v2d{e.highC_.b0, e.lowC_.b0};
        cross.b1 = v2d{e.highC_.b1, e.lowC_.b1};
        cross.a1 = v2d{e.highC_.a1, e.lowC_.a1};
        cross.a2 = v2d{e.highC_.a2, e.lowC_.a2};
        cross.w1 = v2d{e.highS_[0].w1, e.lowS_[0].w1};
        cross.w2 = v2d{e.highS_[0].w2, e.lowS_[0].w2};
        for (int s = 0; s < 4; ++s) smooth[s].load(e.smoothState_[2 * s], e.smoothState_[2 * s + 1]);
    }

    // Writes the states back to the engine.
    void store() {
        e.subS_[0] = sub;
        cross.store(e.highS_[0], e.lowS_[0]);
        for (int s = 0; s < 4; ++s) smooth[s].store(e.smoothState_[2 * s], e.smoothState_[2 * s + 1]);
        e.envWide_[0] = envWide;
        e.envFinal_[0] = envFinal;
        for (int b = 0; b < 3; ++b) e.envBand_[0][b] = envBand[b];
    }

    // One detector: its smoothers step on B, its follower on B (Auto from the smoothers).
    template <bool Auto>
    EMBERLINE_ALWAYS_INLINE void detect(int slot, double B, double& env, double attackCoeff, double releaseCoeff,
                                        const FollowerRule& rule) {
        const v2d c = smooth[slot].step(simd::splat(B));
        const double autoFactor = Auto ? simd::autoReleaseFactor(c[0], c[1], rule) : 0.0;
        simd::followerStep(B, env, attackCoeff, releaseCoeff, Auto, autoFactor, rule, 1.0);
    }

    // Subsonic filter and both crossovers: returns x, sets the crossovers' outputs.
    EMBERLINE_ALWAYS_INLINE double filters(double in, double off, double& lp, double& hp) {
        const double x = stepSubsonic(subC, sub, in, off);
        const v2d c = cross.step(simd::splat(x), simd::splat(off));
        lp = c[0];
        hp = c[1];
        return x;
    }

    // The block buffers the multi-band stages hand their values on in: per band the delayed band
    // and its detector level, and the band sum with the smallest band gain.
    double* delayedBand(int b) const { return reinterpret_cast<double*>(e.stageDelayed_[b]); }
    double* bandLevel(int b) const { return reinterpret_cast<double*>(e.stageLevel_[b]); }
    double* bandSum() const { return e.stageEnv_[0]; }
    double* bandMinGain() const { return e.stageEnv_[1]; }

    // Multi-band stage 1: subsonic filter, dry ring, crossovers, band split, band rings and peak
    // holds; hands on the denormal offset, the dry pair, and per band the delayed band and the level.
    template <class Hold>
    EMBERLINE_ALWAYS_INLINE void bandInput(Hold* holds, int n, const double* procIn, const double* passIn, int& w1,
                                           int& r1, int& w2, double& off) {
        const int m2 = e.s2_ - 1;
        v2d* const dryRing = e.dryRing_;
        v2d* const dryOut = e.stageDry_;
        double* const offOut = e.stageOff_;
        v2d* const rings[3] = {e.bandRing_, e.bandRing_ + e.s1Max_, e.bandRing_ + 2 * e.s1Max_};
        double* const delayed[3] = {delayedBand(0), delayedBand(1), delayedBand(2)};
        double* const level[3] = {bandLevel(0), bandLevel(1), bandLevel(2)};
        const double lowAdjust = k.lowAdjust, highAdjust = k.highAdjust;
        for (int i = 0; i < n; ++i) {
            off = -off;
            offOut[i] = off;
            const double in = procIn[i];
            double lp, hp;
            const double x = filters(in, off, lp, hp);
            dryRing[w2] = v2d{in + off, passIn[i] + off};
            w2 = (w2 + 1) & m2;
            dryOut[i] = dryRing[w2];
            const double band[3] = {(x - hp) * lowAdjust, hp - (x - lp), (x - lp) * highAdjust};
            EMBERLINE_UNROLL(3) for (int b = 0; b < 3; ++b) {
                rings[b][w1][0] = band[b];
                delayed[b][i] = rings[b][r1][0];
                level[b][i] = holds[b].step(w1, r1, m1, std::fabs(band[b])) + kDetectorFloor + off;
            }
            w1 = (w1 + 1) & m1;
            r1 = (r1 + 1) & m1;
        }
    }

    // Multi-band stage 2: the band detectors and gains, the sum of the gained bands and their
    // smallest gain.
    template <bool Auto>
    EMBERLINE_ALWAYS_INLINE void bandGains(int n) {
        const double* const delayed[3] = {delayedBand(0), delayedBand(1), delayedBand(2)};
        const double* const level[3] = {bandLevel(0), bandLevel(1), bandLevel(2)};
        double* const sumOut = bandSum();
        double* const gainOut = bandMinGain();
        for (int i = 0; i < n; ++i) {
            double sum = 0.0, minGain = 0.0;
            EMBERLINE_UNROLL(3) for (int b = 0; b < 3; ++b) {
                detect<Auto>(b, level[b][i], envBand[b], k.tc.attackCoeff, k.tc.bandReleaseCoeff[b], kBandRule);
                const double tb = k.bandGainOf(b, envBand[b]);
                const double o = delayed[b][i] * tb;
                sum = b == 0 ? o : sum + o;
                minGain = b == 0 ? tb : std::min(minGain, tb);
            }
            sumOut[i] = sum;
            gainOut[i] = minGain;
        }
    }

    // Multi-band stage 3: the final stage on the band sum (look-ahead ring from write slot w1 and
    // read slot r3 at the block's start), ceiling, output ring, mix and routing; advances r2.
    template <bool Auto, class Hold>
    EMBERLINE_ALWAYS_INLINE void finalOutput(Hold& hold, int n, const double* procIn, const double* passIn, int w1,
                                             int r3, int w2, int& r2, ChannelRouting routing, int procLane,
                                             bool meters) {
        const int m2 = e.s2_ - 1;
        v2d* const look = e.lookAheadRing_;
        v2d* const outRing = e.outputRing_;
        const v2d* const dryIn = e.stageDry_;
        const double* const offIn = e.stageOff_;
        const double* const sumIn = bandSum();
        const double* const gainIn = bandMinGain();
        for (int i = 0; i < n; ++i) {
            const double sum = sumIn[i];
            double minGain = gainIn[i];
            look[w1][0] = sum;
            const double peak = hold.step(w1, r3, m1, std::fabs(sum) * kDetectorMargin);
            double y = look[r3][0];
            if (k.brickwall) {
                const double B = peak + kDetectorFloor + offIn[i];
                detect<Auto>(3, B, envFinal, k.tc.limiterAttackCoeff, k.tc.limiterReleaseCoeff, kFinalStageRule);
                const double g = finalStageGain(envFinal);
                y = clampUnit(y * g);
                minGain *= g;
            }
            outRing[w2][0] = y * k.ceilingGain;
            const double wet = outRing[r2][0];
            r2 = (r2 + 1) & m2;
            w2 = (w2 + 1) & m2;
            const v2d dry = dryIn[i];
            route(i, k.mixed(dry[0], wet), dry[1], procIn[i], passIn[i], minGain, routing, procLane, meters);
            w1 = (w1 + 1) & m1;
            r3 = (r3 + 1) & m1;
        }
    }

    // Single-band stage 1: subsonic filter, dry ring, crossovers, tone adjustment, look-ahead ring and
    // peak hold; hands on the dry pair, the delayed signal and the detector level of each sample.
    template <class Hold>
    EMBERLINE_ALWAYS_INLINE void wideInput(Hold& hold, int n, const double* procIn, const double* passIn, int& w1,
                                           int& r1, int& w2, double& off) {
        const int m2 = e.s2_ - 1;
        v2d* const dryRing = e.dryRing_;
        v2d* const look = e.lookAheadRing_;
        v2d* const dryOut = e.stageDry_;
        double* const delayed = e.stageEnv_[0];
        double* const level = e.stageEnv_[1];
        const double lowAdjustM1 = k.lowAdjustM1, highAdjustM1 = k.highAdjustM1;
        for (int i = 0; i < n; ++i) {
            off = -off;
            double lp, hp;
            const double x = filters(procIn[i], off, lp, hp);
            dryRing[w2] = v2d{x, passIn[i] + off};   // the dry share of the mix is high-passed too
            w2 = (w2 + 1) & m2;
            dryOut[i] = dryRing[w2];
            const double xa = x + lowAdjustM1 * (x - hp) + highAdjustM1 * (x - lp);
            look[w1][0] = xa;
            delayed[i] = look[r1][0];
            level[i] = hold.step(w1, r1, m1, std::fabs(xa) * kDetectorMargin) + kDetectorFloor + off;
            w1 = (w1 + 1) & m1;
            r1 = (r1 + 1) & m1;
        }
    }

    // Single-band stage 2: detector, gain, ceiling, output ring, mix and routing, from write slot w2
    // at the block's start; advances r2.
    template <bool Auto>
    EMBERLINE_ALWAYS_INLINE void wideOutput(int n, const double* procIn, const double* passIn, int w2, int& r2,
                                            ChannelRouting routing, int procLane, bool meters) {
        const int m2 = e.s2_ - 1;
        v2d* const outRing = e.outputRing_;
        const v2d* const dryIn = e.stageDry_;
        const double* const delayed = e.stageEnv_[0];
        const double* const level = e.stageEnv_[1];
        const double ceilingGain = k.ceilingGain;
        for (int i = 0; i < n; ++i) {
            detect<Auto>(3, level[i], envWide, k.tc.attackCoeff, k.tc.releaseCoeff, kWideBandRule);
            const double gain = k.wideGain(envWide);
            double y = delayed[i] * gain;
            if (k.brickwall) y = clampUnit(y);
            outRing[w2][0] = y * ceilingGain;
            const double wet = outRing[r2][0];
            r2 = (r2 + 1) & m2;
            w2 = (w2 + 1) & m2;
            const v2d dry = dryIn[i];
            route(i, k.mixed(dry[0], wet), dry[1], procIn[i], passIn[i], gain, routing, procLane, meters);
        }
    }

    // Outputs and meter values of sample i: the processed output on both channels (Mono) or on its
    // own channel, with the pass-through channel's delayed dry signal times outputGain on the other.
    EMBERLINE_ALWAYS_INLINE void route(int i, double out, double passDry, double in, double pass, double gain,
                                       ChannelRouting routing, int procLane, bool meters) {
        double* outA = e.outBuf_[0];
        double* outB = e.outBuf_[1];
        if (routing == ChannelRouting::Mono) {
            outA[i] = out;
            outB[i] = out;
        } else {
            const double passOut = k.outputGain * passDry;
            if (procLane == 0) {
                outA[i] = out;
                outB[i] = passOut;
            } else {
                outA[i] = passOut;
                outB[i] = out;
            }
        }
        if (!meters) return;
        const double procGain = gain * k.ceilingGain;
        if (routing == ChannelRouting::Mono) {
            e.meterIn_[0][i] = e.meterIn_[1][i] = in;
            e.meterGain_[0][i] = e.meterGain_[1][i] = procGain;
        } else {
            e.meterIn_[procLane][i] = in;
            e.meterGain_[procLane][i] = procGain;
            e.meterIn_[1 - procLane][i] = pass;
            e.meterGain_[1 - procLane][i] = e.cc_.smallSignalGain;
        }
    }
};

template <bool Multi>
void CEngine::monoKernel(int n, bool meters) {
    simd::withVectorIsa(isa_, [&]() EMBERLINE_INLINE_LAMBDA { monoKernelBody<Multi>(n, meters); });
}

template <bool Multi>
EMBERLINE_ALWAYS_INLINE void CEngine::monoKernelBody(int n, bool meters) {
    const KernelConstants k = kernelConstants(false);
    const int m1 = s1_ - 1;
    MonoSteps steps(*this, k);
    const int w1Start = w1_, r1Start = r1_, r3Start = r3_, w2Start = w2_;
    int w1 = w1_, r1 = r1_, w2 = w2_, r2 = r2_;
    double off = denormalOffset_;

    const ChannelRouting routing = params.routing;
    const int procLane = routing == ChannelRouting::Right ? 1 : 0;
    const double* procIn = inBuf_[procLane];
    const double* passIn = routing == ChannelRouting::Mono ? inBuf_[0] : inBuf_[1 - procLane];

    // Stage 1, with the peak holds' fast-mode steps when every hold continues in it.
    bool fast = true;
    for (int b = 0; b < (Multi ? 3 : 1); ++b) {
        PeakHold& hold = Multi ? bandHold_[b][0] : wideHold_[0];
        fast = fast && hold.continuesFast(w1Start, r1Start, m1);
    }
    auto input = [&](auto fastHolds) EMBERLINE_INLINE_LAMBDA {
        typedef BlockHold<decltype(fastHolds)::value> Hold;
        if constexpr (!Multi) {
            Hold hold(wideHold_[0]);
            steps.wideInput(hold, n, procIn, passIn, w1, r1, w2, off);
            if (n > 0) hold.finish(n, (w1 - 1) & m1, (r1 - 1) & m1);
        } else {
            Hold holds[3] = {Hold(bandHold_[0][0]), Hold(bandHold_[1][0]), Hold(bandHold_[2][0])};
            steps.bandInput(holds, n, procIn, passIn, w1, r1, w2, off);
            if (n > 0)
                for (int b = 0; b < 3; ++b) holds[b].finish(n, (w1 - 1) & m1, (r1 - 1) & m1);
        }
    };
    if (fast)
        input(std::true_type{});
    else
        input(std::false_type{});

    // The detectors, gains and output, Auto chosen for the block.
    auto output = [&](auto autoOn) EMBERLINE_INLINE_LAMBDA {
        constexpr bool kAuto = decltype(autoOn)::value;
        if constexpr (!Multi) {
            steps.template wideOutput<kAuto>(n, procIn, passIn, w2Start, r2, routing, procLane, meters);
        } else {
            steps.template bandGains<kAuto>(n);
            auto finalPass = [&](auto fastHold) EMBERLINE_INLINE_LAMBDA {
                BlockHold<decltype(fastHold)::value> hold(finalHold_[0]);
                steps.template finalOutput<kAuto>(hold, n, procIn, passIn, w1Start, r3Start, w2Start, r2, routing,
                                                  procLane, meters);
                if (n > 0) hold.finish(n, (w1Start + n - 1) & m1, (r3Start + n - 1) & m1);
            };
            if (finalHold_[0].continuesFast(w1Start, r3Start, m1))
                finalPass(std::true_type{});
            else
                finalPass(std::false_type{});
        }
    };
    if (k.autoOn)
        output(std::true_type{});
    else
        output(std::false_type{});

    steps.store();
    keepPositions(w1, r1, (r3Start + n) & m1, w2, r2, off);
}

template void CEngine::monoKernel<false>(int, bool);
template void CEngine::monoKernel<true>(int, bool);

}  // namespace dsp

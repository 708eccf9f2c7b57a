// The bypass kernel and the mono kernels: one processed channel, routed by L R, sample by
// sample; the other channel (with L or R) passes through the dry ring.
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

// The steps of one mono sample, on the block's local copies of the processed channel's filter,
// smoother and envelope states (kept in registers, so that no ring store can be taken to change
// them), and the routing of the result. The processed channel uses lane 0 of the rings and
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

    // Tone adjustment, look-ahead ring, wide-band detector and gain: returns y, sets gain.
    template <bool Auto, class Hold>
    EMBERLINE_ALWAYS_INLINE double wideBand(Hold& hold, double x, double lp, double hp, double off, int w1, int r1,
                                            double& gain) {
        const double xa = x + k.lowAdjustM1 * (x - hp) + k.highAdjustM1 * (x - lp);
        e.lookAheadRing_[w1][0] = xa;
        const double det = std::fabs(xa) * kDetectorMargin;
        const double B = hold.step(w1, r1, m1, det) + kDetectorFloor + off;
        detect<Auto>(3, B, envWide, k.tc.attackCoeff, k.tc.releaseCoeff, kWideBandRule);
        gain = k.wideGain(envWide);
        double y = e.lookAheadRing_[r1][0] * gain;
        if (k.brickwall) y = clampUnit(y);
        return y;
    }

    // Band split, band rings, detectors and gains, their sum and the final stage on it: returns y,
    // sets gain to the smallest band gain (times the final stage's gain when it runs).
    template <bool Auto, class Hold>
    EMBERLINE_ALWAYS_INLINE double multiBand(Hold* bandHolds, Hold& finalHold, double x, double lp, double hp,
                                             double off, int w1, int r1, int r3, double& gain) {
        const double band[3] = {(x - hp) * k.lowAdjust, hp - (x - lp), (x - lp) * k.highAdjust};
        double sum = 0.0, minGain = 0.0;
        for (int b = 0; b < 3; ++b) {
            v2d* ring = e.bandRing_ + b * e.s1Max_;
            ring[w1][0] = band[b];
            const double B = bandHolds[b].step(w1, r1, m1, std::fabs(band[b])) + kDetectorFloor + off;
            detect<Auto>(b, B, envBand[b], k.tc.attackCoeff, k.tc.bandReleaseCoeff[b], kBandRule);
            const double tb = k.bandGainOf(b, envBand[b]);
            const double o = ring[r1][0] * tb;
            sum = b == 0 ? o : sum + o;
            minGain = b == 0 ? tb : std::min(minGain, tb);
        }
        e.lookAheadRing_[w1][0] = sum;
        const double peak = finalHold.step(w1, r3, m1, std::fabs(sum) * kDetectorMargin);
        double y = e.lookAheadRing_[r3][0];
        if (k.brickwall) {
            const double B = peak + kDetectorFloor + off;
            detect<Auto>(3, B, envFinal, k.tc.limiterAttackCoeff, k.tc.limiterReleaseCoeff, kFinalStageRule);
            const double g = finalStageGain(envFinal);
            y = clampUnit(y * g);
            minGain *= g;
        }
        gain = minGain;
        return y;
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
    const KernelConstants k = kernelConstants(false);
    const int m1 = s1_ - 1, m2 = s2_ - 1;
    MonoSteps steps(*this, k);
    const int w1Start = w1_, r1Start = r1_, r3Start = r3_;
    int w1 = w1_, r1 = r1_, r3 = r3_, w2 = w2_, r2 = r2_;
    double off = denormalOffset_;

    const ChannelRouting routing = params.routing;
    const int procLane = routing == ChannelRouting::Right ? 1 : 0;
    const double* procIn = inBuf_[procLane];
    const double* passIn = routing == ChannelRouting::Mono ? inBuf_[0] : inBuf_[1 - procLane];
    v2d* const dryRing = dryRing_;
    v2d* const outRing = outputRing_;

    // The samples of the block, with the peak holds' fast-mode steps when every hold continues in it.
    auto run = [&](auto fastHolds, auto autoOn) {
        typedef BlockHold<decltype(fastHolds)::value> Hold;
        constexpr bool kAuto = decltype(autoOn)::value;
        Hold wide(wideHold_[0]), finalStage(finalHold_[0]);
        Hold bands[3] = {Hold(bandHold_[0][0]), Hold(bandHold_[1][0]), Hold(bandHold_[2][0])};
        for (int i = 0; i < n; ++i) {
            off = -off;
            const double in = procIn[i];
            const double pass = passIn[i];
            double lp, hp;
            const double x = steps.filters(in, off, lp, hp);
            double gain, y;
            if constexpr (!Multi) {
                dryRing[w2] = v2d{x, pass + off};   // the dry share of the mix is high-passed too
                y = steps.template wideBand<kAuto>(wide, x, lp, hp, off, w1, r1, gain);
            } else {
                dryRing[w2] = v2d{in + off, pass + off};
                y = steps.template multiBand<kAuto>(bands, finalStage, x, lp, hp, off, w1, r1, r3, gain);
            }

            // Ceiling, output ring, dry/wet mix and output gain.
            outRing[w2][0] = y * k.ceilingGain;
            const double wet = outRing[r2][0];
            r2 = (r2 + 1) & m2;
            w2 = (w2 + 1) & m2;
            const v2d dry = dryRing[w2];
            steps.route(i, k.mixed(dry[0], wet), dry[1], in, pass, gain, routing, procLane, meters);

            w1 = (w1 + 1) & m1;
            r1 = (r1 + 1) & m1;
            r3 = (r3 + 1) & m1;
        }
        if (n <= 0) return;
        const int wLast = (w1 - 1) & m1, rLast = (r1 - 1) & m1;
        if constexpr (!Multi) {
            wide.finish(n, wLast, rLast);
        } else {
            for (int b = 0; b < 3; ++b) bands[b].finish(n, wLast, rLast);
            finalStage.finish(n, wLast, (r3 - 1) & m1);
        }
    };
    if constexpr (!Multi) {
        const int w2Start = w2;
        const bool fastHold = wideHold_[0].continuesFast(w1Start, r1Start, m1);
        auto input = [&](auto fastHolds) {
            BlockHold<decltype(fastHolds)::value> hold(wideHold_[0]);
            steps.wideInput(hold, n, procIn, passIn, w1, r1, w2, off);
            if (n > 0) hold.finish(n, (w1 - 1) & m1, (r1 - 1) & m1);
        };
        if (fastHold)
            input(std::true_type{});
        else
            input(std::false_type{});
        if (k.autoOn)
            steps.template wideOutput<true>(n, procIn, passIn, w2Start, r2, routing, procLane, meters);
        else
            steps.template wideOutput<false>(n, procIn, passIn, w2Start, r2, routing, procLane, meters);
        steps.store();
        r3 = (r3 + n) & m1;
        keepPositions(w1, r1, r3, w2, r2, off);
        return;
    }
    bool fast;
    if constexpr (!Multi) {
        fast = wideHold_[0].continuesFast(w1Start, r1Start, m1);
    } else {
        fast = finalHold_[0].continuesFast(w1Start, r3Start, m1);
        for (int b = 0; b < 3; ++b) fast = fast && bandHold_[b][0].continuesFast(w1Start, r1Start, m1);
    }
    if (fast && !k.autoOn)
        run(std::true_type{}, std::false_type{});
    else if (fast)
        run(std::true_type{}, std::true_type{});
    else if (!k.autoOn)
        run(std::false_type{}, std::false_type{});
    else
        run(std::false_type{}, std::true_type{});

    steps.store();
    keepPositions(w1, r1, r3, w2, r2, off);
}

template void CEngine::monoKernel<false>(int, bool);
template void CEngine::monoKernel<true>(int, bool);

}  // namespace dsp

#include "tests/oracle/EngineOracle.h"

#include <algorithm>
#include <cmath>

namespace dsp {

double oracle::slotWalkPeakHold(double* ring, int w, int r, int mask, double v) {
    ring[w] = v;
    for (int i = (w - 1) & mask; i != r && v > ring[i]; i = (i - 1) & mask) ring[i] = v;
    if (v > ring[r]) ring[r] = v;
    const double out = ring[r];
    ring[r] = 0.0;
    return out;
}

EngineOracle::EngineOracle(CEngine& engine) : e_(engine) { e_.resampler_ = &resampler_; }

EngineOracle::~EngineOracle() { e_.resampler_ = &e_.fatResampler_; }

EngineOracle::Positions EngineOracle::positions(const CEngine& e) {
    return {e.w1_, e.r1_, e.r3_, e.w2_, e.r2_, e.fatIndex_};
}

void EngineOracle::process(const float* inA, const float* inB, float* outA, float* outB, int frames) {
    forEachBlock(inA, inB, outA, outB, frames, e_.inBuf_, e_.outBuf_, [this](int n) { runBlock(n); });
    e_.overLatch();
}

void EngineOracle::process(const double* inA, const double* inB, double* outA, double* outB, int frames) {
    forEachBlock(inA, inB, outA, outB, frames, e_.inBuf_, e_.outBuf_, [this](int n) { runBlock(n); });
    e_.overLatch();
}

void EngineOracle::runBlock(int n) {
    // The walk works on the rings themselves: bring them up to date from the engine's peak holds,
    // which take the rings as they are again when the engine's own kernels next run.
    for (int c = 0; c < 2; ++c) {
        e_.wideHold_[c].materialize();
        e_.finalHold_[c].materialize();
        for (int b = 0; b < 3; ++b) e_.bandHold_[b][c].materialize();
    }
    const int m = e_.enterBlock(n);
    const bool meters = e_.metersActive.load(std::memory_order_relaxed) != 0;
    e_.meterOffsetStart_ = e_.denormalOffset_;
    switch (e_.chooseKernel()) {
        case CEngine::kBypass: e_.bypassKernel(m, meters); break;
        case CEngine::kMonoSingle: kernel<Layout::Mono, false>(m, meters); break;
        case CEngine::kMonoMulti: kernel<Layout::Mono, true>(m, meters); break;
        case CEngine::kLinkedSingle: kernel<Layout::Linked, false>(m, meters); break;
        case CEngine::kLinkedMulti: kernel<Layout::Linked, true>(m, meters); break;
        case CEngine::kUnlinkedSingle: kernel<Layout::Unlinked, false>(m, meters); break;
        case CEngine::kUnlinkedMulti: kernel<Layout::Unlinked, true>(m, meters); break;
    }
    e_.leaveBlock(n, m, meters);
}

// Tone adjustment, look-ahead ring, wide-band detector(s) and gain(s) of one sample.
template <Layout L>
void EngineOracle::wideBand(const double x[2], double off, Slots s, const KernelConstants& k, double y[2],
                            double gain[2]) {
    constexpr int NC = L == Layout::Mono ? 1 : 2;
    CEngine& e = e_;
    double det[2];
    for (int c = 0; c < NC; ++c) {
        const double lp = stepCrossover(e.highC_, e.highS_[c], x[c], off);
        const double hp = stepCrossover(e.lowC_, e.lowS_[c], x[c], off);
        const double xa = x[c] + k.lowAdjustM1 * (x[c] - hp) + k.highAdjustM1 * (x[c] - lp);
        e.lookAheadRing_[s.w1][c] = xa;
        det[c] = std::fabs(xa) * kDetectorMargin;
    }
    if constexpr (L == Layout::Linked) {
        const double v = std::max(det[0], det[1]);
        const double B = peakStep(e.widePeak_, s.w1, s.r1, s.m1, v) + kDetectorFloor + off;
        const double c1 = e.smoothState_[kWideSmoother].step(B);
        const double c2 = e.smoothState_[kWideSmoother + 1].step(B);
        followerStep(B, e.envWide_[0], k.tc.attackCoeff, k.tc.releaseCoeff, k.autoOn, c1, c2, kWideBandRule,
                     k.autoScale);
        gain[0] = gain[1] = k.wideGain(e.envWide_[0]);
    } else {
        for (int c = 0; c < NC; ++c) {
            const double B = peakStep(e.widePeak_ + c * e.s1Max_, s.w1, s.r1, s.m1, det[c]) + kDetectorFloor + off;
            const int slot = kWideSmoother + c * kChannelBSmoothers;
            const double c1 = e.smoothState_[slot].step(B);
            const double c2 = e.smoothState_[slot + 1].step(B);
            followerStep(B, e.envWide_[c], k.tc.attackCoeff, k.tc.releaseCoeff, k.autoOn, c1, c2, kWideBandRule);
            gain[c] = k.wideGain(e.envWide_[c]);
        }
    }
    const simd::v2d look = e.lookAheadRing_[s.r1];
    for (int c = 0; c < NC; ++c) {
        double v = look[c] * gain[c];
        if (k.brickwall) v = clampUnit(v);
        y[c] = v;
    }
}

// Band split, band rings, band detectors and gains, their sum and the final stage of one sample.
template <Layout L>
void EngineOracle::multiBand(const double x[2], double off, Slots s, const KernelConstants& k, double y[2],
                             double gain[2]) {
    constexpr int NC = L == Layout::Mono ? 1 : 2;
    CEngine& e = e_;
    double band[2][3];
    for (int c = 0; c < NC; ++c) {
        const double lp = stepCrossover(e.highC_, e.highS_[c], x[c], off);
        const double hp = stepCrossover(e.lowC_, e.lowS_[c], x[c], off);
        band[c][0] = (x[c] - hp) * k.lowAdjust;
        band[c][1] = hp - (x[c] - lp);
        band[c][2] = (x[c] - lp) * k.highAdjust;
    }
    double sum[2] = {0.0, 0.0};
    double minGain[2] = {0.0, 0.0};
    for (int b = 0; b < 3; ++b) {
        simd::v2d* ring = e.bandRing_ + b * e.s1Max_;
        double* peak = e.bandPeak_ + 2 * b * e.s1Max_;
        double tb[2];
        for (int c = 0; c < NC; ++c) ring[s.w1][c] = band[c][b];
        if constexpr (L == Layout::Linked) {
            const double v = std::max(std::fabs(band[0][b]), std::fabs(band[1][b]));
            const double B = peakStep(peak, s.w1, s.r1, s.m1, v) + kDetectorFloor + off;
            const double c1 = e.smoothState_[2 * b].step(B);
            const double c2 = e.smoothState_[2 * b + 1].step(B);
            followerStep(B, e.envBand_[0][b], k.tc.attackCoeff, k.tc.bandReleaseCoeff[b], k.autoOn, c1, c2, kBandRule);
            tb[0] = tb[1] = k.bandGainOf(b, e.envBand_[0][b]);
        } else {
            for (int c = 0; c < NC; ++c) {
                const double B =
                    peakStep(peak + c * e.s1Max_, s.w1, s.r1, s.m1, std::fabs(band[c][b])) + kDetectorFloor + off;
                const int slot = 2 * b + c * kChannelBSmoothers;
                const double c1 = e.smoothState_[slot].step(B);
                const double c2 = e.smoothState_[slot + 1].step(B);
                followerStep(B, e.envBand_[c][b], k.tc.attackCoeff, k.tc.bandReleaseCoeff[b], k.autoOn, c1, c2,
                             kBandRule);
                tb[c] = k.bandGainOf(b, e.envBand_[c][b]);
            }
        }
        const simd::v2d delayed = ring[s.r1];
        for (int c = 0; c < NC; ++c) {
            const double o = delayed[c] * tb[c];
            sum[c] = b == 0 ? o : sum[c] + o;
            minGain[c] = b == 0 ? tb[c] : std::min(minGain[c], tb[c]);
        }
    }
    double det[2];
    for (int c = 0; c < NC; ++c) {
        e.lookAheadRing_[s.w1][c] = sum[c];
        det[c] = std::fabs(sum[c]) * kDetectorMargin;
    }
    double peakValue[2];
    if constexpr (L == Layout::Linked) {
        peakValue[0] = peakValue[1] = peakStep(e.finalPeak_, s.w1, s.r3, s.m1, std::max(det[0], det[1]));
    } else {
        for (int c = 0; c < NC; ++c) peakValue[c] = peakStep(e.finalPeak_ + c * e.s1Max_, s.w1, s.r3, s.m1, det[c]);
    }
    const simd::v2d delayed = e.lookAheadRing_[s.r3];
    for (int c = 0; c < NC; ++c) y[c] = delayed[c];
    if (k.brickwall) {
        double g[2];
        for (int c = 0; c < (L == Layout::Linked ? 1 : NC); ++c) {
            const double B = peakValue[c] + kDetectorFloor + off;
            const int slot = kWideSmoother + c * kChannelBSmoothers;
            const double c1 = e.smoothState_[slot].step(B);
            const double c2 = e.smoothState_[slot + 1].step(B);
            followerStep(B, e.envFinal_[c], k.tc.limiterAttackCoeff, k.tc.limiterReleaseCoeff, k.autoOn, c1, c2,
                         kFinalStageRule);
            g[c] = finalStageGain(e.envFinal_[c]);
        }
        if (L == Layout::Linked) g[1] = g[0];
        for (int c = 0; c < NC; ++c) {
            y[c] = clampUnit(y[c] * g[c]);
            minGain[c] *= g[c];
        }
    }
    for (int c = 0; c < NC; ++c) gain[c] = minGain[c];
}

// Outputs and meter values of sample i.
template <Layout L>
void EngineOracle::route(int i, const double out[2], double passDry, const double in[2], double pass,
                         const double gain[2], const KernelConstants& k, bool meters) {
    CEngine& e = e_;
    double* outA = e.outBuf_[0];
    double* outB = e.outBuf_[1];
    if constexpr (L == Layout::Mono) {
        const ChannelRouting routing = e.params.routing;
        const int procLane = routing == ChannelRouting::Right ? 1 : 0;
        if (routing == ChannelRouting::Mono) {
            outA[i] = out[0];
            outB[i] = out[0];
        } else {
            const double passOut = k.outputGain * passDry;
            (procLane == 0 ? outA : outB)[i] = out[0];
            (procLane == 0 ? outB : outA)[i] = passOut;
        }
        if (meters) {
            const double procGain = gain[0] * k.ceilingGain;
            if (routing == ChannelRouting::Mono) {
                e.meterIn_[0][i] = e.meterIn_[1][i] = in[0];
                e.meterGain_[0][i] = e.meterGain_[1][i] = procGain;
            } else {
                e.meterIn_[procLane][i] = in[0];
                e.meterGain_[procLane][i] = procGain;
                e.meterIn_[1 - procLane][i] = pass;
                e.meterGain_[1 - procLane][i] = e.cc_.smallSignalGain;
            }
        }
    } else {
        outA[i] = out[0];
        outB[i] = out[1];
        if (meters) {
            for (int c = 0; c < 2; ++c) {
                e.meterIn_[c][i] = in[c];
                e.meterGain_[c][i] = gain[c] * k.ceilingGain;
            }
        }
    }
}

// One sample at a time through the whole chain; mono: the channel L R selects, its partner
// passing through the dry ring.
template <Layout L, bool Multi>
void EngineOracle::kernel(int n, bool meters) {
    constexpr int NC = L == Layout::Mono ? 1 : 2;
    CEngine& e = e_;
    const KernelConstants k = e.kernelConstants(L == Layout::Linked && !Multi);
    const int m1 = e.s1_ - 1, m2 = e.s2_ - 1;
    int w1 = e.w1_, r1 = e.r1_, r3 = e.r3_, w2 = e.w2_, r2 = e.r2_;
    double off = e.denormalOffset_;

    const ChannelRouting routing = e.params.routing;
    const double* inA = e.inBuf_[0];
    const double* inB = e.inBuf_[1];
    if (L == Layout::Mono && routing == ChannelRouting::Right) std::swap(inA, inB);
    if (L == Layout::Mono && routing == ChannelRouting::Mono) inB = e.inBuf_[0];

    for (int i = 0; i < n; ++i) {
        off = -off;
        const double in[2] = {inA[i], inB[i]};
        e.dryRing_[w2] = simd::v2d{in[0] + off, in[1] + off};
        double x[2];
        for (int c = 0; c < NC; ++c) x[c] = stepSubsonic(e.subC_, e.subS_[c], in[c], off);
        if (L == Layout::Mono && !Multi) e.dryRing_[w2][0] = x[0];

        double y[2], gain[2];
        if constexpr (Multi)
            multiBand<L>(x, off, Slots{w1, r1, r3, m1}, k, y, gain);
        else
            wideBand<L>(x, off, Slots{w1, r1, r3, m1}, k, y, gain);

        // Ceiling, output ring, dry/wet mix and output gain.
        for (int c = 0; c < NC; ++c) e.outputRing_[w2][c] = y[c] * k.ceilingGain;
        const simd::v2d wet = e.outputRing_[r2];
        r2 = (r2 + 1) & m2;
        w2 = (w2 + 1) & m2;
        const simd::v2d dry = e.dryRing_[w2];
        double out[2];
        for (int c = 0; c < NC; ++c) out[c] = k.outputGain * (k.fullMix ? wet[c] : dry[c] + k.mix * (wet[c] - dry[c]));
        route<L>(i, out, dry[1], in, in[1], gain, k, meters);

        w1 = (w1 + 1) & m1;
        r1 = (r1 + 1) & m1;
        r3 = (r3 + 1) & m1;
    }
    e.keepPositions(w1, r1, r3, w2, r2, off);
}

}  // namespace dsp

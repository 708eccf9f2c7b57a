#include "dsp/CEngine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace dsp {

namespace {

constexpr double kDetectorMargin = 1.0115795;   // 0.1 dB over-reading of the peak detectors
constexpr double kDetectorFloor = 0.0009766;    // about -60 dBFS
constexpr double kInitialEnvelope = 0.0001;
constexpr double kLargestInput = 1e30;          // larger finite input samples are limited to this
constexpr int kBiquadLowPass = 8;
constexpr int kOversamplerFlags = 0x808;
constexpr int kMaxBlock = 64;

// Smoother slots: channel A low, mid, high, wide band / final stage (fast, slow), then channel B.
constexpr double kSmootherHz[16] = {50, 5, 200, 20, 1000, 100, 200, 20, 200, 20, 200, 20, 200, 20, 200, 20};
constexpr int kWideSmoother = 6;   // + 8 for channel B
constexpr int kChannelBSmoothers = 8;

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

inline double clampUnit(double y) { return y > 1.0 ? 1.0 : (y < -1.0 ? -1.0 : y); }

}  // namespace

CEngine::CEngine(const EngineConfig& config)
    : config_(config),
      s1Max_(1024 >> config.ringShift),
      s2Max_(2048 >> config.ringShift) {
    for (auto& v : meterValue) v.store(0.0f, std::memory_order_relaxed);
    for (auto& f : overFlag) f.store(0.0f, std::memory_order_relaxed);

    // Rings: dry, output, FAT (s2Max each); look-ahead, 3 bands, wide peak, 3 band peaks, final peak (s1Max each).
    // Then the block buffers and meter scratch, as doubles packed two per entry.
    const size_t ringEntries = size_t(3) * s2Max_ + size_t(9) * s1Max_;
    const size_t bufferEntries = size_t(8) * kBlockCapacity / 2;
    memorySize_ = ringEntries + bufferEntries;
    memory_.reset(new v2d[memorySize_]);
    v2d* p = memory_.get();
    dryRing_ = p; p += s2Max_;
    outputRing_ = p; p += s2Max_;
    fatRing_ = p; p += s2Max_;
    lookAheadRing_ = p; p += s1Max_;
    bandRing_ = p; p += 3 * s1Max_;
    widePeak_ = reinterpret_cast<double*>(p); p += s1Max_;
    bandPeak_ = reinterpret_cast<double*>(p); p += 3 * s1Max_;
    finalPeak_ = reinterpret_cast<double*>(p); p += s1Max_;
    double* d = reinterpret_cast<double*>(p);
    for (int c = 0; c < 2; ++c) {
        inBuf_[c] = d; d += kBlockCapacity;
        outBuf_[c] = d; d += kBlockCapacity;
        meterIn_[c] = d; d += kBlockCapacity;
        meterGain_[c] = d; d += kBlockCapacity;
    }
    std::memset(static_cast<void*>(memory_.get()), 0, memorySize_ * sizeof(v2d));
    holdHistory_.reset(new double[size_t(10) * s1Max_]);
    holdSuffix_.reset(new double[size_t(10) * (s1Max_ + 1)]);
    {
        int k = 0;
        auto attach = [&](PeakHold& h, double* ring) {
            h.attach(ring, holdHistory_.get() + size_t(k) * s1Max_, holdSuffix_.get() + size_t(k) * (s1Max_ + 1),
                     s1Max_);
            ++k;
        };
        for (int c = 0; c < 2; ++c) attach(wideHold_[c], widePeak_ + c * s1Max_);
        for (int b = 0; b < 3; ++b)
            for (int c = 0; c < 2; ++c) attach(bandHold_[b][c], bandPeak_ + (2 * b + c) * s1Max_);
        for (int c = 0; c < 2; ++c) attach(finalHold_[c], finalPeak_ + c * s1Max_);
    }

    smoothers_.reserve(16);
    for (double hz : kSmootherHz) smoothers_.emplace_back(44100.0, kBiquadLowPass, hz, 0.5, 0.0);
    vuFilters_.reserve(2);
    for (int c = 0; c < 2; ++c) vuFilters_.emplace_back(44100.0, kBiquadLowPass, 2.0, 0.583, 0.0);
    oversamplers_.reserve(2);
    for (int c = 0; c < 2; ++c) oversamplers_.emplace_back(kOversamplerFlags);
    {
        double up[simd::FatResampler::kHalf + 1], down[simd::FatResampler::kHalf + 1];
        for (int i = 0; i <= simd::FatResampler::kHalf; ++i) {
            up[i] = oversamplers_[0].upCoeff(i);
            down[i] = oversamplers_[0].downCoeff(i);
        }
        fatResampler_.setCoefficients(up, down);
    }

    setSampleRate(44100.0);
    recomputeCurveConstants();
    recomputeFilters();
    recomputeTimeConstants();
    resetPositions();
    fullReset();
    retuneVuFilters();
    resetMeters();
}

void CEngine::setSampleRate(double hostRate) {
    hostRate_ = hostRate;
    int s1 = hostRate < 50000.0 ? 256 : (hostRate < 100000.0 ? 512 : 1024);
    s1_ = s1 >> config_.ringShift;
    s2_ = 2 * s1_;
    w1_ &= s1_ - 1; r1_ &= s1_ - 1; r3_ &= s1_ - 1;
    w2_ &= s2_ - 1; r2_ &= s2_ - 1; fatIndex_ &= s2_ - 1;
}

bool CEngine::fatRunning() const {
    return config_.hasFat && params.fatActive != 0 && hostRate_ <= 100000.0;
}

double CEngine::kernelRate() const { return hostRate_ * (fatRunning() ? 2.0 : 1.0); }

int CEngine::latencySamples() const {
    if (config_.hasFat) return oversamplers_[0].latency() + s2_ + 1;
    return s2_ - 1;
}

void CEngine::resetPositions() {
    w1_ = s1_ - 1;
    w2_ = s2_ - 1;
    fatIndex_ = s2_ - 1;
    derivePositions();
}

void CEngine::derivePositions() {
    const int m1 = s1_ - 1, m2 = s2_ - 1;
    // Windows that do not fit the ring (never for the supported rates) are limited to it.
    const int n1 = std::clamp(tc_.attackWindow, 0, s1_ - 2);
    const int n2 = std::clamp(tc_.limiterWindow, 0, s1_ - 2);
    r1_ = (w1_ - n1 - 1) & m1;
    r3_ = (w1_ - n2 - 1) & m1;
    if (params.multiBand)
        r2_ = (w2_ + s2_ + n1 + n2 + 3) & m2;
    else
        r2_ = (w2_ + s2_ + n1 + 2) & m2;
}

void CEngine::clearSignalState() {
    std::memset(static_cast<void*>(memory_.get()), 0, memorySize_ * sizeof(v2d));
    for (int c = 0; c < 2; ++c) {
        wideHold_[c].invalidate();
        finalHold_[c].invalidate();
        for (int b = 0; b < 3; ++b) bandHold_[b][c].invalidate();
    }
    for (auto& f : overFlag) f.store(0.0f, std::memory_order_relaxed);
}

void CEngine::resetDynamics() {
    for (int c = 0; c < 2; ++c) {
        envWide_[c] = kInitialEnvelope;
        envFinal_[c] = kInitialEnvelope;
        for (double& e : envBand_[c]) e = kInitialEnvelope;
        clearSubsonic(subS_[c]);
        clearCrossover(lowS_[c]);
        clearCrossover(highS_[c]);
    }
    const double fs = filterDesignRate(hostRate_, fatRunning() ? 1 : 0);
    for (auto& s : smoothers_) {
        s.setSampleRate(fs);
        s.clear();
    }
    syncSmoothers(true);
}

// Takes the smoothers' designs (coefficients and the offset a design restarts) over into the
// states the kernels step; the history is kept unless the smoothers were cleared.
void CEngine::syncSmoothers(bool clearHistory) {
    for (int k = 0; k < 16; ++k) {
        const CBiquad& d = smoothers_[k];
        simd::SmootherState& s = smoothState_[k];
        s.b0 = d.b0();
        s.b1 = d.b1();
        s.b2 = d.b2();
        s.a1 = d.a1();
        s.a2 = d.a2();
        s.offset = d.offset();
        if (clearHistory) s.x1 = s.x2 = s.y1 = s.y2 = 0.0;
    }
}

void CEngine::fullReset() {
    clearSignalState();
    resetDynamics();
    for (auto& o : oversamplers_) o.clear();
    fatResampler_.clear();
}

void CEngine::recomputeFilters() {
    const double fs = filterDesignRate(hostRate_, fatRunning() ? 1 : 0);
    for (auto& s : smoothers_) s.setSampleRate(fs);
    syncSmoothers(false);
    for (auto& v : vuFilters_) v.setSampleRate(fs);
    subC_ = designSubsonic(fs);
    highC_ = designHighCrossover(fs, params.highFreqHz);
    lowC_ = designLowCrossover(fs, params.lowFreqHz);
}

void CEngine::recomputeTimeConstants() {
    tc_ = computeTimeConstants(kernelRate(), params.speed, params.releaseValue, params.releaseScale,
                               params.bandReleaseScale, params.longRelease);
    derivePositions();
}

void CEngine::recomputeCurveConstants() {
    cc_ = computeCurveConstants(params.kneeType, params.kneeAmount, params.ceilingGain, params.driveGain);
}

void CEngine::recomputeSmallSignalGain() {
    cc_.smallSignalGain = computeSmallSignalGain(cc_, params.driveGain, params.ceilingGain);
}

void CEngine::retuneVuFilters() {
    const double hz = 700.0 / params.vuIntegrationMs;
    for (auto& v : vuFilters_) {
        v.setFrequency(hz);
        v.clear();
    }
}

void CEngine::resetMeters() {
    for (int c = 0; c < 2; ++c) {
        meterState_[c] = 0.0f;
        overCount_[c] = 0.0f;
        meterValue[c].store(0.0f, std::memory_order_relaxed);
    }
}

CEngine::Kernel CEngine::chooseKernel() const {
    const EngineParams& p = params;
    if (!p.processOn) return kBypass;
    if (!p.stereo) return p.multiBand ? kMonoMulti : kMonoSingle;
    if (p.linked) return p.multiBand ? kLinkedMulti : kLinkedSingle;
    return p.multiBand ? kUnlinkedMulti : kUnlinkedSingle;
}

// ---------------------------------------------------------------------------------------------
// Block wrapper

void CEngine::process(const float* inA, const float* inB, float* outA, float* outB, int frames) {
    processBlocks(inA, inB, outA, outB, frames);
}

void CEngine::process(const double* inA, const double* inB, double* outA, double* outB, int frames) {
    processBlocks(inA, inB, outA, outB, frames);
}

template <class T>
void CEngine::processBlocks(const T* inA, const T* inB, T* outA, T* outB, int frames) {
    if (frames <= 0) return;
    for (int start = 0; start < frames; start += kMaxBlock) {
        const int n = std::min(kMaxBlock, frames - start);
        double* a = inBuf_[0];
        double* b = inBuf_[1];
        for (int i = 0; i < n; ++i) {
            a[i] = sanitizeInput(static_cast<double>(inA[start + i]));
            b[i] = sanitizeInput(static_cast<double>(inB[start + i]));
        }
        runBlock(n);
        const double* oa = outBuf_[0];
        const double* ob = outBuf_[1];
        for (int i = 0; i < n; ++i) outA[start + i] = finiteOutput<T>(oa[i]);
        for (int i = 0; i < n; ++i) outB[start + i] = finiteOutput<T>(ob[i]);
    }
    overLatch();
}

void CEngine::runBlock(int n) {
    const bool fat = fatRunning();
    int m = n;
    if (fat) {
        if (referenceMode) {
            oversamplers_[0].upsample(inBuf_[0], n);
            oversamplers_[1].upsample(inBuf_[1], n);
        } else {
            fatResampler_.upsample(inBuf_[0], inBuf_[1], n);
        }
        m = 2 * n;
        // Both channels through the FAT delay ring (S2 - 3 oversampled frames).
        // Frame i is stored at index + i and replaced by the entry at index + i + 3, written
        // S2 - 3 frames earlier; a block (at most 128 frames) never reads what it writes itself.
        const int mask = s2_ - 1;
        const int idx = fatIndex_;
        double* a = inBuf_[0];
        double* b = inBuf_[1];
        v2d* const tmp = reinterpret_cast<v2d*>(meterIn_[0]);   // free until the kernel runs
        for (int i = 0; i < m; ++i) tmp[i] = v2d{a[i], b[i]};
        for (int i = 0; i < m; ++i) {
            const v2d v = fatRing_[(idx + i + 3) & mask];
            a[i] = v[0];
            b[i] = v[1];
        }
        for (int i = 0; i < m; ++i) fatRing_[(idx + i) & mask] = tmp[i];
        fatIndex_ = (idx + m) & mask;
    } else if (config_.hasFat) {
        if (referenceMode) {
            oversamplers_[0].delayIn(inBuf_[0], n);
            oversamplers_[1].delayIn(inBuf_[1], n);
        } else {
            fatResampler_.delayIn(inBuf_[0], inBuf_[1], n);
        }
    }

    const bool meters = metersActive.load(std::memory_order_relaxed) != 0;
    meterOffsetStart_ = denormalOffset_;
    switch (chooseKernel()) {
        case kBypass: bypassKernel(m, meters); break;
        case kMonoSingle: kernel<0, false>(m, meters); break;
        case kMonoMulti: kernel<0, true>(m, meters); break;
        case kLinkedSingle: referenceMode ? kernel<1, false>(m, meters) : pairKernel<true, false>(m, meters); break;
        case kLinkedMulti: referenceMode ? kernel<1, true>(m, meters) : pairKernel<true, true>(m, meters); break;
        case kUnlinkedSingle: referenceMode ? kernel<2, false>(m, meters) : pairKernel<false, false>(m, meters); break;
        case kUnlinkedMulti: referenceMode ? kernel<2, true>(m, meters) : pairKernel<false, true>(m, meters); break;
    }
    if (meters) runMeters(m);

    if (fat) {
        if (referenceMode) {
            oversamplers_[0].downsample(outBuf_[0], m);
            oversamplers_[1].downsample(outBuf_[1], m);
        } else {
            fatResampler_.downsample(outBuf_[0], outBuf_[1], m);
        }
        if (params.brickwallOn) {
            // Two samples per pair, selected without a branch on the signal.
            const double lim = params.outputGain;
            const v2d hi = simd::splat(lim), lo = simd::splat(-lim);
            for (int c = 0; c < 2; ++c) {
                double* o = outBuf_[c];
                int i = 0;
                for (; i + 2 <= n; i += 2) {
                    v2d y;
                    std::memcpy(&y, o + i, sizeof y);
                    y = y > hi ? hi : (y < lo ? lo : y);
                    std::memcpy(o + i, &y, sizeof y);
                }
                for (; i < n; ++i) o[i] = o[i] > lim ? lim : (o[i] < -lim ? -lim : o[i]);
            }
        }
    } else if (config_.hasFat) {
        if (referenceMode) {
            oversamplers_[0].delayOut(outBuf_[0], n);
            oversamplers_[1].delayOut(outBuf_[1], n);
        } else {
            fatResampler_.delayOut(outBuf_[0], outBuf_[1], n);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Kernels

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

// Ch: 0 mono (routing by params.routing), 1 linked stereo, 2 unlinked stereo.
template <int Ch, bool Multi>
void CEngine::kernel(int n, bool meters) {
    constexpr int NC = Ch == 0 ? 1 : 2;
    const int m1 = s1_ - 1, m2 = s2_ - 1;
    int w1 = w1_, r1 = r1_, r3 = r3_, w2 = w2_, r2 = r2_;
    double off = denormalOffset_;

    const EngineParams& p = params;
    const double driveGain = p.driveGain, ceilingGain = p.ceilingGain, outputGain = p.outputGain;
    const double mix = p.mixAmount;
    const bool fullMix = mix == 1.0;
    const double lowAdjust = p.lowAdjustGain, highAdjust = p.highAdjustGain;
    const double lowAdjustM1 = lowAdjust - 1.0, highAdjustM1 = highAdjust - 1.0;
    const double satGain[3] = {p.bandSatGain[0], p.bandSatGain[1], p.bandSatGain[2]};
    const double satInverse[3] = {p.bandSatInverse[0], p.bandSatInverse[1], p.bandSatInverse[2]};
    const bool brickwall = p.brickwallOn != 0;
    const bool autoOn = p.autoRelease != 0;
    const int kneeType = cc_.kneeType;
    const double kneeAmount = cc_.kneeAmount, kneeA = cc_.A;
    const double curveInputScale = cc_.curveInputScale;
    const double meterGainScale = ceilingGain;
    const TimeConstants tc = tc_;
    const double autoScale = (Ch == 1 && !Multi) ? tc.autoReleaseScale : 1.0;

    const ChannelRouting routing = p.routing;
    const double* procIn = inBuf_[0];
    const double* passIn = inBuf_[1];
    if (Ch == 0) {
        if (routing == ChannelRouting::Right) {
            procIn = inBuf_[1];
            passIn = inBuf_[0];
        } else if (routing == ChannelRouting::Mono) {
            passIn = inBuf_[0];
        }
    }
    double* outA = outBuf_[0];
    double* outB = outBuf_[1];
    const int procLane = (Ch == 0 && routing == ChannelRouting::Right) ? 1 : 0;

    for (int i = 0; i < n; ++i) {
        off = -off;
        double in[2];
        if (Ch == 0) {
            in[0] = procIn[i];
            const double pass = passIn[i];
            dryRing_[w2] = v2d{in[0] + off, pass + off};
        } else {
            in[0] = inBuf_[0][i];
            in[1] = inBuf_[1][i];
            dryRing_[w2] = v2d{in[0] + off, in[1] + off};
        }

        double x[2];
        for (int c = 0; c < NC; ++c) x[c] = stepSubsonic(subC_, subS_[c], in[c], off);
        if (Ch == 0 && !Multi) dryRing_[w2][0] = x[0];

        double y[2];
        double gain[2];
        if constexpr (!Multi) {
            double det[2];
            for (int c = 0; c < NC; ++c) {
                const double lp = stepCrossover(highC_, highS_[c], x[c], off);
                const double hp = stepCrossover(lowC_, lowS_[c], x[c], off);
                const double xa = x[c] + lowAdjustM1 * (x[c] - hp) + highAdjustM1 * (x[c] - lp);
                lookAheadRing_[w1][c] = xa;
                det[c] = std::fabs(xa) * kDetectorMargin;
            }
            if constexpr (Ch == 1) {
                const double v = std::max(det[0], det[1]);
                const double B = peakStep(wideHold_[0], widePeak_, w1, r1, m1, v) + kDetectorFloor + off;
                const double c1 = smoothState_[kWideSmoother].step(B);
                const double c2 = smoothState_[kWideSmoother + 1].step(B);
                followerStep(B, envWide_[0], tc.attackCoeff, tc.releaseCoeff, autoOn, c1, c2, kWideBandRule,
                             autoScale);
                const double t = wideBandGain(envWide_[0], driveGain, curveInputScale, kneeType, kneeAmount, kneeA);
                gain[0] = gain[1] = t;
            } else {
                for (int c = 0; c < NC; ++c) {
                    const double B = peakStep(wideHold_[c], widePeak_ + c * s1Max_, w1, r1, m1, det[c]) + kDetectorFloor + off;
                    const int s = kWideSmoother + c * kChannelBSmoothers;
                    const double c1 = smoothState_[s].step(B);
                    const double c2 = smoothState_[s + 1].step(B);
                    followerStep(B, envWide_[c], tc.attackCoeff, tc.releaseCoeff, autoOn, c1, c2, kWideBandRule);
                    gain[c] = wideBandGain(envWide_[c], driveGain, curveInputScale, kneeType, kneeAmount, kneeA);
                }
            }
            const v2d look = lookAheadRing_[r1];
            for (int c = 0; c < NC; ++c) {
                double v = look[c] * gain[c];
                if (brickwall) v = clampUnit(v);
                y[c] = v;
            }
        } else {
            double band[2][3];
            for (int c = 0; c < NC; ++c) {
                const double lp = stepCrossover(highC_, highS_[c], x[c], off);
                const double hp = stepCrossover(lowC_, lowS_[c], x[c], off);
                band[c][0] = (x[c] - hp) * lowAdjust;
                band[c][1] = hp - (x[c] - lp);
                band[c][2] = (x[c] - lp) * highAdjust;
            }
            double sum[2] = {0.0, 0.0};
            double minGain[2] = {0.0, 0.0};
            for (int b = 0; b < 3; ++b) {
                v2d* ring = bandRing_ + b * s1Max_;
                double* peak = bandPeak_ + 2 * b * s1Max_;
                double tb[2];
                for (int c = 0; c < NC; ++c) ring[w1][c] = band[c][b];
                if constexpr (Ch == 1) {
                    const double v = std::max(std::fabs(band[0][b]), std::fabs(band[1][b]));
                    const double B = peakStep(bandHold_[b][0], peak, w1, r1, m1, v) + kDetectorFloor + off;
                    const double c1 = smoothState_[2 * b].step(B);
                    const double c2 = smoothState_[2 * b + 1].step(B);
                    followerStep(B, envBand_[0][b], tc.attackCoeff, tc.bandReleaseCoeff[b], autoOn, c1, c2,
                                 kBandRule);
                    tb[0] = tb[1] = bandGain(envBand_[0][b], driveGain, satGain[b], satInverse[b], curveInputScale,
                                             kneeType, kneeAmount, kneeA);
                } else {
                    for (int c = 0; c < NC; ++c) {
                        const double B =
                            peakStep(bandHold_[b][c], peak + c * s1Max_, w1, r1, m1, std::fabs(band[c][b])) + kDetectorFloor + off;
                        const int s = 2 * b + c * kChannelBSmoothers;
                        const double c1 = smoothState_[s].step(B);
                        const double c2 = smoothState_[s + 1].step(B);
                        followerStep(B, envBand_[c][b], tc.attackCoeff, tc.bandReleaseCoeff[b], autoOn, c1, c2,
                                     kBandRule);
                        tb[c] = bandGain(envBand_[c][b], driveGain, satGain[b], satInverse[b], curveInputScale,
                                         kneeType, kneeAmount, kneeA);
                    }
                }
                const v2d delayed = ring[r1];
                for (int c = 0; c < NC; ++c) {
                    const double o = delayed[c] * tb[c];
                    sum[c] = b == 0 ? o : sum[c] + o;
                    minGain[c] = b == 0 ? tb[c] : std::min(minGain[c], tb[c]);
                }
            }
            double det[2];
            for (int c = 0; c < NC; ++c) {
                lookAheadRing_[w1][c] = sum[c];
                det[c] = std::fabs(sum[c]) * kDetectorMargin;
            }
            double peakValue[2];
            if constexpr (Ch == 1) {
                peakValue[0] = peakValue[1] = peakStep(finalHold_[0], finalPeak_, w1, r3, m1, std::max(det[0], det[1]));
            } else {
                for (int c = 0; c < NC; ++c) peakValue[c] = peakStep(finalHold_[c], finalPeak_ + c * s1Max_, w1, r3, m1, det[c]);
            }
            const v2d delayed = lookAheadRing_[r3];
            for (int c = 0; c < NC; ++c) y[c] = delayed[c];
            if (brickwall) {
                double g[2];
                for (int c = 0; c < (Ch == 1 ? 1 : NC); ++c) {
                    const double B = peakValue[c] + kDetectorFloor + off;
                    const int s = kWideSmoother + c * kChannelBSmoothers;
                    const double c1 = smoothState_[s].step(B);
                    const double c2 = smoothState_[s + 1].step(B);
                    followerStep(B, envFinal_[c], tc.limiterAttackCoeff, tc.limiterReleaseCoeff, autoOn, c1, c2,
                                 kFinalStageRule);
                    g[c] = finalStageGain(envFinal_[c]);
                }
                if (Ch == 1) g[1] = g[0];
                for (int c = 0; c < NC; ++c) {
                    y[c] = clampUnit(y[c] * g[c]);
                    minGain[c] *= g[c];
                }
            }
            for (int c = 0; c < NC; ++c) gain[c] = minGain[c];
        }

        // Ceiling, output ring, dry/wet mix and output gain.
        double wet[2];
        for (int c = 0; c < NC; ++c) outputRing_[w2][c] = y[c] * ceilingGain;
        const v2d wetPair = outputRing_[r2];
        for (int c = 0; c < NC; ++c) wet[c] = wetPair[c];
        r2 = (r2 + 1) & m2;
        w2 = (w2 + 1) & m2;
        const v2d dry = dryRing_[w2];
        double out[2];
        // At Mix 100 % the wet signal is taken as it is, so that the ceiling holds to the last bit.
        for (int c = 0; c < NC; ++c) out[c] = outputGain * (fullMix ? wet[c] : dry[c] + mix * (wet[c] - dry[c]));

        if constexpr (Ch == 0) {
            if (routing == ChannelRouting::Mono) {
                outA[i] = out[0];
                outB[i] = out[0];
            } else {
                const double pass = outputGain * dry[1];
                if (procLane == 0) {
                    outA[i] = out[0];
                    outB[i] = pass;
                } else {
                    outA[i] = pass;
                    outB[i] = out[0];
                }
            }
            if (meters) {
                const double procGain = gain[0] * meterGainScale;
                if (routing == ChannelRouting::Mono) {
                    meterIn_[0][i] = meterIn_[1][i] = in[0];
                    meterGain_[0][i] = meterGain_[1][i] = procGain;
                } else {
                    meterIn_[procLane][i] = in[0];
                    meterGain_[procLane][i] = procGain;
                    meterIn_[1 - procLane][i] = passIn[i];
                    meterGain_[1 - procLane][i] = cc_.smallSignalGain;
                }
            }
        } else {
            outA[i] = out[0];
            outB[i] = out[1];
            if (meters) {
                for (int c = 0; c < 2; ++c) {
                    meterIn_[c][i] = in[c];
                    meterGain_[c][i] = gain[c] * meterGainScale;
                }
            }
        }

        w1 = (w1 + 1) & m1;
        r1 = (r1 + 1) & m1;
        r3 = (r3 + 1) & m1;
    }
    w1_ = w1;
    r1_ = r1;
    r3_ = r3;
    w2_ = w2;
    r2_ = r2;
    denormalOffset_ = off;
}

// The stereo kernels with both channels as the lanes of one pair: the same arithmetic as
// kernel<1 or 2, Multi>, with the hot state held in registers for the block. They run only
// outside referenceMode, so the peak holds are stepped directly (inlined, no call in the loop).
template <bool Linked, bool Multi>
void CEngine::pairKernel(int n, bool meters) {
    using namespace simd;
    static_assert(2 * kMaxBlock <= kStageCapacity, "the stages hold a whole kernel block");
    const int m1 = s1_ - 1, m2 = s2_ - 1;
    int w1 = w1_, r1 = r1_, w2 = w2_, r2 = r2_;   // stage 1 (w2: dry ring), stage 3 (r2)
    int wFinal = w1_, r3 = r3_;                    // stage 2: look-ahead ring of the final stage
    int w2out = w2_;                               // stage 3: output ring
    double off = denormalOffset_;

    const EngineParams& p = params;
    const double driveGain = p.driveGain, ceilingGain = p.ceilingGain, outputGain = p.outputGain;
    const double mix = p.mixAmount;
    const bool fullMix = mix == 1.0;
    const double lowAdjust = p.lowAdjustGain, highAdjust = p.highAdjustGain;
    const double lowAdjustM1 = lowAdjust - 1.0, highAdjustM1 = highAdjust - 1.0;
    const double satGain[3] = {p.bandSatGain[0], p.bandSatGain[1], p.bandSatGain[2]};
    const double satInverse[3] = {p.bandSatInverse[0], p.bandSatInverse[1], p.bandSatInverse[2]};
    const bool brickwall = p.brickwallOn != 0;
    const bool autoOn = p.autoRelease != 0;
    const int kneeType = cc_.kneeType;
    const double kneeAmount = cc_.kneeAmount, kneeA = cc_.A;
    const double curveInputScale = cc_.curveInputScale;
    const TimeConstants tc = tc_;
    const double autoScale = (Linked && !Multi) ? tc.autoReleaseScale : 1.0;

    SubsonicLanes sub;
    sub.load(subC_, subS_[0], subS_[1]);
    CrossoverLanes low, high;
    low.load(lowC_, lowS_[0], lowS_[1]);
    high.load(highC_, highS_[0], highS_[1]);

    // Smoothers: linked, one pair per detector (lanes fast, slow); unlinked, two pairs per
    // detector slot (fast A and B, slow A and B). Slots: low, mid, high, wide band / final stage.
    constexpr int kSlots = Multi ? 4 : 1;
    constexpr int kFirstSlot = Multi ? 0 : 3;
    SmootherLanes fast[kSlots], slow[kSlots];
    for (int k = 0; k < kSlots; ++k) {
        const int d = kFirstSlot + k;
        if (Linked) {
            fast[k].load(smoothState_[2 * d], smoothState_[2 * d + 1]);
        } else {
            fast[k].load(smoothState_[2 * d], smoothState_[kChannelBSmoothers + 2 * d]);
            slow[k].load(smoothState_[2 * d + 1], smoothState_[kChannelBSmoothers + 2 * d + 1]);
        }
    }
    // Envelopes: lane 0 alone is used by the linked kernels.
    v2d envWide = v2d{envWide_[0], envWide_[1]};
    v2d envFinal = v2d{envFinal_[0], envFinal_[1]};
    v2d envBand[3];
    for (int b = 0; b < 3; ++b) envBand[b] = v2d{envBand_[0][b], envBand_[1][b]};

    const double* ia = inBuf_[0];
    const double* ib = inBuf_[1];
    double* oa = outBuf_[0];
    double* ob = outBuf_[1];
    v2d* const dryRing = dryRing_;
    v2d* const outRing = outputRing_;
    v2d* const look = lookAheadRing_;

    // One detector step: window maximum(s) already taken, B per lane (linked: lane 0).
    // Returns the follower state updated in env.
    auto detect = [&](int slot, v2d B, v2d& env, double attackCoeff, double releaseCoeff,
                      const FollowerRule& rule, double scale) {
        if constexpr (Linked) {
            const v2d c = fast[slot].step(splat(B[0]));
            const double autoFactor = autoOn ? autoReleaseFactor(c[0], c[1], rule) : 0.0;
            double e = env[0];
            simd::followerStep(B[0], e, attackCoeff, releaseCoeff, autoOn, autoFactor, rule, scale);
            env[0] = e;
        } else {
            const v2d c1 = fast[slot].step(B);
            const v2d c2 = slow[slot].step(B);
            simd::followerStep(B, env, attackCoeff, releaseCoeff, autoOn, c1, c2, rule, scale);
        }
    };

    // The block runs in stages, each over every sample: (1) dry ring, fixed filters, look-ahead
    // (or band) rings and peak holds; (2) detectors and gains, and for multi-band then the final
    // stage on the band sum; (3) ceiling, output ring and mix.
    // Each ring is accessed by one stage alone, in sample order, and each stateful element is
    // stepped in sample order, so the results are those of one pass; the short stages let the
    // processor overlap many samples instead of waiting on the long chain within a sample.
    // Stage 1 hands over the denormal offset, the dry signal read back from the dry ring, the
    // delayed signals read back from the look-ahead (or band) rings and the detector levels.
    double* const stageOff = stageOff_;
    v2d* const stageDry = stageDry_;
    v2d* const stageY = stageY_;
    v2d* const stageGain = stageGain_;

    // Stage 1.
    for (int i = 0; i < n; ++i) {
        off = -off;
        stageOff[i] = off;
        const v2d offv = splat(off);
        const v2d in = v2d{ia[i], ib[i]};
        dryRing[w2] = in + offv;
        w2 = (w2 + 1) & m2;
        stageDry[i] = dryRing[w2];
        const v2d x = sub.step(in, offv);
        const v2d lp = high.step(x, offv);
        const v2d hp = low.step(x, offv);
        if constexpr (!Multi) {
            const v2d xa = x + lowAdjustM1 * (x - hp) + highAdjustM1 * (x - lp);
            look[w1] = xa;
            stageDelayed_[0][i] = look[r1];
            const v2d det = vabs(xa) * kDetectorMargin;
            v2d B;
            if constexpr (Linked) {
                const double v = det[0] < det[1] ? det[1] : det[0];
                B = splat(wideHold_[0].step(w1, r1, m1, v) + kDetectorFloor + off);
            } else {
                B[0] = wideHold_[0].step(w1, r1, m1, det[0]) + kDetectorFloor + off;
                B[1] = wideHold_[1].step(w1, r1, m1, det[1]) + kDetectorFloor + off;
            }
            stageLevel_[0][i] = B;
        } else {
            const v2d band[3] = {(x - hp) * lowAdjust, hp - (x - lp), (x - lp) * highAdjust};
            for (int b = 0; b < 3; ++b) {
                v2d* ring = bandRing_ + b * s1Max_;
                ring[w1] = band[b];
                stageDelayed_[b][i] = ring[r1];
                const v2d mag = vabs(band[b]);
                v2d B;
                if constexpr (Linked) {
                    const double v = mag[0] < mag[1] ? mag[1] : mag[0];
                    B = splat(bandHold_[b][0].step(w1, r1, m1, v) + kDetectorFloor + off);
                } else {
                    B[0] = bandHold_[b][0].step(w1, r1, m1, mag[0]) + kDetectorFloor + off;
                    B[1] = bandHold_[b][1].step(w1, r1, m1, mag[1]) + kDetectorFloor + off;
                }
                stageLevel_[b][i] = B;
            }
        }
        w1 = (w1 + 1) & m1;
        r1 = (r1 + 1) & m1;
    }

    // Stage 2: the signal after the gains (stageY) and the gain applied (stageGain, for the meters);
    // multi-band, the sum of the bands and their smallest gain, which the final stage then takes.
    if constexpr (Linked && Multi) {
        // Linked multi-band: the band followers first, then the band gains of two samples at a
        // time (a sample per lane; an odd last sample takes both lanes).
        for (int i = 0; i < n; ++i) {
            for (int b = 0; b < 3; ++b) {
                detect(b, stageLevel_[b][i], envBand[b], tc.attackCoeff, tc.bandReleaseCoeff[b], kBandRule, 1.0);
                stageEnv_[b][i] = envBand[b][0];
            }
        }
        for (int i = 0; i < n; i += 2) {
            const int j = i + 1 < n ? i + 1 : i;
            v2d t[3];
            for (int b = 0; b < 3; ++b)
                t[b] = simd::bandGain(v2d{stageEnv_[b][i], stageEnv_[b][j]}, driveGain, satGain[b], satInverse[b],
                                      curveInputScale, kneeType, kneeAmount, kneeA);
            for (int k = 0; k < 2; ++k) {
                const int s = k == 0 ? i : j;
                v2d sum, minGain;
                for (int b = 0; b < 3; ++b) {
                    const v2d tb = splat(t[b][k]);
                    const v2d o = stageDelayed_[b][s] * tb;
                    if (b == 0) {
                        sum = o;
                        minGain = tb;
                    } else {
                        sum = sum + o;
                        minGain = vmin(minGain, tb);
                    }
                }
                stageY[s] = sum;
                stageGain[s] = minGain;
            }
        }
    } else {
        for (int i = 0; i < n; ++i) {
            if constexpr (!Multi) {
                detect(0, stageLevel_[0][i], envWide, tc.attackCoeff, tc.releaseCoeff, kWideBandRule, autoScale);
                v2d gain;
                if constexpr (Linked)
                    gain = splat(dsp::wideBandGain(envWide[0], driveGain, curveInputScale, kneeType, kneeAmount, kneeA));
                else
                    gain = simd::wideBandGain(envWide, driveGain, curveInputScale, kneeType, kneeAmount, kneeA);
                v2d y = stageDelayed_[0][i] * gain;
                if (brickwall) y = clampUnit(y);
                stageY[i] = y;
                stageGain[i] = gain;
            } else {
                v2d sum, minGain;
                for (int b = 0; b < 3; ++b) {
                    detect(b, stageLevel_[b][i], envBand[b], tc.attackCoeff, tc.bandReleaseCoeff[b], kBandRule, 1.0);
                    const v2d tb = simd::bandGain(envBand[b], driveGain, satGain[b], satInverse[b], curveInputScale,
                                                  kneeType, kneeAmount, kneeA);
                    const v2d o = stageDelayed_[b][i] * tb;
                    if (b == 0) {
                        sum = o;
                        minGain = tb;
                    } else {
                        sum = sum + o;
                        minGain = vmin(minGain, tb);
                    }
                }
                stageY[i] = sum;
                stageGain[i] = minGain;
            }
        }
    }

    // Stage 2, multi-band: the final stage on the sum of the bands, as a pass of its own.
    if constexpr (Multi) {
        for (int i = 0; i < n; ++i) {
            const v2d sum = stageY[i];
            v2d minGain = stageGain[i];
            look[wFinal] = sum;
            const v2d det = vabs(sum) * kDetectorMargin;
            v2d peakValue;
            if constexpr (Linked) {
                const double v = det[0] < det[1] ? det[1] : det[0];
                peakValue[0] = finalHold_[0].step(wFinal, r3, m1, v);
                peakValue[1] = peakValue[0];  // one detector for both channels
            } else {
                peakValue[0] = finalHold_[0].step(wFinal, r3, m1, det[0]);
                peakValue[1] = finalHold_[1].step(wFinal, r3, m1, det[1]);
            }
            v2d y = look[r3];
            if (brickwall) {
                const v2d B = peakValue + kDetectorFloor + splat(stageOff[i]);
                detect(3, B, envFinal, tc.limiterAttackCoeff, tc.limiterReleaseCoeff, kFinalStageRule, 1.0);
                v2d g;
                if constexpr (Linked)
                    g = splat(dsp::finalStageGain(envFinal[0]));
                else
                    g = simd::finalStageGain(envFinal);
                y = clampUnit(y * g);
                minGain = minGain * g;
            }
            stageY[i] = y;
            stageGain[i] = minGain;
            wFinal = (wFinal + 1) & m1;
            r3 = (r3 + 1) & m1;
        }
    }

    // Stage 3.
    for (int i = 0; i < n; ++i) {
        outRing[w2out] = stageY[i] * ceilingGain;
        const v2d wet = outRing[r2];
        r2 = (r2 + 1) & m2;
        w2out = (w2out + 1) & m2;
        const v2d dry = stageDry[i];
        const v2d out = outputGain * (fullMix ? wet : dry + mix * (wet - dry));
        oa[i] = out[0];
        ob[i] = out[1];
        if (meters) {
            const v2d g = stageGain[i] * ceilingGain;
            meterIn_[0][i] = ia[i];
            meterIn_[1][i] = ib[i];
            meterGain_[0][i] = g[0];
            meterGain_[1][i] = g[1];
        }
    }

    sub.store(subS_[0], subS_[1]);
    low.store(lowS_[0], lowS_[1]);
    high.store(highS_[0], highS_[1]);
    for (int k = 0; k < kSlots; ++k) {
        const int d = kFirstSlot + k;
        if (Linked) {
            fast[k].store(smoothState_[2 * d], smoothState_[2 * d + 1]);
        } else {
            fast[k].store(smoothState_[2 * d], smoothState_[kChannelBSmoothers + 2 * d]);
            slow[k].store(smoothState_[2 * d + 1], smoothState_[kChannelBSmoothers + 2 * d + 1]);
        }
    }
    if (Linked) {
        envWide_[0] = envWide[0];
        envFinal_[0] = envFinal[0];
        for (int b = 0; b < 3; ++b) envBand_[0][b] = envBand[b][0];
    } else {
        for (int c = 0; c < 2; ++c) {
            envWide_[c] = envWide[c];
            envFinal_[c] = envFinal[c];
            for (int b = 0; b < 3; ++b) envBand_[c][b] = envBand[b][c];
        }
    }
    w1_ = w1;
    r1_ = r1;
    r3_ = (r3_ + n) & m1;   // stepped by stage 2 in the multi-band kernels only
    w2_ = w2;
    r2_ = r2;
    denormalOffset_ = off;
}

// ---------------------------------------------------------------------------------------------
// Meters. meterIn_ holds the input as it entered (without the anti-denormal offset, so that a
// full-scale sample counts as an over whatever the offset's sign); meterGain_ holds the applied
// gain times ceilingGain, and the reading divides it by smallSignalGain, so that a small signal
// without gain reduction reads 1.0.

void CEngine::runMeters(int n) {
    const EngineParams& p = params;
    const int source = p.meterSource;   // 0 Pre, 1 GainRed, 2 Post
    const bool ppm = p.meterTypePpm != 0;
    const double fs = kernelRate();
    const double smallSignal = cc_.smallSignalGain;
    const double threshold = p.overThreshold;
    const double vuScale = 1.4142136 * 1.096 / p.vuReference;

    double attack = 1.0, release = 1.0, correction = 1.0;
    if (ppm) {
        if (p.ppmIntegrationMs > 0.05) attack = 1.0 - std::pow(0.01, 1.0 / (p.ppmIntegrationMs * 0.001 * fs));
        release = 1.0 - std::pow(0.01, 1.0 / (fs * p.ppmReturnMs * 0.001));
        correction = std::pow(10.0, 0.19 * std::pow(static_cast<double>(p.ppmRatio), 0.6));
    }

    for (int c = 0; c < 2; ++c) {
        float m = meterState_[c];
        float count = overCount_[c];
        double off = meterOffsetStart_;
        const double* pre = meterIn_[c];
        const double* post = outBuf_[c];
        const double* gains = meterGain_[c];
        CBiquad& vu = vuFilters_[c];
        for (int i = 0; i < n; ++i) {
            off = -off;
            const double x = source == 0 ? pre[i] : post[i];
            if (source == 1) {
                const double g = gains[i] / smallSignal;
                if (!ppm) {
                    if (gains[i] < 0.01)
                        m = 1.0f;
                    else
                        m = static_cast<float>(vu.step(g));
                } else {
                    const double md = m;
                    m = static_cast<float>(md + (g - md) * (md > g ? attack : release) + off);
                }
            } else if (!ppm) {
                m = static_cast<float>(vu.step(std::fabs(x) * vuScale));
            } else {
                const double md = m;
                const double target = std::fabs(x) * correction;
                double next = md + (target - md) * (target > md ? attack : release);
                if (source == 2) next += off;
                m = static_cast<float>(next);
            }
            if (std::fabs(x) >= 1.0)
                count += 1.0f;
            else if (count < threshold)
                count = 0.0f;
        }
        meterState_[c] = m;
        overCount_[c] = count;
        meterValue[c].store(m, std::memory_order_relaxed);
    }
}

void CEngine::overLatch() {
    const double threshold = params.overThreshold;
    for (int c = 0; c < 2; ++c) {
        if (overCount_[c] >= threshold) {
            overFlag[c].store(1.0f, std::memory_order_relaxed);
            overCount_[c] = 0.0f;
        }
    }
}

}  // namespace dsp

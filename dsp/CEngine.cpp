#include "dsp/CEngine.h"

#include <algorithm>
#include <cstring>

#include "dsp/EngineKernels.h"

namespace dsp {

namespace {

constexpr double kInitialEnvelope = 0.0001;
constexpr int kBiquadLowPass = 8;

// Smoother slots: channel A low, mid, high, wide band / final stage (fast, slow), then channel B.
constexpr double kSmootherHz[16] = {50, 5, 200, 20, 1000, 100, 200, 20, 200, 20, 200, 20, 200, 20, 200, 20};

}  // namespace

CEngine::CEngine(const EngineConfig& config)
    : config_(config),
      s1Max_(1024 >> config.ringShift),
      s2Max_(2048 >> config.ringShift) {
    static_assert(2 * kMaxBlockFrames <= kBlockCapacity && 2 * kMaxBlockFrames <= kStageCapacity,
                  "the block buffers and stages hold an oversampled block");
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
    {
        double up[simd::FatResampler::kHalf + 1], down[simd::FatResampler::kHalf + 1];
        for (int i = 0; i <= simd::FatResampler::kHalf; ++i) {
            up[i] = fatDesign_.upCoeff(i);
            down[i] = fatDesign_.downCoeff(i);
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
    if (config_.hasFat) return fatDesign_.latency() + s2_ + 1;
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
        simd::SmootherState& s = smoothState_[k];
        s.takeDesign(smoothers_[k]);
        if (clearHistory) s.x1 = s.x2 = s.y1 = s.y2 = 0.0;
    }
}

void CEngine::fullReset() {
    clearSignalState();
    resetDynamics();
    resampler_->clear();
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

CEngine::Kernel CEngine::chooseKernel() const {
    const EngineParams& p = params;
    if (!p.processOn) return kBypass;
    if (!p.stereo) return p.multiBand ? kMonoMulti : kMonoSingle;
    if (p.linked) return p.multiBand ? kLinkedMulti : kLinkedSingle;
    return p.multiBand ? kUnlinkedMulti : kUnlinkedSingle;
}

// ---------------------------------------------------------------------------------------------
// Block wrapper: blocks of at most kMaxBlockFrames host frames, each resampled (or delayed),
// run through the kernel the switches choose, fed to the meters and resampled back.

void CEngine::process(const float* inA, const float* inB, float* outA, float* outB, int frames) {
    forEachBlock(inA, inB, outA, outB, frames, inBuf_, outBuf_, [this](int n) { runBlock(n); });
    overLatch();
}

void CEngine::process(const double* inA, const double* inB, double* outA, double* outB, int frames) {
    forEachBlock(inA, inB, outA, outB, frames, inBuf_, outBuf_, [this](int n) { runBlock(n); });
    overLatch();
}

void CEngine::runBlock(int n) {
    const int m = enterBlock(n);
    const bool meters = metersActive.load(std::memory_order_relaxed) != 0;
    meterOffsetStart_ = denormalOffset_;
    switch (chooseKernel()) {
        case kBypass: bypassKernel(m, meters); break;
        case kMonoSingle: monoKernel<false>(m, meters); break;
        case kMonoMulti: monoKernel<true>(m, meters); break;
        case kLinkedSingle: pairKernel<Layout::Linked, false>(m, meters); break;
        case kLinkedMulti: pairKernel<Layout::Linked, true>(m, meters); break;
        case kUnlinkedSingle: pairKernel<Layout::Unlinked, false>(m, meters); break;
        case kUnlinkedMulti: pairKernel<Layout::Unlinked, true>(m, meters); break;
    }
    leaveBlock(n, m, meters);
}

int CEngine::enterBlock(int n) {
    if (!fatRunning()) {
        if (config_.hasFat) resampler_->delayIn(inBuf_[0], inBuf_[1], n);
        return n;
    }
    resampler_->upsample(inBuf_[0], inBuf_[1], n);
    const int m = 2 * n;
    // Both channels through the FAT delay ring (S2 - 3 oversampled frames).
    // Frame i is stored at index + i and replaced by the entry at index + i + 3, written
    // S2 - 3 frames earlier.
    const int mask = s2_ - 1;
    const int idx = fatIndex_;
    double* a = inBuf_[0];
    double* b = inBuf_[1];
    if (m + 3 <= s2_) {
        // Each slot is read three frames before it is written: one pass.
        for (int i = 0; i < m; ++i) {
            const v2d v = fatRing_[(idx + i + 3) & mask];
            fatRing_[(idx + i) & mask] = v2d{a[i], b[i]};
            a[i] = v[0];
            b[i] = v[1];
        }
    } else {
        v2d* const tmp = reinterpret_cast<v2d*>(meterIn_[0]);   // free until the kernel runs
        for (int i = 0; i < m; ++i) tmp[i] = v2d{a[i], b[i]};
        for (int i = 0; i < m; ++i) {
            const v2d v = fatRing_[(idx + i + 3) & mask];
            a[i] = v[0];
            b[i] = v[1];
        }
        for (int i = 0; i < m; ++i) fatRing_[(idx + i) & mask] = tmp[i];
    }
    fatIndex_ = (idx + m) & mask;
    return m;
}

void CEngine::leaveBlock(int n, int m, bool meters) {
    if (meters) runMeters(m);
    if (m == n) {
        if (config_.hasFat) resampler_->delayOut(outBuf_[0], outBuf_[1], n);
        return;
    }
    resampler_->downsample(outBuf_[0], outBuf_[1], m);
    if (!params.brickwallOn) return;
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

KernelConstants CEngine::kernelConstants(bool scaleAuto) const { return KernelConstants(params, cc_, tc_, scaleAuto); }

}  // namespace dsp

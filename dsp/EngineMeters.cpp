// The meter detectors: VU, PPM and gain-reduction readings and the over counts, fed by the
// kernels with the input and the applied gain of every sample. meterIn_ holds the input as it
// entered (without the anti-denormal offset, so that a full-scale sample counts as an over
// whatever the offset's sign); meterGain_ holds the applied gain times ceilingGain, and the
// reading divides it by smallSignalGain, so that a small signal without gain reduction reads 1.0.
#include <cmath>

#include "dsp/CEngine.h"

namespace dsp {

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

void CEngine::runMeters(int n) {
    const EngineParams& p = params;
    const int source = p.meterSource;   // 0 Pre, 1 GainRed, 2 Post
    const bool ppm = p.meterTypePpm != 0;
    const double fs = kernelRate();
    const double smallSignal = cc_.smallSignalGain;
    const double threshold = p.overThreshold;
    const double vuScale = 1.4142136 * 1.096 / p.vuReference;

    // The readings feed no audio: the C library's pow, which costs a small
    // fraction of the product's own, every block.
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

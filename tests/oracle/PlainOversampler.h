// The two-times resampler of one channel done the plain way, sample by sample on
// 256-entry rings with the coefficients of a COversampler design: the reference
// the engine's FAT resampler is compared with. The same two rings double as the
// plain 64-sample delays that keep the latency while FAT is off.
#pragma once

#include "dsp/COversampler.h"
#include "dsp/StereoResampler.h"

namespace dsp::oracle {

class PlainOversampler {
public:
    static constexpr int kRingSize = 256;

    explicit PlainOversampler(int flags);

    const COversampler& design() const { return design_; }
    void clear();
    void upsample(double* block, int n);     // in place: n samples in, 2n out (block has room for 2n)
    void downsample(double* block, int n2);  // in place: n2 = 2n in, n out
    void delayIn(double* block, int n);      // FAT-off input delay, 64 samples, in the interpolator ring
    void delayOut(double* block, int n);     // FAT-off output delay, 64 samples, in the decimator ring

private:
    enum UpMode { kUpModeRepeat, kUpModeFir, kUpModeCubic };
    enum DownMode { kDownModeFirst, kDownModeFir, kDownModeSecond };

    double upFir(unsigned d) const;
    double downFir(unsigned c) const;

    COversampler design_;
    UpMode upMode_;
    DownMode downMode_;
    double upRing_[kRingSize] = {};
    double downRing_[kRingSize] = {};
    unsigned upIndex_ = kRingSize - 1;
    unsigned downIndex_ = kRingSize - 1;
};

// Both channels, each through its own plain resampler with the product's flags.
class PlainStereoResampler final : public StereoResampler {
public:
    void clear() override;
    void upsample(double* a, double* b, int n) override;
    void downsample(double* a, double* b, int n2) override;
    void delayIn(double* a, double* b, int n) override;
    void delayOut(double* a, double* b, int n) override;

private:
    // One step of the plain resampler on each channel: a with the first, b with the second.
    void onBoth(void (PlainOversampler::*step)(double*, int), double* a, double* b, int n);

    PlainOversampler channel_[2] = {PlainOversampler(COversampler::kProductFlags),
                                    PlainOversampler(COversampler::kProductFlags)};
};

}  // namespace dsp::oracle

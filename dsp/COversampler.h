// Two-times half-band resampler, one per channel. The configuration flags
// select the interpolator and the decimator of the family; the product uses
// 0x808 (255-tap Blackman interpolator, 255-tap Hann decimator). The same two
// 256-entry rings double as the plain 64-sample delays that keep the latency
// unchanged while oversampling is off.
#pragma once

namespace dsp {

class COversampler {
public:
    enum Flags {
        kUpRepeat = 0x1,        // sample repetition
        kUpFir63 = 0x2,         // 63 taps, Blackman
        kUpFir127 = 0x4,        // 127 taps, Hann
        kUpFir255 = 0x8,        // 255 taps, Blackman
        kUpCubic = 0x10,        // cubic mid-point from four samples
        kDownDecimate = 0x100,  // keep every second sample
        kDownFir255 = 0x800,    // 255 taps, Hann
        kDownDecimate2 = 0x1000,// keep every second sample (later one of each pair)
    };
    static constexpr int kProductFlags = kUpFir255 | kDownFir255;
    static constexpr int kRingSize = 256;
    static constexpr int kMaxHalf = 127;

    explicit COversampler(int flags);

    int flags() const { return flags_; }
    int latency() const;                 // 126 for 0x808
    void clear();
    void upsample(double* block, int n);     // in place: n samples in, 2n out (block has room for 2n)
    void downsample(double* block, int n2);  // in place: n2 = 2n in, n out
    void delayIn(double* block, int n);      // FAT-off input delay, 64 samples, in the interpolator ring
    void delayOut(double* block, int n);     // FAT-off output delay, 64 samples, in the decimator ring

    // Coefficients for i = 0..half (c[-i] == c[i]); zero beyond the half length.
    double upCoeff(int i) const { return (i >= 0 && i <= kMaxHalf) ? cUp_[i] : 0.0; }
    double downCoeff(int i) const { return (i >= 0 && i <= kMaxHalf) ? cDown_[i] : 0.0; }
    int upHalfLength() const { return upHalf_; }
    int downHalfLength() const { return downHalf_; }

private:
    enum UpMode { kUpModeRepeat, kUpModeFir, kUpModeCubic };
    enum DownMode { kDownModeFirst, kDownModeFir, kDownModeSecond };

    double upFir(int d) const;

    int flags_;
    int latency_ = 0;
    UpMode upMode_ = kUpModeRepeat;
    DownMode downMode_ = kDownModeFirst;
    int upHalf_ = 0;     // (taps - 1) / 2 of the interpolator FIR, 0 without one
    int downHalf_ = 0;   // (taps - 1) / 2 of the decimator FIR, 0 without one
    double cUp_[kMaxHalf + 1] = {};
    double cDown_[kMaxHalf + 1] = {};
    double upRing_[kRingSize] = {};
    double downRing_[kRingSize] = {};
    unsigned upIndex_ = kRingSize - 1;
    unsigned downIndex_ = kRingSize - 1;
};

}  // namespace dsp

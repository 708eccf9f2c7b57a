// Design of the two-times half-band resampler: the configuration flags select
// the interpolator and the decimator of the family and fix their coefficients
// and latency count. The product uses 0x808 (255-tap Blackman interpolator,
// 255-tap Hann decimator); the engine's FAT resampler (EngineSimd.h) runs its
// coefficients on both channels.
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
    static constexpr int kMaxHalf = 127;

    explicit COversampler(int flags);

    int flags() const { return flags_; }
    int latency() const { return latency_; }   // 126 for 0x808

    // Coefficients for i = 0..half (c[-i] == c[i]); zero beyond the half length.
    double upCoeff(int i) const { return (i >= 0 && i <= kMaxHalf) ? cUp_[i] : 0.0; }
    double downCoeff(int i) const { return (i >= 0 && i <= kMaxHalf) ? cDown_[i] : 0.0; }
    // (taps - 1) / 2 of the interpolator and decimator FIRs; 0 where the flags select none.
    int upHalfLength() const { return upHalf_; }
    int downHalfLength() const { return downHalf_; }

private:
    int flags_;
    int latency_ = 0;
    int upHalf_ = 0;
    int downHalf_ = 0;
    double cUp_[kMaxHalf + 1] = {};
    double cDown_[kMaxHalf + 1] = {};
};

}  // namespace dsp

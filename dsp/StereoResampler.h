// What the block wrapper needs of a FAT resampler: both channels twice the
// rate and back, and while FAT is off the plain delays that keep the latency
// the same (64 frames before and 64 after the kernel).
#pragma once

namespace dsp {

class StereoResampler {
public:
    virtual ~StereoResampler() = default;
    virtual void clear() = 0;
    // n host frames per channel in, 2n out (a and b have room for 2n).
    virtual void upsample(double* a, double* b, int n) = 0;
    // 2n oversampled frames in, n out.
    virtual void downsample(double* a, double* b, int n2) = 0;
    virtual void delayIn(double* a, double* b, int n) = 0;
    virtual void delayOut(double* a, double* b, int n) = 0;
};

}  // namespace dsp

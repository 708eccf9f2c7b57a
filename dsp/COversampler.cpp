#include "dsp/COversampler.h"

#include <cmath>
#include <numbers>

namespace dsp {

namespace {

constexpr unsigned kMask = COversampler::kRingSize - 1;

enum Window { kBlackman, kHann };

// Half-band windowed-sinc kernel of 2 * half + 1 taps, c[0..half].
void designHalfBand(double* c, int half, Window window, double scale) {
    const double taps = 2 * half + 1;
    const double pi = std::numbers::pi;
    c[0] = scale * 0.5;   // both windows are exactly 1 at the centre
    for (int i = 1; i <= half; ++i) {
        // sin(i pi / 2) taken exactly: 0 for even i (the half-band zeros), +-1 for odd i.
        const double s = i % 2 == 0 ? 0.0 : (i % 4 == 1 ? 1.0 : -1.0);
        const double k = s / ((taps + 1.0) * std::sin(i * pi / taps));
        const double w = window == kBlackman
                             ? 0.42 + 0.5 * std::cos(2.0 * pi * i / taps) + 0.08 * std::cos(4.0 * pi * i / taps)
                             : 0.5 + 0.5 * std::cos(2.0 * pi * i / taps);
        double v = scale * k * w;
        if (std::fabs(v) < 1e-16) v = 0.0;
        c[i] = v;
    }
    for (int i = half + 1; i <= COversampler::kMaxHalf; ++i) c[i] = 0.0;
}

}  // namespace

COversampler::COversampler(int flags) : flags_(flags) {
    if (flags & kUpFir255) {
        upMode_ = kUpModeFir;
        upHalf_ = 127;
        designHalfBand(cUp_, upHalf_, kBlackman, 2.0);
        latency_ += 63;
    } else if (flags & kUpFir127) {
        upMode_ = kUpModeFir;
        upHalf_ = 63;
        designHalfBand(cUp_, upHalf_, kHann, 2.0);
        latency_ += 31;
    } else if (flags & kUpFir63) {
        upMode_ = kUpModeFir;
        upHalf_ = 31;
        designHalfBand(cUp_, upHalf_, kBlackman, 2.0);
        latency_ += 15;
    } else if (flags & kUpCubic) {
        upMode_ = kUpModeCubic;
        latency_ += 2;
    } else {
        upMode_ = kUpModeRepeat;   // 0x1, and the fallback without an interpolator bit
    }

    if (flags & kDownFir255) {
        downMode_ = kDownModeFir;
        downHalf_ = 127;
        designHalfBand(cDown_, downHalf_, kHann, 1.0);
        latency_ += 63;
    } else if (flags & kDownDecimate2) {
        downMode_ = kDownModeSecond;
        latency_ += 2;
    } else if (flags & kDownDecimate) {
        downMode_ = kDownModeFirst;
        latency_ += 1;
    } else {
        downMode_ = kDownModeFirst;  // fallback without a decimator bit
    }
    clear();
}

int COversampler::latency() const { return latency_; }

void COversampler::clear() {
    for (int i = 0; i < kRingSize; ++i) {
        upRing_[i] = 0;
        downRing_[i] = 0;
    }
    upIndex_ = kRingSize - 1;
    downIndex_ = kRingSize - 1;
}

// Odd phase of the interpolator at ring index d (the newest stuffed sample):
// the FIR applied to the stuffed samples 2 .. 2 * half + 2 steps old, of which
// only the even ones (the input samples) are non-zero. Evaluated before the
// new sample is written, so that with 255 taps the oldest tap still sees the
// sample 256 steps old and not the one about to overwrite it.
double COversampler::upFir(int d) const {
    const unsigned base = static_cast<unsigned>(d);
    const unsigned span = 2u * static_cast<unsigned>(upHalf_) + 2u;
    double sum = 0.0;
    for (int m = 0, top = (upHalf_ - 1) / 2; m <= top; ++m) {
        const unsigned two_m = 2u * static_cast<unsigned>(m);
        sum += (upRing_[(base + 2u + two_m) & kMask] + upRing_[(base + span - two_m) & kMask]) * cUp_[upHalf_ - 2 * m];
    }
    return sum;
}

void COversampler::upsample(double* block, int n) {
    if (n <= 0) return;
    // Move the input to the upper half, so that writing the output pairs from
    // the start never overtakes the input still to be read.
    for (int i = n - 1; i >= 0; --i) block[n + i] = block[i];
    unsigned d = upIndex_;
    for (int i = 0; i < n; ++i) {
        const double x = block[n + i];
        double first, second;
        switch (upMode_) {
        case kUpModeFir: {
            first = upFir(static_cast<int>(d));
            upRing_[d] = x;
            // Even phase: the centre tap meets the input sample (half + 1) / 2
            // input periods old, so both outputs carry the same delay.
            second = upRing_[(d + static_cast<unsigned>(upHalf_) + 1u) & kMask] * cUp_[0];
            break;
        }
        case kUpModeCubic: {
            upRing_[d] = x;
            const double xm1 = upRing_[(d + 2u) & kMask];
            const double xm2 = upRing_[(d + 4u) & kMask];
            const double xm3 = upRing_[(d + 6u) & kMask];
            first = xm2;
            second = (9.0 * (xm2 + xm1) - (xm3 + x)) / 16.0;
            break;
        }
        default:
            upRing_[d] = x;
            first = x;
            second = x;
            break;
        }
        d = (d - 1u) & kMask;
        upRing_[d] = 0.0;  // the stuffed zero
        d = (d - 1u) & kMask;
        block[2 * i] = first;
        block[2 * i + 1] = second;
    }
    upIndex_ = d;
}

void COversampler::downsample(double* block, int n2) {
    const int n = n2 / 2;
    unsigned c = downIndex_;
    for (int i = 0; i < n; ++i) {
        const double u0 = block[2 * i];
        const double u1 = block[2 * i + 1];
        double out;
        switch (downMode_) {
        case kDownModeFir: {
            const unsigned span = 2u * static_cast<unsigned>(downHalf_) + 2u;
            double sum = 0.0;
            // The oldest tap is read before u0 takes its slot (see upFir).
            for (int m = 0, top = (downHalf_ - 1) / 2; m <= top; ++m) {
                const unsigned two_m = 2u * static_cast<unsigned>(m);
                sum += (downRing_[(c + 2u + two_m) & kMask] + downRing_[(c + span - two_m) & kMask]) *
                       cDown_[downHalf_ - 2 * m];
            }
            downRing_[c] = u0;
            out = sum + downRing_[(c + static_cast<unsigned>(downHalf_) + 2u) & kMask] * cDown_[0];
            break;
        }
        case kDownModeSecond:
            downRing_[c] = u0;
            out = u1;
            break;
        default:
            downRing_[c] = u0;
            out = u0;
            break;
        }
        downRing_[(c - 1u) & kMask] = u1;
        c = (c - 2u) & kMask;
        block[i] = out;
    }
    downIndex_ = c;
}

void COversampler::delayIn(double* block, int n) {
    unsigned d = upIndex_;
    for (int i = 0; i < n; ++i) {
        const double x = block[i];
        upRing_[d] = x;
        upRing_[(d - 1u) & kMask] = x;
        block[i] = upRing_[(d + 128u) & kMask];
        d = (d - 2u) & kMask;
    }
    upIndex_ = d;
}

void COversampler::delayOut(double* block, int n) {
    unsigned c = downIndex_;
    for (int i = 0; i < n; ++i) {
        downRing_[c] = block[i];
        block[i] = downRing_[(c + 64u) & kMask];
        c = (c - 1u) & kMask;
    }
    downIndex_ = c;
}

}  // namespace dsp

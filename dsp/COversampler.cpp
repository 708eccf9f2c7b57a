#include "dsp/COversampler.h"

#include <cmath>
#include <numbers>

#include "dsp/Math.h"

namespace dsp {

namespace {

enum Window { kBlackman, kHann };

// Half-band windowed-sinc kernel of 2 * half + 1 taps, c[0..half].
void designHalfBand(double* c, int half, Window window, double scale) {
    const double taps = 2 * half + 1;
    const double pi = std::numbers::pi;
    c[0] = scale * 0.5;   // both windows are exactly 1 at the centre
    for (int i = 1; i <= half; ++i) {
        // sin(i pi / 2) taken exactly: 0 for even i (the half-band zeros), +-1 for odd i.
        const double s = i % 2 == 0 ? 0.0 : (i % 4 == 1 ? 1.0 : -1.0);
        const double k = s / ((taps + 1.0) * math::sin(i * pi / taps));
        const double w = window == kBlackman
                             ? 0.42 + 0.5 * math::cos(2.0 * pi * i / taps) + 0.08 * math::cos(4.0 * pi * i / taps)
                             : 0.5 + 0.5 * math::cos(2.0 * pi * i / taps);
        double v = scale * k * w;
        if (std::fabs(v) < 1e-16) v = 0.0;
        c[i] = v;
    }
    for (int i = half + 1; i <= COversampler::kMaxHalf; ++i) c[i] = 0.0;
}

}  // namespace

COversampler::COversampler(int flags) : flags_(flags) {
    if (flags & kUpFir255) {
        upHalf_ = 127;
        designHalfBand(cUp_, upHalf_, kBlackman, 2.0);
        latency_ += 63;
    } else if (flags & kUpFir127) {
        upHalf_ = 63;
        designHalfBand(cUp_, upHalf_, kHann, 2.0);
        latency_ += 31;
    } else if (flags & kUpFir63) {
        upHalf_ = 31;
        designHalfBand(cUp_, upHalf_, kBlackman, 2.0);
        latency_ += 15;
    } else if (flags & kUpCubic) {
        latency_ += 2;
    }   // 0x1, and the fallback without an interpolator bit: repetition, no delay

    if (flags & kDownFir255) {
        downHalf_ = 127;
        designHalfBand(cDown_, downHalf_, kHann, 1.0);
        latency_ += 63;
    } else if (flags & kDownDecimate2) {
        latency_ += 2;
    } else if (flags & kDownDecimate) {
        latency_ += 1;
    }   // without a decimator bit: the first sample of each pair, no delay
}

}  // namespace dsp

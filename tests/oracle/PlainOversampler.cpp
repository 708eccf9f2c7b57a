#include "tests/oracle/PlainOversampler.h"

namespace dsp::oracle {

namespace {
constexpr unsigned kMask = PlainOversampler::kRingSize - 1;

// A resampling direction's mode: the FIR where the design has taps, else the one
// its flag bit asks for, else the fallback (also taken when no bit is set).
template <class Mode>
Mode chooseMode(bool hasTaps, bool flagged, Mode fir, Mode whenFlagged, Mode fallback) {
    if (hasTaps) return fir;
    return flagged ? whenFlagged : fallback;
}
}  // namespace

PlainOversampler::PlainOversampler(int flags) : design_(flags) {
    // Fallbacks: 0x1 (repeat) and 0x100 (first sample).
    upMode_ = chooseMode(design_.upHalfLength() > 0, (flags & COversampler::kUpCubic) != 0, kUpModeFir,
                         kUpModeCubic, kUpModeRepeat);
    downMode_ = chooseMode(design_.downHalfLength() > 0, (flags & COversampler::kDownDecimate2) != 0, kDownModeFir,
                           kDownModeSecond, kDownModeFirst);
    clear();
}

void PlainOversampler::clear() {
    for (int i = 0; i < kRingSize; ++i) {
        upRing_[i] = 0;
        downRing_[i] = 0;
    }
    upIndex_ = kRingSize - 1;
    downIndex_ = kRingSize - 1;
}

// The FIR of half length `half` on a ring at index d, its taps on the samples 2 .. 2 * half + 2
// steps old, of which only the even ones are non-zero (the input samples of the interpolator's
// stuffed stream, the even samples of the decimator's). Evaluated before the new sample is
// written, so that with 255 taps the oldest tap still sees the sample 256 steps old and not the
// one about to overwrite it.
template <class Coeff>
double oddTaps(const double* ring, unsigned d, int half, Coeff coeff) {
    const unsigned span = 2u * static_cast<unsigned>(half) + 2u;
    double sum = 0.0;
    for (int m = 0, top = (half - 1) / 2; m <= top; ++m) {
        const unsigned two_m = 2u * static_cast<unsigned>(m);
        sum += (ring[(d + 2u + two_m) & kMask] + ring[(d + span - two_m) & kMask]) * coeff(half - 2 * m);
    }
    return sum;
}

double PlainOversampler::upFir(unsigned d) const {
    return oddTaps(upRing_, d, design_.upHalfLength(), [this](int i) { return design_.upCoeff(i); });
}

double PlainOversampler::downFir(unsigned c) const {
    return oddTaps(downRing_, c, design_.downHalfLength(), [this](int i) { return design_.downCoeff(i); });
}

void PlainOversampler::upsample(double* block, int n) {
    if (n <= 0) return;
    // Move the input to the upper half, so that writing the output pairs from
    // the start never overtakes the input still to be read.
    for (int i = n - 1; i >= 0; --i) block[n + i] = block[i];
    unsigned d = upIndex_;
    for (int i = 0; i < n; ++i) {
        const double x = block[n + i];
        double first, second;
        if (upMode_ == kUpModeFir) {
            first = upFir(d);
            upRing_[d] = x;
            // Even phase: the centre tap meets the input sample (half + 1) / 2
            // input periods old, so both outputs carry the same delay.
            second = upRing_[(d + static_cast<unsigned>(design_.upHalfLength()) + 1u) & kMask] * design_.upCoeff(0);
        } else if (upMode_ == kUpModeCubic) {
            upRing_[d] = x;
            const double xm1 = upRing_[(d + 2u) & kMask];
            const double xm2 = upRing_[(d + 4u) & kMask];
            const double xm3 = upRing_[(d + 6u) & kMask];
            first = xm2;
            second = (9.0 * (xm2 + xm1) - (xm3 + x)) / 16.0;
        } else {
            upRing_[d] = x;
            first = x;
            second = x;
        }
        d = (d - 1u) & kMask;
        upRing_[d] = 0.0;  // the stuffed zero
        d = (d - 1u) & kMask;
        block[2 * i] = first;
        block[2 * i + 1] = second;
    }
    upIndex_ = d;
}

void PlainOversampler::downsample(double* block, int n2) {
    const int n = n2 / 2;
    unsigned c = downIndex_;
    for (int i = 0; i < n; ++i) {
        const double u0 = block[2 * i];
        const double u1 = block[2 * i + 1];
        double out;
        if (downMode_ == kDownModeFir) {
            const double sum = downFir(c);
            downRing_[c] = u0;
            out = sum + downRing_[(c + static_cast<unsigned>(design_.downHalfLength()) + 2u) & kMask] *
                            design_.downCoeff(0);
        } else {
            downRing_[c] = u0;
            out = downMode_ == kDownModeSecond ? u1 : u0;
        }
        downRing_[(c - 1u) & kMask] = u1;
        c = (c - 2u) & kMask;
        block[i] = out;
    }
    downIndex_ = c;
}

void PlainOversampler::delayIn(double* block, int n) {
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

void PlainOversampler::delayOut(double* block, int n) {
    unsigned c = downIndex_;
    for (int i = 0; i < n; ++i) {
        downRing_[c] = block[i];
        block[i] = downRing_[(c + 64u) & kMask];
        c = (c - 1u) & kMask;
    }
    downIndex_ = c;
}

void PlainStereoResampler::clear() {
    for (auto& c : channel_) c.clear();
}

void PlainStereoResampler::onBoth(void (PlainOversampler::*step)(double*, int), double* a, double* b, int n) {
    (channel_[0].*step)(a, n);
    (channel_[1].*step)(b, n);
}

void PlainStereoResampler::upsample(double* a, double* b, int n) { onBoth(&PlainOversampler::upsample, a, b, n); }

void PlainStereoResampler::downsample(double* a, double* b, int n2) {
    onBoth(&PlainOversampler::downsample, a, b, n2);
}

void PlainStereoResampler::delayIn(double* a, double* b, int n) { onBoth(&PlainOversampler::delayIn, a, b, n); }

void PlainStereoResampler::delayOut(double* a, double* b, int n) { onBoth(&PlainOversampler::delayOut, a, b, n); }

}  // namespace dsp::oracle

#include "dsp/CBiquad.h"

#include <cmath>
#include <numbers>

#include "dsp/Math.h"

namespace dsp {

CBiquad::CBiquad(double sampleRate, int type, double frequency, double q, double gainDb)
    : sampleRate_(sampleRate), type_(type), frequency_(frequency), q_(q), gainDb_(gainDb) {
    limitFrequency();
    design();
}

void CBiquad::setSampleRate(double sampleRate) {
    sampleRate_ = sampleRate;
    limitFrequency();
    design();
}

void CBiquad::setFrequency(double frequency) {
    frequency_ = frequency;
    limitFrequency();
    design();
}

void CBiquad::clear() {
    x0_ = x1_ = x2_ = 0;
    y0_ = y1_ = y2_ = 0;
}

void CBiquad::limitFrequency() {
    const double maxFrequency = kMaxFrequencyRatio * sampleRate_;
    if (frequency_ > maxFrequency) frequency_ = maxFrequency;
    if (frequency_ < 0) frequency_ = 0;
}

void CBiquad::design() {
    const double w = 2.0 * std::numbers::pi * frequency_ / sampleRate_;
    const double cs = math::cos(w);
    const double sn = math::sin(w);
    switch (type_) {
    case kHighPass:
    case kLowShelf:
    case kPeaking:
    case kBandPass:
    case kNotch:
    case kHighShelf:
    case kAllPass:
        designNormalised(cs, sn);
        return;
    case kOnePoleCoeff: {
        // One-pole low-pass with the pole p: y = (1 - p) x + p y1.
        const double p = math::pow(0.005, frequency_ / sampleRate_);
        a0_ = p;
        b0_ = 1.0 - p;
        b1_ = 0;
        b2_ = 0;
        a1_ = -p;
        a2_ = 0;
        return;
    }
    case kLowPass: {
        const double alpha = sn / (bandwidthWarp(8, 0.50001) * q_ * 2.0);
        a0_ = 1.0 + alpha;
        b0_ = (1.0 - cs) / 2.0 / a0_;
        b1_ = (1.0 - cs) / a0_;
        b2_ = b0_;
        a1_ = -2.0 * cs / a0_;
        a2_ = (1.0 - alpha) / a0_;
        offset_ = 1e-13;
        return;
    }
    case kOnePoleHighPass: {
        // One-pole high-pass with the pole p, unity gain at half the rate:
        // y = (p + 1) / 2 * (x - x1) + p y1.
        const double p = math::pow(0.005, frequency_ / sampleRate_);
        const double g = (p + 1.0) / 2.0;
        a0_ = p;
        b0_ = g;
        b1_ = -g;
        b2_ = 0;
        a1_ = -p;
        a2_ = 0;
        return;
    }
    default:
        // Bypass, and unknown types: all coefficients at 1, numerator and denominator
        // cancel, so the filter passes its input (plus the offset).
        a0_ = a1_ = a2_ = b0_ = b1_ = b2_ = 1;
        return;
    }
}

// Bandwidth warp: widens the bandwidth term towards half the sample rate.
double CBiquad::bandwidthWarp(double p, double half) const {
    return 1.0 - math::pow(frequency_ / (half * sampleRate_), p);
}

// The types whose coefficients are normalised by a0 (kept unnormalised in a0_).
void CBiquad::designNormalised(double cs, double sn) {
    const double A = math::pow(10.0, gainDb_ / 40.0);
    double a0 = 1, a1 = 1, a2 = 1, b0 = 1, b1 = 1, b2 = 1;
    switch (type_) {
    case kHighPass: {
        const double alpha = sn / (bandwidthWarp(6, 0.5001) * q_ * 2.0);
        a0 = 1.0 + alpha;
        b0 = (1.0 + cs) / 2.0;
        b1 = -(1.0 + cs);
        b2 = b0;
        a1 = -2.0 * cs;
        a2 = 1.0 - alpha;
        break;
    }
    case kLowShelf: {
        const double beta = sn * std::sqrt(A) / (bandwidthWarp(3, 0.5001) * q_);
        b0 = A * ((A + 1.0) - (A - 1.0) * cs + beta);
        b1 = 2.0 * A * ((A - 1.0) - (A + 1.0) * cs);
        b2 = A * ((A + 1.0) - (A - 1.0) * cs - beta);
        a0 = (A + 1.0) + (A - 1.0) * cs + beta;
        a1 = -2.0 * ((A - 1.0) + (A + 1.0) * cs);
        a2 = (A + 1.0) + (A - 1.0) * cs - beta;
        break;
    }
    case kPeaking: {
        const double alpha = sn / (bandwidthWarp(2.8, 0.5001) * q_ * 2.0);
        b0 = 1.0 + alpha * A;
        b1 = -2.0 * cs;
        b2 = 1.0 - alpha * A;
        a0 = 1.0 + alpha / A;
        a1 = -2.0 * cs;
        a2 = 1.0 - alpha / A;
        break;
    }
    case kBandPass:
    case kNotch: {
        const double alpha = sn / (bandwidthWarp(2.8, 0.5001) * q_ * 2.0);
        b0 = type_ == kBandPass ? alpha : 1.0;
        b1 = type_ == kBandPass ? 0 : -2.0 * cs;
        b2 = type_ == kBandPass ? -alpha : 1.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * cs;
        a2 = 1.0 - alpha;
        break;
    }
    case kHighShelf: {
        const double beta = sn * std::sqrt(A) / (bandwidthWarp(3, 0.5001) * q_);
        b0 = A * ((A + 1.0) + (A - 1.0) * cs + beta);
        b1 = -2.0 * A * ((A - 1.0) + (A + 1.0) * cs);
        b2 = A * ((A + 1.0) + (A - 1.0) * cs - beta);
        a0 = (A + 1.0) - (A - 1.0) * cs + beta;
        a1 = 2.0 * ((A - 1.0) - (A + 1.0) * cs);
        a2 = (A + 1.0) - (A - 1.0) * cs - beta;
        break;
    }
    default: {   // kAllPass
        const double alpha = sn / (q_ * 2.0);
        b0 = 1.0 - alpha;
        b1 = -2.0 * cs;
        b2 = 1.0 + alpha;
        a0 = 1.0 + alpha;
        a1 = -2.0 * cs;
        a2 = 1.0 - alpha;
        break;
    }
    }
    a0_ = a0;
    b0_ = b0 / a0;
    b1_ = b1 / a0;
    b2_ = b2 / a0;
    a1_ = a1 / a0;
    a2_ = a2 / a0;
}

}  // namespace dsp

// General second-order filter used as control-signal smoother and as meter
// ballistics. Coefficients are normalised by a0; the step adds a tiny offset
// of alternating sign that also enters the recursion, which keeps the
// feedback path out of denormal numbers without a net DC level.
#pragma once

namespace dsp {

class CBiquad {
public:
    // Response types.
    enum Type {
        kBypass = 0,
        kHighPass = 1,
        kOnePoleCoeff = 2,
        kLowShelf = 3,
        kPeaking = 4,
        kBandPass = 5,
        kNotch = 6,
        kHighShelf = 7,
        kLowPass = 8,
        kOnePoleHighPass = 9,
        kAllPass = 10,
    };

    CBiquad(double sampleRate, int type, double frequency, double q, double gainDb);

    void setSampleRate(double sampleRate);   // limits frequency to 0.499 * rate, redesigns
    void setFrequency(double frequency);     // stores (limited) and redesigns
    void clear();                            // zero the history

    double step(double x) {
        if (type_ == kBypass) return x;
        offset_ = -offset_;
        x0_ = x + offset_;
        const double y = b0_ * x0_ + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x0_;
        y2_ = y1_;
        y1_ = y + offset_;
        y0_ = y;
        return y;
    }

    int type() const { return type_; }
    double frequency() const { return frequency_; }
    double sampleRate() const { return sampleRate_; }
    double q() const { return q_; }
    double gainDb() const { return gainDb_; }

    // a0 keeps the unnormalised value (or the pole of the one-pole types);
    // the step does not use it.
    double a0() const { return a0_; }
    double offset() const { return offset_; }

    // The coefficients the step uses (normalised by a0).
    struct Coefficients {
        double b0, b1, b2, a1, a2;
    };
    Coefficients coefficients() const { return {b0_, b1_, b2_, a1_, a2_}; }

    static constexpr double kMaxFrequencyRatio = 0.499;

private:
    void limitFrequency();
    void design();
    void designNormalised(double cs, double sn);
    double bandwidthWarp(double p, double half) const;

    double sampleRate_;
    int type_;
    double frequency_;
    double q_;
    double gainDb_;
    double offset_ = 1e-13;
    double a0_ = 1, a1_ = 1, a2_ = 1, b0_ = 1, b1_ = 1, b2_ = 1;
    double x0_ = 0, x1_ = 0, x2_ = 0, y0_ = 0, y1_ = 0, y2_ = 0;
};

}  // namespace dsp

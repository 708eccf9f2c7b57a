#include "dsp/FixedFilters.h"

#include <cmath>
#include <numbers>

#include "dsp/Math.h"

namespace dsp {

SubsonicCoeffs designSubsonic(double fs) {
    const double w = 2.0 * std::numbers::pi * kSubsonicHz / fs;
    const double cs = math::cos(w);
    const double g = math::sin(w) / 1.4142;
    const double h = 1.0 / (1.0 + g);
    SubsonicCoeffs c;
    c.b0 = (1.0 + cs) / 2.0 * h;
    c.b1 = -(1.0 + cs) * h;
    c.b2 = c.b0;
    c.a1 = -2.0 * cs * h;
    c.a2 = (1.0 - g) * h;
    return c;
}

static double crossoverOmega(double fs, double hz) {
    const double maxHz = kCrossoverMaxRatio * fs;
    if (hz > maxHz) hz = maxHz;
    if (hz < 0) hz = 0;
    return 2.0 * std::numbers::pi * hz / fs;
}

// The two crossover filters share their poles.
struct CrossoverPoles {
    double cs, sn, h;
};

static CrossoverPoles crossoverPoles(double fs, double hz) {
    const double w = crossoverOmega(fs, hz);
    const double sn = math::sin(w);
    return {math::cos(w), sn, 1.0 / (1.0 + sn)};
}

static CrossoverCoeffs withPoles(const CrossoverPoles& p, double b0, double b1) {
    CrossoverCoeffs c;
    c.b0 = b0;
    c.b1 = b1;
    c.a1 = -2.0 * p.cs * p.h;
    c.a2 = (1.0 - p.sn) * p.h;
    return c;
}

CrossoverCoeffs designHighCrossover(double fs, double hz) {
    const CrossoverPoles p = crossoverPoles(fs, hz);
    return withPoles(p, (1.0 - p.cs) / 2.0 * p.h, (1.0 - p.cs) * p.h);
}

CrossoverCoeffs designLowCrossover(double fs, double hz) {
    const CrossoverPoles p = crossoverPoles(fs, hz);
    return withPoles(p, (1.0 + p.cs) / 2.0 * p.h, -(1.0 + p.cs) * p.h);
}

// The states start from silence; the alternating offset added in every step
// keeps the recursions out of denormal numbers from there on.
void clearSubsonic(SubsonicState& s) {
    s.x1 = s.x2 = s.y1 = s.y2 = 0;
}

void clearCrossover(CrossoverState& s) {
    s.w1 = s.w2 = 0;
}

double filterDesignRate(double hostRate, int fatActive) {
    double fs = hostRate;
    if (!(fs >= 22000.0 && fs <= 200000.0)) fs = 44100.0;
    return fs * (1 + (fatActive ? 1 : 0));
}

}  // namespace dsp

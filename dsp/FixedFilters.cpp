#include "dsp/FixedFilters.h"

#include <cmath>
#include <numbers>

namespace dsp {

SubsonicCoeffs designSubsonic(double fs) {
    const double w = 2.0 * std::numbers::pi * kSubsonicHz / fs;
    const double cs = std::cos(w);
    const double g = std::sin(w) / 1.4142;
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

CrossoverCoeffs designHighCrossover(double fs, double hz) {
    const double w = crossoverOmega(fs, hz);
    const double cs = std::cos(w);
    const double sn = std::sin(w);
    const double h = 1.0 / (1.0 + sn);
    CrossoverCoeffs c;
    c.b0 = (1.0 - cs) / 2.0 * h;
    c.b1 = (1.0 - cs) * h;
    c.a1 = -2.0 * cs * h;
    c.a2 = (1.0 - sn) * h;
    return c;
}

CrossoverCoeffs designLowCrossover(double fs, double hz) {
    const double w = crossoverOmega(fs, hz);
    const double cs = std::cos(w);
    const double sn = std::sin(w);
    const double h = 1.0 / (1.0 + sn);
    CrossoverCoeffs c;
    c.b0 = (1.0 + cs) / 2.0 * h;
    c.b1 = -(1.0 + cs) * h;
    c.a1 = -2.0 * cs * h;
    c.a2 = (1.0 - sn) * h;
    return c;
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

// Test signals run through an effect object in the same process.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "effect/Emberline.h"

namespace testing_support {

// Runs n frames of a 1 kHz sine (at 44.1 kHz) of the given peak (0: silence)
// through the 64-bit entry, both channels alike, and returns the first output
// channel. phase counts the frames run so far and goes on from there.
inline std::vector<double> runSine(Emberline& effect, int n, double level, long& phase) {
    std::vector<double> l(n), r(n), ol(n), orr(n);
    for (int i = 0; i < n; ++i, ++phase) l[i] = r[i] = level * std::sin(2.0 * M_PI * 1000.0 * phase / 44100.0);
    double* in[2] = {l.data(), r.data()};
    double* out[2] = {ol.data(), orr.data()};
    effect.processDoubleReplacing(in, out, n);
    return ol;
}

inline double peakOf(const std::vector<double>& x) {
    double m = 0;
    for (double v : x) m = std::max(m, std::fabs(v));
    return m;
}

}  // namespace testing_support

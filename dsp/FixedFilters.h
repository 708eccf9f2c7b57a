// The fixed filters of the audio path: the 15 Hz subsonic high-pass at the
// kernel input and the two crossovers (low-crossover high-pass, high-crossover
// low-pass) used for tone adjustment and for the three-band split. One
// coefficient set is shared by both channels; each channel keeps its own state.
#pragma once

namespace dsp {

struct SubsonicCoeffs { double b0, b1, b2, a1, a2; };
struct SubsonicState { double x1, x2, y1, y2; };           // direct form I
struct CrossoverCoeffs { double b0, b1, a1, a2; };          // b2 == b0, direct form II
struct CrossoverState { double w1, w2; };

// Crossover design frequencies are kept at or below this fraction of the
// design rate, where the second-order design is still well inside the unit
// circle (at and above half the rate the low-pass becomes unstable).
inline constexpr double kCrossoverMaxRatio = 0.45;
inline constexpr double kSubsonicHz = 15.0;

SubsonicCoeffs designSubsonic(double fs);                   // 15 Hz high-pass
CrossoverCoeffs designHighCrossover(double fs, double hz);  // low-pass at HighFreq
CrossoverCoeffs designLowCrossover(double fs, double hz);   // high-pass at the given design frequency

inline double stepSubsonic(const SubsonicCoeffs& c, SubsonicState& s, double x, double denormalOffset) {
    const double y = c.b0 * x + c.b1 * s.x1 + c.b2 * s.x2 - c.a1 * s.y1 - c.a2 * s.y2 + denormalOffset;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

inline double stepCrossover(const CrossoverCoeffs& c, CrossoverState& s, double x, double denormalOffset) {
    const double w = x - c.a1 * s.w1 - c.a2 * s.w2 + denormalOffset;
    const double y = c.b0 * (w + s.w2) + c.b1 * s.w1;
    s.w2 = s.w1;
    s.w1 = w;
    return y;
}

void clearSubsonic(SubsonicState& s);
void clearCrossover(CrossoverState& s);

// Rate the fixed filters and smoothers are designed for: the host rate
// (44100 when outside 22000..200000 Hz), doubled while FAT runs.
double filterDesignRate(double hostRate, int fatActive);

}  // namespace dsp

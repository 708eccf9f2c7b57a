#include "tools/emberline/Signal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace cli {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

LevelStats::LevelStats(int channels) : channels_(channels) {}

void LevelStats::addSample(int, double x) {
    double a = std::fabs(x);
    if (a > peak_) peak_ = a;
    sumSquares_ += x * x;
    ++samples_;
}

void LevelStats::add(const double* const* planar, long frames) {
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels_; ++c) addSample(c, planar[c][i]);
    frames_ += frames;
}

double LevelStats::rms() const { return samples_ ? std::sqrt(sumSquares_ / (double)samples_) : 0.0; }

double LevelStats::toDb(double linear) {
    return linear > 0.0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

std::string LevelStats::dbText(double linear) {
    if (!(linear > 0.0)) return "-inf dBFS";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.2f dBFS", toDb(linear));
    return buf;
}

namespace {

// A small deterministic noise source.
struct Noise {
    uint64_t state = 0x9e3779b97f4a7c15ull;
    double next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (double)(state >> 11) / (double)(1ull << 53) * 2.0 - 1.0;
    }
};

double noteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

}  // namespace

std::vector<double> makeProgramme(double seconds, int rate) {
    const long frames = std::max(1L, (long)std::llround(seconds * rate));
    std::vector<double> left(frames, 0.0), right(frames, 0.0);
    const double beat = 0.5;  // 120 beats per minute
    Noise noise;

    // Arrangement: chords and bass alone, then drums come in, a quieter
    // breakdown, and a loud last section.
    auto sectionGain = [&](double t, int part) {
        double pos = t / seconds;
        if (pos < 0.2) return part == 0 ? 0.0 : 0.6;             // intro: no drums
        if (pos < 0.55) return 1.0;
        if (pos < 0.7) return part == 0 ? 0.35 : 0.5;            // breakdown
        return part == 0 ? 1.5 : 1.1;                            // last section, hot
    };

    // Drums, event by event.
    const long beats = (long)(seconds / beat) + 1;
    for (long b = 0; b < beats; ++b) {
        for (int eighth = 0; eighth < 2; ++eighth) {
            double t0 = b * beat + eighth * beat / 2;
            long start = (long)(t0 * rate);
            if (start >= frames) break;
            double g = sectionGain(t0, 0);
            if (g == 0.0) continue;
            bool kick = (b % 4 == 0 || b % 4 == 2) && eighth == 0;
            kick = kick || (b % 4 == 3 && eighth == 1);
            bool snare = (b % 2 == 1) && eighth == 0;
            // Kick: a falling sine with a click.
            if (kick) {
                double phase = 0.0;
                for (long i = 0; i < (long)(0.45 * rate) && start + i < frames; ++i) {
                    double t = (double)i / rate;
                    double f = 45.0 + 90.0 * std::exp(-t / 0.03);
                    phase += 2 * kPi * f / rate;
                    double x = std::sin(phase) * std::exp(-t / 0.22) * 0.9 +
                               noise.next() * std::exp(-t / 0.002) * 0.3;
                    left[start + i] += g * x;
                    right[start + i] += g * x;
                }
            }
            // Snare: a short tone under a noise burst.
            if (snare) {
                double lp = 0.0;
                for (long i = 0; i < (long)(0.3 * rate) && start + i < frames; ++i) {
                    double t = (double)i / rate;
                    double n = noise.next();
                    lp += 0.5 * (n - lp);
                    double x = (n - lp) * std::exp(-t / 0.09) * 0.7 +
                               std::sin(2 * kPi * 190.0 * t) * std::exp(-t / 0.05) * 0.5;
                    left[start + i] += g * x * 0.9;
                    right[start + i] += g * x;
                }
            }
            // Hat on every eighth, slightly to the right.
            double prev = 0.0;
            for (long i = 0; i < (long)(0.06 * rate) && start + i < frames; ++i) {
                double t = (double)i / rate;
                double n = noise.next();
                double x = (n - prev) * 0.5 * std::exp(-t / 0.015) * (eighth ? 0.12 : 0.18);
                prev = n;
                left[start + i] += g * x * 0.7;
                right[start + i] += g * x;
            }
        }
    }

    // Bass: a filtered saw, one note per beat from a four-bar line.
    static const int bassLine[16] = {33, 33, 45, 33, 36, 36, 48, 36, 31, 31, 43, 31, 28, 28, 40, 31};
    // Chords: three voices, one chord per bar.
    static const int chords[4][3] = {{57, 60, 64}, {60, 64, 67}, {55, 59, 62}, {52, 55, 59}};
    double bassPhase = 0.0, bassLp = 0.0;
    double padPhase[3][2] = {};
    for (long i = 0; i < frames; ++i) {
        double t = (double)i / rate;
        long b = (long)(t / beat);
        double inBeat = t - b * beat;
        double g = sectionGain(t, 1);
        double f = noteHz(bassLine[b % 16]);
        bassPhase += f / rate;
        bassPhase -= std::floor(bassPhase);
        double saw = 2.0 * bassPhase - 1.0;
        bassLp += 0.08 * (saw - bassLp);
        double bassEnv = std::min(1.0, inBeat / 0.005) * (0.55 + 0.45 * std::exp(-inBeat / 0.15));
        double bass = bassLp * bassEnv * 0.55 * g;
        left[i] += bass;
        right[i] += bass;

        const int* chord = chords[(b / 4) % 4];
        double swell = 0.6 + 0.4 * std::sin(2 * kPi * t / (8 * beat));
        double pad[2] = {0.0, 0.0};
        for (int v = 0; v < 3; ++v) {
            for (int side = 0; side < 2; ++side) {
                double detune = side ? 1.003 : 0.997;
                padPhase[v][side] += 2 * kPi * noteHz(chord[v]) * detune / rate;
                if (padPhase[v][side] > 2 * kPi) padPhase[v][side] -= 2 * kPi;
                double p = padPhase[v][side];
                pad[side] += std::sin(p) + 0.3 * std::sin(2 * p) + 0.15 * std::sin(3 * p);
            }
        }
        double fadeIn = std::min(1.0, t / 0.5);
        left[i] += pad[0] * 0.06 * swell * g * fadeIn;
        right[i] += pad[1] * 0.06 * swell * g * fadeIn;
    }

    // Peaks three decibels above full scale.
    double peak = 0.0;
    for (long i = 0; i < frames; ++i) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    const double scale = peak > 0.0 ? std::pow(10.0, 3.0 / 20.0) / peak : 1.0;
    std::vector<double> out((size_t)frames * 2);
    for (long i = 0; i < frames; ++i) {
        out[2 * i] = left[i] * scale;
        out[2 * i + 1] = right[i] * scale;
    }
    return out;
}

}  // namespace cli

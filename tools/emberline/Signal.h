// Level statistics of a stream of samples and the generated programme material
// that the demo clip and the benchmark use.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Sample peak, RMS and crest factor of up to two channels, fed block by
// block. True peak and loudness come from the loudness meter.
class LevelStats {
public:
    explicit LevelStats(int channels);
    // planar[c][i] for c < channels, i < frames.
    void add(const double* const* planar, long frames);
    void addSample(int channel, double x);

    double peak() const { return peak_; }
    double rms() const;
    long long frames() const { return frames_; }

    static double toDb(double linear);  // -inf for 0
    // e.g. "-0.10 dBFS"; "-inf dBFS" for silence
    static std::string dbText(double linear);

private:
    int channels_;
    double peak_ = 0.0;
    double sumSquares_ = 0.0;
    long long frames_ = 0;
    long long samples_ = 0;
};

// A stereo mix with real dynamics: kick, snare and hats, a bass line, a
// sustained chord part, with peaks above full scale. Deterministic for given
// arguments. Returns interleaved stereo.
std::vector<double> makeProgramme(double seconds, int rate);

}  // namespace cli

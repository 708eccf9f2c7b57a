// A picture of a render: input and output waveforms over time and the gain
// change between them, drawn with cairo into a PNG file.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace cli {

class PlotColumns {
public:
    // One column per pixel across totalFrames frames of the input.
    PlotColumns(int width, long long totalFrames);

    void addInput(long long frame, double x);
    // A sample of the output file at its own frame position.
    void addOutput(long long frame, double x);
    // A sample of the output moved back by the latency, i.e. at the frame of
    // the input it belongs to; used for the gain change.
    void addAlignedOutput(long long inputFrame, double x);

    int width() const { return width_; }
    long long totalFrames() const { return total_; }

    std::vector<float> inMin, inMax, outMin, outMax;
    std::vector<float> inPeak, alignedOutPeak;

private:
    int column(long long frame) const;
    int width_;
    long long total_;
};

struct PlotLabels {
    std::string title;     // e.g. "in.wav -> out.wav"
    std::string subtitle;  // settings and summary
    int rate = 44100;
};

// The loudness lane: short-term loudness of input and output (one value per
// traceStep seconds, LUFS) and the places where the output's true peak passes
// the limit (first and last step of peakStep seconds). Output times are those
// of the output file; outputDelay seconds later than the input they belong to.
struct PlotLoudness {
    std::vector<float> inShortTerm, outShortTerm;
    double traceStep = 0.1;
    std::vector<std::pair<int, int>> overPlaces;
    double peakStep = 0.01;
    double limitDb = -1.0;
    double outputDelay = 0.0;
};

// Writes the PNG through a temporary file; false with a reason on failure.
// With a loudness source the picture has the loudness lane; the source is
// asked for it only after the other lanes are drawn, so that a render's
// meters can go on measuring meanwhile. A source that answers false stops the
// picture with its reason in error.
using LoudnessSource = std::function<bool(PlotLoudness&, std::string& error)>;
bool writePlot(const std::string& path, const PlotColumns& columns, const PlotLabels& labels,
               const LoudnessSource& loudness, std::string& error);

}  // namespace cli

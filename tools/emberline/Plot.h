// A picture of a render: input and output waveforms over time and the gain
// change between them, drawn with cairo into a PNG file.
#pragma once

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

// Writes the PNG through a temporary file; false with a reason on failure.
bool writePlot(const std::string& path, const PlotColumns& columns, const PlotLabels& labels,
               std::string& error);

}  // namespace cli

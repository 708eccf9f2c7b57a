// Loudness by the broadcast standard (integrated, loudness range, short-term,
// true peak), measured with libebur128, plus the traces a plot draws: the
// short-term loudness every 100 ms and the true peak every 10 ms.
#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace cli {

struct LoudnessFigures {
    double integrated;    // LUFS; -inf for silence or audio shorter than one 400 ms block
    double range;         // LU
    double shortTermMax;  // LUFS; -inf when no 3 s window was ever above silence
    double truePeak;      // linear, the highest of the channels (1.0 is 0 dBTP)
    double samplePeak;    // linear
};

class LoudnessMeter {
public:
    static constexpr double kTraceStepSeconds = 0.1;  // short-term trace
    static constexpr double kPeakStepSeconds = 0.01;  // true-peak trace

    // Null with a reason when libebur128 cannot measure this layout.
    static std::unique_ptr<LoudnessMeter> create(int channels, int rate, std::string& error);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // Adds interleaved frames; any number at a time.
    void add(const double* interleaved, long long frames);
    // Closes the last, partial 10 ms step of the true-peak trace (call once,
    // after the last add).
    void finish();
    // The figures so far; the traces end with the last full step.
    LoudnessFigures figures() const;

    const std::vector<float>& shortTermTrace() const { return shortTerm_; }  // LUFS, -inf when silent
    const std::vector<float>& truePeakTrace() const { return truePeaks_; }   // linear
    int rate() const { return rate_; }
    int channels() const { return channels_; }

private:
    LoudnessMeter(void* state, int channels, int rate);
    long long stepEnd(int step) const;
    void closePeakStep();
    void closeTraceStep();
    void* state_;  // the library's state (its type is an unnamed struct)
    int channels_, rate_;
    // One trace step is the library's 100 ms window; it is cut into ten
    // true-peak steps.
    long long traceFrames_;
    long long framesInTrace_ = 0;
    int peakStepsDone_ = 0;
    double stepPeak_ = 0.0;
    // Mean-square energies of the last 30 trace steps: the 3 s short-term
    // window is their mean, the same sum the library's own window takes.
    std::vector<double> energies_;
    double shortTermMax_;
    std::vector<float> shortTerm_, truePeaks_;
};

// A meter on a thread of its own, fed block by block: a render measures its
// input and output on the cores the plug-in leaves idle.
class MeterThread {
public:
    explicit MeterThread(std::unique_ptr<LoudnessMeter> meter);
    ~MeterThread();
    MeterThread(const MeterThread&) = delete;
    MeterThread& operator=(const MeterThread&) = delete;

    // Copies the frames; waits only while many blocks are still unmeasured.
    void add(const double* interleaved, long long frames);
    // Waits until everything added is measured, closes the meter and answers it.
    LoudnessMeter& finish();

private:
    struct Queue;
    void run();
    std::unique_ptr<LoudnessMeter> meter_;
    std::unique_ptr<Queue> queue_;
    std::thread worker_;
};

// "-23.0 LUFS", "-inf LUFS"; "+0.30 dBTP".
std::string lufsText(double lufs);
std::string dbtpText(double linear);
// "-16.3 LUFS, LRA 4.2 LU, short-term max -12.1 LUFS, true peak +2.94 dBTP"
std::string loudnessText(const LoudnessFigures& f);

// Runs of the true-peak trace above a limit (dBTP): each run of consecutive
// 10 ms steps over it is one place. Answers the places' first and last steps.
std::vector<std::pair<int, int>> placesOver(const std::vector<float>& truePeakTrace, double limitDb);

}  // namespace cli

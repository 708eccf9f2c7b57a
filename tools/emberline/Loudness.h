// Loudness by the broadcast standard (integrated, loudness range, short-term,
// true peak), measured with libebur128, plus the traces a plot draws: the
// short-term loudness every 100 ms and the true peak every 10 ms.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
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

    // Null with a reason when libebur128 cannot measure this layout. With
    // openNow false the library's state, a few megabytes to clear, is made
    // later by open(), on the thread that measures.
    static std::unique_ptr<LoudnessMeter> create(int channels, int rate, std::string& error, bool openNow = true);
    // Makes the library's state if there is none yet; false when it cannot
    // (out of memory): such a meter measures nothing.
    bool open();
    bool isOpen() const { return state_ != nullptr; }
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
    LoudnessMeter(int channels, int rate);
    long long stepEnd(int step) const;
    void closePeakStep();
    void closeTraceStep();
    void* state_ = nullptr;  // the library's state (its type is an unnamed struct)
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

// Meters on threads of their own (one a meter, up to the processor's cores),
// fed block by block: a render measures its input and output there while the
// plug-in runs on the main thread. Frames are gathered into batches, so that
// the threads wake a few times a second rather than once per block, and the
// batches' buffers are used again. finish() has the calling thread measure
// alongside, so that what is left is measured on every core.
class MeterThread {
public:
    explicit MeterThread(std::vector<std::unique_ptr<LoudnessMeter>> meters);
    ~MeterThread();
    MeterThread(const MeterThread&) = delete;
    MeterThread& operator=(const MeterThread&) = delete;

    // Copies the frames for meter number `meter`; waits only while many
    // batches are still unmeasured.
    void add(std::size_t meter, const double* interleaved, long long frames);
    // Waits until everything added is measured and closes the meters (the
    // first call; later calls answer at once). False when a meter could not
    // be opened.
    bool finish();
    // A meter, whole after finish().
    LoudnessMeter& meter(std::size_t i) { return *meters_[i]; }

private:
    struct Batch {
        std::size_t meter;
        std::vector<double> samples;
    };
    static constexpr long long kBatchFrames = 4096;
    static constexpr std::size_t kMaxQueued = 64;
    void send(std::size_t meter);
    bool take(Batch& batch);
    void measure(std::unique_lock<std::mutex>& lock);
    void wakeWaiting();
    bool allOpen() const;
    std::vector<std::unique_ptr<LoudnessMeter>> meters_;
    std::vector<std::vector<double>> staged_;  // per meter, not yet sent
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> queued_;
    std::vector<char> busy_;                  // per meter: a batch of it is being measured
    std::vector<std::vector<double>> spare_;  // measured batches' buffers
    int waiting_ = 0;
    bool opened_ = false, closed_ = false, finished_ = false;
    std::vector<std::thread> workers_;
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

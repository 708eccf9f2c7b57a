#include "tools/emberline/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace cli {

namespace {
constexpr double kMinusInf = -std::numeric_limits<double>::infinity();
constexpr int kMode = EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_S | EBUR128_MODE_TRUE_PEAK;
constexpr int kStepsPerTrace = 10;
constexpr std::size_t kWindowSteps = 30;  // 3 s of 100 ms steps

ebur128_state* st(void* state) { return static_cast<ebur128_state*>(state); }

// libebur128 answers -HUGE_VAL for silence; anything that is not a number or
// below the absolute gate is silence here as well.
double orMinusInf(double lufs) { return std::isfinite(lufs) && lufs > -200.0 ? lufs : kMinusInf; }
}  // namespace

std::unique_ptr<LoudnessMeter> LoudnessMeter::create(int channels, int rate, std::string& error, bool openNow) {
    if (channels < 1 || channels > 2 || rate < 8000 || rate > 768000) {
        error = "loudness is measured for mono and stereo at 8 kHz to 768 kHz";
        return nullptr;
    }
    std::unique_ptr<LoudnessMeter> meter(new LoudnessMeter(channels, rate));
    if (openNow && !meter->open()) {
        error = "the loudness meter could not be set up";
        return nullptr;
    }
    return meter;
}

bool LoudnessMeter::open() {
    // A mono file is one channel of weight 1, as the standard measures it.
    if (!state_) state_ = ebur128_init((unsigned)channels_, (unsigned long)rate_, kMode);
    return state_ != nullptr;
}

LoudnessMeter::LoudnessMeter(int channels, int rate)
    : channels_(channels),
      rate_(rate),
      traceFrames_((long long)rate * 100 / 1000),
      shortTermMax_(kMinusInf) {}

LoudnessMeter::~LoudnessMeter() {
    ebur128_state* state = st(state_);
    if (state) ebur128_destroy(&state);
}

// Where true-peak step number step (0..9) of a trace step ends.
long long LoudnessMeter::stepEnd(int step) const { return traceFrames_ * (step + 1) / kStepsPerTrace; }

void LoudnessMeter::add(const double* interleaved, long long frames) {
    if (!state_) return;
    while (frames > 0) {
        const long long n = std::min(frames, stepEnd(peakStepsDone_) - framesInTrace_);
        ebur128_add_frames_double(st(state_), interleaved, (size_t)n);
        for (int c = 0; c < channels_; ++c) {
            double peak = 0.0;
            if (ebur128_prev_true_peak(st(state_), (unsigned)c, &peak) == EBUR128_SUCCESS)
                stepPeak_ = std::max(stepPeak_, peak);
        }
        interleaved += n * channels_;
        frames -= n;
        framesInTrace_ += n;
        if (framesInTrace_ < stepEnd(peakStepsDone_)) continue;
        closePeakStep();
        if (++peakStepsDone_ < kStepsPerTrace) continue;
        closeTraceStep();
    }
}

void LoudnessMeter::closePeakStep() {
    truePeaks_.push_back((float)stepPeak_);
    stepPeak_ = 0.0;
}

void LoudnessMeter::closeTraceStep() {
    peakStepsDone_ = 0;
    framesInTrace_ = 0;
    double last = kMinusInf;
    if (ebur128_loudness_window(st(state_), 100, &last) != EBUR128_SUCCESS) last = kMinusInf;
    last = orMinusInf(last);
    energies_.push_back(std::isfinite(last) ? std::pow(10.0, (last + 0.691) / 10.0) : 0.0);
    if (energies_.size() > kWindowSteps) energies_.erase(energies_.begin());
    double sum = 0.0;
    for (double e : energies_) sum += e;
    // Before 3 s have passed the window reaches back past the start, where it
    // holds silence, as the library's own window does.
    const double shortTerm = sum > 0.0 ? orMinusInf(-0.691 + 10.0 * std::log10(sum / kWindowSteps)) : kMinusInf;
    shortTerm_.push_back((float)shortTerm);
    shortTermMax_ = std::max(shortTermMax_, shortTerm);
}

void LoudnessMeter::finish() {
    if (framesInTrace_ > 0 && framesInTrace_ > (peakStepsDone_ ? stepEnd(peakStepsDone_ - 1) : 0)) closePeakStep();
}

LoudnessFigures LoudnessMeter::figures() const {
    LoudnessFigures f{kMinusInf, 0.0, shortTermMax_, 0.0, 0.0};
    if (!state_) return f;
    double v = 0.0;
    if (ebur128_loudness_global(st(state_), &v) == EBUR128_SUCCESS) f.integrated = orMinusInf(v);
    if (ebur128_loudness_range(st(state_), &v) == EBUR128_SUCCESS && std::isfinite(v)) f.range = v;
    for (int c = 0; c < channels_; ++c) {
        if (ebur128_true_peak(st(state_), (unsigned)c, &v) == EBUR128_SUCCESS) f.truePeak = std::max(f.truePeak, v);
        if (ebur128_sample_peak(st(state_), (unsigned)c, &v) == EBUR128_SUCCESS) f.samplePeak = std::max(f.samplePeak, v);
    }
    // A short file ends before its first 100 ms step: its window so far counts.
    if (shortTerm_.empty() && ebur128_loudness_shortterm(st(state_), &v) == EBUR128_SUCCESS)
        f.shortTermMax = orMinusInf(v);
    return f;
}

MeterThread::MeterThread(std::vector<std::unique_ptr<LoudnessMeter>> meters)
    : meters_(std::move(meters)), staged_(meters_.size()), busy_(meters_.size(), 0) {
    for (std::size_t i = 0; i < meters_.size(); ++i)
        staged_[i].reserve((std::size_t)(kBatchFrames * meters_[i]->channels()));
    // As many workers as meters, up to the processor's cores: each meter's
    // batches still go in order (take() hands a meter to one worker at a time).
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t count = std::max<std::size_t>(1, std::min<std::size_t>(meters_.size(), cores));
    for (std::size_t w = 0; w < count; ++w)
        workers_.emplace_back([this, w] {
            if (w == 0) {
                for (auto& m : meters_) m->open();
                std::lock_guard<std::mutex> lock(mutex_);
                opened_ = true;
                wakeWaiting();
            }
            std::unique_lock<std::mutex> lock(mutex_);
            measure(lock);
        });
}

MeterThread::~MeterThread() { finish(); }

void MeterThread::add(std::size_t meter, const double* interleaved, long long frames) {
    const int channels = meters_[meter]->channels();
    std::vector<double>& staged = staged_[meter];
    while (frames > 0) {
        const long long room = kBatchFrames - (long long)staged.size() / channels;
        const long long n = std::min(frames, room);
        staged.insert(staged.end(), interleaved, interleaved + n * channels);
        interleaved += n * channels;
        frames -= n;
        if (n == room) send(meter);
    }
}

void MeterThread::wakeWaiting() {
    if (waiting_ > 0) changed_.notify_all();
}

// Queues the meter's staged frames and stages into a spare buffer.
void MeterThread::send(std::size_t meter) {
    if (staged_[meter].empty()) return;
    std::vector<double> next;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ++waiting_;
        changed_.wait(lock, [&] { return queued_.size() < kMaxQueued; });
        --waiting_;
        queued_.push_back({meter, std::move(staged_[meter])});
        if (!spare_.empty()) {
            next = std::move(spare_.back());
            spare_.pop_back();
        }
        wakeWaiting();
    }
    next.clear();
    next.reserve((std::size_t)(kBatchFrames * meters_[meter]->channels()));
    staged_[meter] = std::move(next);
}

// Under the lock: the first queued batch whose meter is not being fed
// elsewhere, so that each meter takes its batches in order; none before the
// worker has opened the meters.
bool MeterThread::take(Batch& batch) {
    if (!opened_) return false;
    for (auto it = queued_.begin(); it != queued_.end(); ++it) {
        if (busy_[it->meter]) continue;
        busy_[it->meter] = 1;
        batch = std::move(*it);
        queued_.erase(it);
        return true;
    }
    return false;
}

// Measures queued batches until the queue is closed and empty; the worker
// runs it all along, finish() on the calling thread at the end.
void MeterThread::measure(std::unique_lock<std::mutex>& lock) {
    for (;;) {
        Batch batch;
        if (take(batch)) {
            wakeWaiting();
            lock.unlock();
            LoudnessMeter& m = *meters_[batch.meter];
            m.add(batch.samples.data(), (long long)batch.samples.size() / m.channels());
            lock.lock();
            busy_[batch.meter] = 0;
            spare_.push_back(std::move(batch.samples));
            wakeWaiting();
            continue;
        }
        if (closed_ && queued_.empty()) return;
        ++waiting_;
        changed_.wait(lock);
        --waiting_;
    }
}

bool MeterThread::finish() {
    if (finished_) return allOpen();
    finished_ = true;
    for (std::size_t i = 0; i < meters_.size(); ++i) send(i);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        closed_ = true;
        wakeWaiting();
        measure(lock);
    }
    for (std::thread& w : workers_) w.join();
    for (auto& m : meters_) m->finish();
    return allOpen();
}

bool MeterThread::allOpen() const {
    for (auto& m : meters_)
        if (!m->isOpen()) return false;
    return true;
}

std::string lufsText(double lufs) {
    if (!std::isfinite(lufs)) return "-inf LUFS";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f LUFS", lufs);
    return buf;
}

std::string dbtpText(double linear) {
    if (!(linear > 0.0)) return "-inf dBTP";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.2f dBTP", 20.0 * std::log10(linear));
    return buf;
}

std::string loudnessText(const LoudnessFigures& f) {
    char range[32];
    std::snprintf(range, sizeof range, "%.1f LU", f.range);
    return lufsText(f.integrated) + ", LRA " + range + ", short-term max " + lufsText(f.shortTermMax) +
           ", true peak " + dbtpText(f.truePeak);
}

std::vector<std::pair<int, int>> placesOver(const std::vector<float>& trace, double limitDb) {
    const double limit = std::pow(10.0, limitDb / 20.0);
    std::vector<std::pair<int, int>> places;
    for (int i = 0; i < (int)trace.size(); ++i) {
        if (trace[i] <= limit) continue;
        if (!places.empty() && places.back().second == i - 1) places.back().second = i;
        else places.push_back({i, i});
    }
    return places;
}

}  // namespace cli

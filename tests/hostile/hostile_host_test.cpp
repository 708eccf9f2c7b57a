// A hostile but legal host: random sequences of dispatcher calls, parameter
// values (NaN, infinities, out of range), sample rates, block sizes 0..8192,
// in-place buffers, precision switches, program changes and new instances,
// for a bounded time (EMBERLINE_HOSTILE_SECONDS per edition, default 8;
// EMBERLINE_HOSTILE_SEED repeats a run). Every output sample must be finite,
// the ceiling must hold wherever Brickwall promises it, the reported latency
// must be the delay a bypassed instance shows, and memory must not grow.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/plugin/PluginFixture.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define EMBERLINE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define EMBERLINE_ASAN 1
#endif
#ifdef EMBERLINE_ASAN
// The sanitizer runtime's count of the bytes the program holds.
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#endif

using namespace vst;

namespace {

size_t allocatedBytes() {
#ifdef EMBERLINE_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

double envNumber(const char* name, double fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtod(v, nullptr) : fallback;
}

class HostileHost {
public:
    HostileHost(int edition, unsigned seed) : edition_(edition), rng_(seed) { open(); }

    void open() {
        plugin_ = testing_support::loadEdition(edition_);
        ASSERT_TRUE(plugin_);
        e_ = plugin_->effect();
        index_.clear();
        for (int i = 0; i < e_->numParams; ++i) {
            std::string name = plugin_->paramName(i);
            name.erase(0, name.find_first_not_of(' '));
            name.erase(name.find_last_not_of(' ') + 1);
            index_[name] = i;
        }
        blockSize_ = 512;
        plugin_->setSampleRate(44100.0f);
        plugin_->setBlockSize(blockSize_);
        plugin_->resume();
        running_ = true;
    }

    // One random action; failures are reported through gtest.
    void step() {
        switch (pick(0, 99)) {
            case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9:
            case 10: case 11: case 12: case 13: case 14: case 15: case 16: case 17: case 18: case 19:
                e_->setParameter(e_, pick(-3, e_->numParams + 70), hostileValue());
                break;
            case 20: case 21: case 22: case 23: case 24: {
                char text[256];
                std::fill(std::begin(text), std::end(text), '\x5a');
                const int32 ops[] = {effGetParamDisplay, effGetParamName, effGetParamLabel, effGetProgramName};
                e_->dispatcher(e_, ops[pick(0, 3)], pick(-3, e_->numParams + 70), 0, text, 0.0f);
                EXPECT_NE(std::find(text, text + 64, '\0'), text + 64) << "a text without its terminator";
                EXPECT_EQ(text[200], '\x5a') << "a text written far past its field";
                break;
            }
            case 25: case 26: changeRate(); break;
            case 27: case 28: changeBlockSize(); break;
            case 29: case 30: switchMains(); break;
            case 31: e_->dispatcher(e_, effSetProgram, 0, pick(-2, 40), nullptr, 0.0f); break;
            case 32: e_->dispatcher(e_, effSetProcessPrecision, 0, pick(0, 1), nullptr, 0.0f); break;
            case 33: e_->dispatcher(e_, effEditKeyDown, pick(0, 255), pick(0, 255), nullptr, hostileValue()); break;
            case 34: {
                char name[25] = "renamed by the host XYZW";
                name[pick(0, 24)] = 0;
                e_->dispatcher(e_, effSetProgramName, 0, 0, name, 0.0f);
                break;
            }
            case 35: if (pick(0, 9) == 0) reopen(); break;
            case 36: ceilingProbe(); ++probes_; break;
            case 37: latencyProbe(); ++probes_; break;
            default: process(pick(0, blockSize_), pick(0, 3) == 0, pick(0, 1) == 0); break;
        }
    }

    long long frames() const { return frames_; }
    int probes() const { return probes_; }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }

    float hostileValue() {
        static const float special[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                        -std::numeric_limits<float>::infinity(), -1.0f, 2.0f, 1e30f, -1e-30f, 0.0f, 1.0f};
        return pick(0, 3) == 0 ? special[pick(0, 8)] : (float)unit();
    }

    void changeRate() {
        static const float rates[] = {1.0f, 8000.0f, 22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f,
                                      192000.0f, 384000.0f, 1e6f, std::numeric_limits<float>::quiet_NaN()};
        const bool wasRunning = running_;
        if (wasRunning) switchMains();
        rate_ = rates[pick(0, 11)];
        e_->dispatcher(e_, effSetSampleRate, 0, 0, nullptr, rate_);
        if (wasRunning) switchMains();
    }

    void changeBlockSize() {
        const bool wasRunning = running_;
        if (wasRunning) switchMains();
        blockSize_ = pick(0, 8192);
        e_->dispatcher(e_, effSetBlockSize, 0, blockSize_, nullptr, 0.0f);
        if (wasRunning) switchMains();
    }

    void switchMains() {
        running_ = !running_;
        e_->dispatcher(e_, effMainsChanged, 0, running_ ? 1 : 0, nullptr, 0.0f);
    }

    void reopen() {
        plugin_.reset();
        open();
    }

    // Processes n frames of hot noise (sometimes with NaN or infinite input
    // samples); answers the largest output magnitude.
    double process(int n, bool inPlace, bool useDouble, double level = 4.0, bool hostileInput = true) {
        if (!running_ || n > blockSize_) return 0.0;
        in_[0].resize(std::max(n, 1));
        in_[1].resize(std::max(n, 1));
        out_[0].assign(std::max(n, 1), 0.0);
        out_[1].assign(std::max(n, 1), 0.0);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i) in_[c][i] = level * (2.0 * unit() - 1.0);
        if (hostileInput && n > 0 && pick(0, 20) == 0)
            in_[pick(0, 1)][pick(0, n - 1)] = pick(0, 1) ? std::numeric_limits<double>::quiet_NaN() : INFINITY;
        double peak = 0.0;
        if (useDouble) {
            peak = processIn(in_, out_, n, inPlace, e_->processDoubleReplacing);
        } else {
            for (int c = 0; c < 2; ++c) {
                fin_[c].assign(in_[c].begin(), in_[c].end());
                fout_[c].assign(std::max(n, 1), 0.0f);
            }
            peak = processIn(fin_, fout_, n, inPlace, e_->processReplacing);
        }
        frames_ += n;
        return peak;
    }

    // One process call on in (and out, unless in place); the largest output magnitude.
    template <class T, class Entry>
    double processIn(std::vector<T>* in, std::vector<T>* out, int n, bool inPlace, Entry entry) {
        T* inPtr[2] = {in[0].data(), in[1].data()};
        T* outPtr[2] = {out[0].data(), out[1].data()};
        entry(e_, inPtr, inPlace ? inPtr : outPtr, n);
        double peak = 0.0;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i) peak = std::max(peak, check((inPlace ? in : out)[c][i]));
        return peak;
    }

    double check(double y) {
        if (!std::isfinite(y)) {
            ADD_FAILURE() << "a non-finite output sample";
            return 0.0;
        }
        return std::fabs(y);
    }

    void set(const char* name, float value) {
        auto it = index_.find(name);
        ASSERT_NE(it, index_.end()) << name;
        e_->setParameter(e_, it->second, value);
    }

    double displayed(const char* name) { return std::strtod(plugin_->paramDisplay(index_.at(name)).c_str(), nullptr); }

    // A fresh start (suspend, resume) with Brickwall on, Mix at 100 % and no
    // channel passed through (mono or stereo, not one of a pair): no sample of
    // hot noise passes the ceiling times the output gain (FAT clamps to the
    // output gain itself).
    void ceilingProbe() {
        set("Process", 1.0f);
        set("L R", 0.0f);
        set("Mono Stereo", (float)pick(0, 1));
        set("Brickwall", 1.0f);
        set("Mix", 1.0f);
        set("Ceiling", (float)unit());
        set("Output", (float)unit());
        if (edition_ == 2) set("FAT", (float)pick(0, 1));
        const bool fat = edition_ == 2 && plugin_->getParameter(index_.at("FAT")) >= 0.5f;
        // The gain laws double the level every 6 of the displayed dB.
        const double ceiling = std::pow(2.0, displayed("Ceiling") / 6.0);
        const double output = std::pow(2.0, displayed("Output") / 6.0);
        const double bound = output * (fat ? std::max(1.0, ceiling) : ceiling) * 1.0013;  // texts carry 0.01 dB
        if (running_) switchMains();
        switchMains();
        // The control smoothers glide to the new settings first.
        const int n = std::max(1, std::min(blockSize_, 1000));
        for (int done = 0; done < 44100; done += n) process(n, false, true, 6.0, false);
        double peak = 0.0;
        for (int i = 0; i < 40; ++i) peak = std::max(peak, process(n, pick(0, 1), pick(0, 1), 6.0, false));
        if (peak > bound) {
            std::string all;
            for (int i = 0; i < e_->numParams; ++i) all += plugin_->paramName(i) + "=" + plugin_->paramDisplay(i) + ";";
            ADD_FAILURE() << "peak " << peak << " over " << bound << ": " << all << " rate " << rate_;
        }
    }

    // Bypassed, an impulse comes out exactly the reported latency later.
    void latencyProbe() {
        if (blockSize_ < 64) return;
        set("Process", 0.0f);
        if (running_) switchMains();
        switchMains();
        const int latency = e_->initialDelay;
        std::vector<double> response;
        for (int done = 0; done <= latency + 64 && done < 20000; done += blockSize_) {
            const int n = blockSize_;
            in_[0].assign(n, 0.0);
            in_[1].assign(n, 0.0);
            if (done == 0) in_[0][0] = in_[1][0] = 0.5;
            out_[0].assign(n, 0.0);
            out_[1].assign(n, 0.0);
            double* in[2] = {in_[0].data(), in_[1].data()};
            double* out[2] = {out_[0].data(), out_[1].data()};
            e_->processDoubleReplacing(e_, in, out, n);
            response.insert(response.end(), out_[0].begin(), out_[0].end());
        }
        auto at = std::max_element(response.begin(), response.end(),
                                    [](double a, double b) { return std::fabs(a) < std::fabs(b); });
        EXPECT_EQ(at - response.begin(), latency) << "reported " << latency;
        set("Process", 1.0f);
    }

    int edition_;
    std::mt19937 rng_;
    std::unique_ptr<vsthost::Plugin> plugin_;
    AEffect* e_ = nullptr;
    std::map<std::string, int> index_;
    int blockSize_ = 512;
    float rate_ = 44100.0f;
    bool running_ = false;
    long long frames_ = 0;
    int probes_ = 0;
    std::vector<double> in_[2], out_[2];
    std::vector<float> fin_[2], fout_[2];
};

void runHostile(int edition) {
    testing_support::PrivateConfig config;
    const double seconds = envNumber("EMBERLINE_HOSTILE_SECONDS", 8.0);
    const unsigned seed = (unsigned)envNumber("EMBERLINE_HOSTILE_SEED", (double)std::random_device{}());
    SCOPED_TRACE("EMBERLINE_HOSTILE_SEED=" + std::to_string(seed));
    HostileHost host(edition, seed);
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    long steps = 0;
    size_t settled = 0;
    while (elapsed() < seconds && !::testing::Test::HasFailure()) {
        host.step();
        // Memory after the first quarter, when every path has been allocated.
        if (++steps % 64 == 0 && settled == 0 && elapsed() > seconds / 4) settled = allocatedBytes();
    }
    const size_t end = allocatedBytes();
    if (settled) {
        EXPECT_LT((double)end, (double)settled + 4.0 * 1024 * 1024) << "memory grew from " << settled << " to " << end;
    }
    EXPECT_GT(host.probes(), 0);
    std::printf("edition %d: %ld steps, %lld frames, %d ceiling and latency probes, allocated %zu -> %zu bytes\n",
                edition, steps, host.frames(), host.probes(), settled, end);
}

TEST(HostileHost, SecondEdition) { runHostile(2); }
TEST(HostileHost, FirstEdition) { runHostile(1); }

}  // namespace

// Audio that keeps running in a thread of its own while a test does other
// things: 256-frame blocks of a constant signal, until the loop is destroyed.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace testing_support {

class AudioLoop {
public:
    using Process = std::function<void(float** in, float** out, int frames)>;
    AudioLoop(Process process, float level)
        : l(kFrames, level), r(kFrames, -level), ol(kFrames), orr(kFrames), process(std::move(process)) {
        worker = std::thread([this] {
            float* in[2] = {l.data(), r.data()};
            float* out[2] = {ol.data(), orr.data()};
            while (!stop.load()) {
                this->process(in, out, kFrames);
                blocks.fetch_add(1);
            }
        });
    }
    ~AudioLoop() {
        stop.store(true);
        worker.join();
    }
    AudioLoop(const AudioLoop&) = delete;
    AudioLoop& operator=(const AudioLoop&) = delete;
    long blocksRun() const { return blocks.load(); }
    // Waits (up to five seconds) until the thread has run n blocks: the
    // audio is really running from then on.
    bool waitForBlocks(long n) const {
        for (int i = 0; i < 5000 && blocks.load() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return blocks.load() >= n;
    }

private:
    static constexpr int kFrames = 256;
    std::vector<float> l, r, ol, orr;
    Process process;
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::thread worker;
};

}  // namespace testing_support

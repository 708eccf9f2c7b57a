// Automation from one thread while another processes audio, as hosts do. Run
// under ThreadSanitizer, this must report nothing; in every build the audio
// must stay finite.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "tests/plugin/PluginFixture.h"

using namespace vst;

namespace {

void automateWhileProcessing(int edition, bool doublePrecision) {
    testing_support::PrivateConfig config;
    auto plugin = testing_support::loadEdition(edition);
    ASSERT_TRUE(plugin);
    AEffect* e = plugin->effect();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(256);
    plugin->resume();

    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        const int n = 256;
        std::vector<float> inL(n), inR(n), outL(n), outR(n);
        std::vector<double> dinL(n), dinR(n), doutL(n), doutR(n);
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> noise(-2.0f, 2.0f);
        while (!stop.load() || blocks.load() < 50) {
            for (int i = 0; i < n; ++i) {
                inL[i] = noise(rng);
                inR[i] = noise(rng);
                dinL[i] = inL[i];
                dinR[i] = inR[i];
            }
            if (doublePrecision) {
                double* in[2] = {dinL.data(), dinR.data()};
                double* out[2] = {doutL.data(), doutR.data()};
                e->processDoubleReplacing(e, in, out, n);
                for (int i = 0; i < n; ++i)
                    if (!std::isfinite(doutL[i]) || !std::isfinite(doutR[i])) finite = false;
            } else {
                float* in[2] = {inL.data(), inR.data()};
                float* out[2] = {outL.data(), outR.data()};
                e->processReplacing(e, in, out, n);
                for (int i = 0; i < n; ++i)
                    if (!std::isfinite(outL[i]) || !std::isfinite(outR[i])) finite = false;
            }
            blocks.fetch_add(1);
        }
    });

    // Every parameter the host can reach, plus the editor settings and the
    // channel mode, many times over, with texts read in between.
    std::vector<int> indices;
    for (int i = 0; i < e->numParams; ++i) indices.push_back(i);
    for (int i : edition == 2 ? std::vector<int>{43, 44, 45, 46, 47, 48, 57}
                              : std::vector<int>{49, 50, 51, 52, 53, 54, 65})
        indices.push_back(i);
    // Two threads set parameters at once, as a host playing automation back on
    // its audio thread while the user edits does.
    auto edit = [&](unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        char text[64];
        for (int round = 0; round < 40; ++round) {
            for (int index : indices) {
                e->setParameter(e, index, unit(rng));
                e->getParameter(e, index);
                e->dispatcher(e, effGetParamDisplay, index, 0, text, 0.0f);
            }
            std::this_thread::yield();
        }
    };
    std::thread second(edit, 13u);
    edit(11u);
    second.join();
    stop = true;
    audio.join();
    EXPECT_TRUE(finite.load());
    EXPECT_GE(blocks.load(), 50);
    plugin->suspend();
}

TEST(Threads, AutomationWhileProcessingSecondEdition) { automateWhileProcessing(2, false); }
TEST(Threads, AutomationWhileProcessingDoublePrecision) { automateWhileProcessing(2, true); }
TEST(Threads, AutomationWhileProcessingFirstEdition) { automateWhileProcessing(1, false); }

}  // namespace

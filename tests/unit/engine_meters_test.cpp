// The meter detectors driven through the engine: which signal each meter channel shows
// (input, output, gain) on every routing, PPM ballistics and level correction, and the
// over counting against its threshold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "dsp/CEngine.h"
#include "tests/unit/EngineTestSupport.h"

using dsp::CEngine;
using dsp::ChannelRouting;

namespace {

using engine_test::kPi;
constexpr double kRate = 44100;
constexpr int kWrapperDelay = 64;   // FAT-off input delay: the kernel and meters see it first

enum Source { kPre = 0, kGainRed = 1, kPost = 2 };

struct Rig : engine_test::EngineUnderTest {
    Rig() : EngineUnderTest(dsp::EngineConfig{true, 0}) {}
    void kernel(CEngine::Kernel k, ChannelRouting routing = ChannelRouting::Mono) {
        engine_test::useKernel(p(), k);
        p().routing = routing;
    }
    void ppm(double integrationMs, double returnMs) {
        p().meterTypePpm = 1;
        p().ppmIntegrationMs = integrationMs;
        p().ppmReturnMs = returnMs;
        p().ppmRatio = static_cast<float>(integrationMs / returnMs);
    }
    void resume() {
        engine_test::resumeEngine(*engine, kRate);
        engine->metersActive = 1;
    }
    void run(const std::vector<double>& a, const std::vector<double>& b, int chunk = 441) {
        EngineUnderTest::run(a, b, oa, ob, chunk);
    }
    float meter(int c) const { return engine->meterValue[c].load(); }
    float over(int c) const { return engine->overFlag[c].load(); }
    std::vector<double> oa, ob;
};

std::vector<double> sine(int n, double amplitude, double hz) {
    return engine_test::sineAt(n, amplitude, hz, kRate);
}

double levelCorrection(double integrationMs, double returnMs) {
    return std::pow(10.0, 0.19 * std::pow(static_cast<double>(static_cast<float>(integrationMs / returnMs)), 0.6));
}

const CEngine::Kernel kAll[] = {CEngine::kBypass,       CEngine::kMonoSingle,     CEngine::kMonoMulti,
                                CEngine::kLinkedSingle, CEngine::kLinkedMulti,    CEngine::kUnlinkedSingle,
                                CEngine::kUnlinkedMulti};

}  // namespace

// PPM Pre: a level step is followed to 99 % of its corrected level within the integration time
// (and not before), silence lets the reading fall to 1 % within the return time, and a steady
// sine settles just under its corrected peak. The meter sees the input after the 64-sample
// FAT-off delay.
TEST(EngineMetersPpm, PreReadingRisesInTheIntegrationTimeAndFallsInTheReturnTime) {
    const double integration = 10, ret = 1500;   // 441 and 66150 samples at 44.1 kHz
    const int rise = 441, fall = 66150;
    const double correction = levelCorrection(integration, ret);
    for (CEngine::Kernel k : {CEngine::kBypass, CEngine::kMonoSingle, CEngine::kLinkedMulti}) {
        for (int early = 0; early <= 1; ++early) {
            Rig rig;
            rig.kernel(k);
            rig.ppm(integration, ret);
            rig.p().meterSource = kPre;
            rig.resume();
            const std::vector<double> step(kWrapperDelay + rise - (early ? 12 : 0), 0.7);
            rig.run(step, step);
            const double target = 0.7 * correction;
            for (int c = 0; c < 2; ++c) {
                if (early)
                    EXPECT_LT(rig.meter(c), 0.99 * target) << k << " " << c;
                else
                    EXPECT_NEAR(rig.meter(c), 0.99 * target, 0.002 * target) << k << " " << c;
            }
            if (early) continue;
            rig.run(std::vector<double>(44100, 0.7), std::vector<double>(44100, 0.7));
            const float settled = rig.meter(0);
            EXPECT_NEAR(settled, target, 1e-4) << k;
            rig.run(std::vector<double>(kWrapperDelay + fall, 0.0), std::vector<double>(kWrapperDelay + fall, 0.0));
            for (int c = 0; c < 2; ++c) EXPECT_NEAR(rig.meter(c), 0.01 * settled, 0.001 * settled) << k << " " << c;
        }
    }
    const auto a = sine(44100, 0.7, 1000);
    Rig rig;
    rig.kernel(CEngine::kLinkedSingle);
    rig.ppm(5, ret);
    rig.p().meterSource = kPre;
    rig.resume();
    rig.run(a, a);
    const double peak = 0.7 * levelCorrection(5, ret);
    for (int c = 0; c < 2; ++c) {
        EXPECT_GT(rig.meter(c), 0.97 * peak) << c;
        EXPECT_LE(rig.meter(c), peak + 1e-6) << c;
    }
}

// Post shows the output: with Output at 0.5 and nothing limiting, half the Pre reading.
// Routing L and R: the pass-through channel's meter shows its own input (Pre) or its delayed
// output (Post), the processed channel's meter the processed signal.
TEST(EngineMetersPpm, PostShowsTheOutputAndEachRoutedChannelItsOwnSignal) {
    const int n = 33075;
    const auto loud = sine(n, 0.8, 1000);
    const auto soft = sine(n, 0.2, 1000);
    const double correction = levelCorrection(1, 1000);
    for (CEngine::Kernel k : kAll) {
        for (ChannelRouting routing : {ChannelRouting::Mono, ChannelRouting::Left, ChannelRouting::Right}) {
            for (int reference = 0; reference <= 1; ++reference) {
                const bool mono = k == CEngine::kMonoSingle || k == CEngine::kMonoMulti;
                if (!mono && routing != ChannelRouting::Mono) continue;
                if (reference && k == CEngine::kBypass) continue;   // one code path only
                float reading[3][2];
                for (Source source : {kPre, kPost}) {
                    Rig rig;
                    rig.useReference(reference != 0);
                    rig.kernel(k, routing);
                    rig.ppm(1, 1000);
                    rig.p().meterSource = source;
                    rig.p().outputGain = 0.5;
                    rig.p().ceilingGain = 2.0;   // nothing limits
                    rig.resume();
                    rig.run(loud, soft);
                    for (int c = 0; c < 2; ++c) reading[source][c] = rig.meter(c);
                }
                // Expected peak levels per meter channel: input, and output (Output 0.5; bypass unscaled).
                double in[2] = {0.8, 0.2};
                if (mono && routing == ChannelRouting::Mono) in[1] = 0.8;
                const double post = k == CEngine::kBypass ? 1.0 : 0.5;
                for (int c = 0; c < 2; ++c) {
                    const char* where = c == 0 ? "A" : "B";
                    EXPECT_NEAR(reading[kPre][c], in[c] * correction, 0.02 * in[c])
                        << k << " routing " << int(routing) << " " << where;
                    EXPECT_NEAR(reading[kPost][c], post * in[c] * correction, 0.02 * post * in[c])
                        << k << " routing " << int(routing) << " " << where << " reference " << reference;
                }
            }
        }
    }
}

// GainRed: without reduction the reading settles at 1.0 (to the float meter's resolution at the
// return coefficient, about 3e-5); a falling gain is followed
// with the fast (integration) coefficient, a rising one with the slow (return) coefficient.
// With L or R routing the pass-through channel reads 1.0 while the processed one is reduced.
TEST(EngineMetersPpm, GainReductionFallsFastAndReturnsSlowly) {
    const auto quiet = sine(22050, 0.01, 200);
    const auto loud = sine(882, 8.0, 200);     // 20 ms
    const auto after = sine(2205, 0.01, 200);  // 50 ms
    for (CEngine::Kernel k : {CEngine::kMonoSingle, CEngine::kMonoMulti, CEngine::kLinkedSingle,
                              CEngine::kLinkedMulti, CEngine::kUnlinkedSingle, CEngine::kUnlinkedMulti}) {
        for (int reference = 0; reference <= 1; ++reference) {
            Rig rig;
            rig.useReference(reference != 0);
            rig.kernel(k);
            rig.ppm(1, 100);
            rig.p().meterSource = kGainRed;
            rig.p().driveGain = 0.5;
            rig.resume();
            rig.run(quiet, quiet);
            for (int c = 0; c < 2; ++c) EXPECT_NEAR(rig.meter(c), 1.0, 1e-4) << k << " " << c;
            rig.ppm(1, 3000);
            rig.run(loud, loud);
            const float fallen = rig.meter(0);
            EXPECT_LT(fallen, 0.5) << k;
            rig.run(after, after);
            const float risen = rig.meter(0);
            EXPECT_GT(risen, fallen) << k;
            EXPECT_LT(risen, fallen + 0.15 * (1.0 - fallen)) << k;
        }
    }
    for (ChannelRouting routing : {ChannelRouting::Left, ChannelRouting::Right}) {
        for (CEngine::Kernel k : {CEngine::kMonoSingle, CEngine::kMonoMulti}) {
            Rig rig;
            rig.kernel(k, routing);
            rig.ppm(1, 100);
            rig.p().meterSource = kGainRed;
            const auto hot = sine(22050, 4.0, 200);
            rig.resume();
            const bool left = routing == ChannelRouting::Left;
            rig.run(left ? hot : quiet, left ? quiet : hot);
            const int proc = left ? 0 : 1;
            EXPECT_LT(rig.meter(proc), 0.5) << k << " " << int(routing);
            EXPECT_NEAR(rig.meter(1 - proc), 1.0, 1e-4) << k << " " << int(routing);
        }
    }
}

// OverIndic T = 1 .. 10: exactly T consecutive full-scale samples set the flag at the latch,
// T - 1 do not, and a sample under full scale between two runs of T - 1 restarts the count.
// A run split across two process calls still counts as one run.
TEST(EngineMetersOvers, ThresholdOfOneToTenSamples) {
    auto flagsAfter = [](int threshold, const std::vector<int>& overs, int source, double outputGain) {
        Rig rig;
        rig.kernel(CEngine::kBypass);
        rig.p().overThreshold = threshold;
        rig.p().meterSource = source;
        rig.p().outputGain = outputGain;
        rig.resume();
        std::vector<double> a(300, 0.5);
        for (int i : overs) a[i] = (i & 1) ? -1.0 : 1.0;
        rig.run(a, a, 300);
        return rig.over(0) + 2 * rig.over(1);
    };
    for (int t = 1; t <= 10; ++t) {
        std::vector<int> run, shortRun, broken;
        for (int i = 0; i < t; ++i) run.push_back(100 + i);
        for (int i = 0; i + 1 < t; ++i) {
            shortRun.push_back(100 + i);
            broken.push_back(100 + i);
            broken.push_back(100 + t + i);   // sample 100 + t - 1 stays at 0.5
        }
        EXPECT_EQ(flagsAfter(t, run, kPre, 1.0), 3.0f) << t;
        EXPECT_EQ(flagsAfter(t, shortRun, kPre, 1.0), 0.0f) << t;
        if (t > 1) {
            EXPECT_EQ(flagsAfter(t, broken, kPre, 1.0), 0.0f) << t;
        }
    }
    // Split run, T = 4: the meters see the input 64 samples late, so host samples 134 and 135
    // end the first call of 200 frames and 136 and 137 open the second.
    Rig rig;
    rig.kernel(CEngine::kBypass);
    rig.p().overThreshold = 4;
    rig.resume();
    std::vector<double> a(400, 0.25);
    for (int i = 134; i < 138; ++i) a[i] = 1.0;
    rig.engine->process(a.data(), a.data(), a.data(), a.data(), 200);
    EXPECT_EQ(rig.over(0), 0.0f);
    rig.engine->process(a.data() + 200, a.data() + 200, a.data() + 200, a.data() + 200, 200);
    EXPECT_EQ(rig.over(0), 1.0f);
}

// Post and GainRed count overs on the output, Pre on the input: Output gain below 1 hides
// full-scale input from Post and GainRed, Output gain above 1 makes an over of a quiet input.
TEST(EngineMetersOvers, PostAndGainRedCountTheOutput) {
    for (CEngine::Kernel k : kAll) {
        for (int source : {kPre, kGainRed, kPost}) {
            for (int hotInput = 0; hotInput <= 1; ++hotInput) {
                Rig rig;
                rig.kernel(k);
                rig.p().overThreshold = 3;
                rig.p().meterSource = source;
                rig.p().outputGain = hotInput ? 0.5 : 2.0;
                rig.p().ceilingGain = 4.0;
                rig.p().brickwallOn = 0;
                rig.resume();
                // Input peaks of 1.5 (hot) or 0.8 (quiet): a square wave, so that several
                // consecutive samples sit at the peak.
                const int n = 4410;
                std::vector<double> a(n);
                for (int i = 0; i < n; ++i) a[i] = ((i / 50) & 1 ? -1.0 : 1.0) * (hotInput ? 1.5 : 0.8);
                rig.run(a, a);
                const bool outputOver = k == CEngine::kBypass ? hotInput : !hotInput;
                const bool expectOver = source == kPre ? hotInput != 0 : outputOver;
                EXPECT_EQ(rig.over(0), expectOver ? 1.0f : 0.0f)
                    << k << " source " << source << " hot " << hotInput;
                EXPECT_EQ(rig.over(1), expectOver ? 1.0f : 0.0f)
                    << k << " source " << source << " hot " << hotInput;
            }
        }
    }
}

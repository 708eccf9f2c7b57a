// The processing engine driven directly, without the host interface.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "dsp/CEngine.h"
#include "tests/unit/EngineTestSupport.h"

using dsp::CEngine;
using dsp::ChannelRouting;
using dsp::EngineConfig;

namespace {

using engine_test::kPi;
using engine_test::noise;

// The seven kernel paths, with the routing used for the mono ones.
struct Path {
    const char* name;
    int processOn, stereo, linked, multiBand;
    ChannelRouting routing;
    CEngine::Kernel kernel;
};

const Path kPaths[] = {
    {"bypass", 0, 1, 1, 0, ChannelRouting::Mono, CEngine::kBypass},
    {"monoSingle", 1, 0, 1, 0, ChannelRouting::Mono, CEngine::kMonoSingle},
    {"monoMulti", 1, 0, 1, 1, ChannelRouting::Mono, CEngine::kMonoMulti},
    {"linkedSingle", 1, 1, 1, 0, ChannelRouting::Mono, CEngine::kLinkedSingle},
    {"linkedMulti", 1, 1, 1, 1, ChannelRouting::Mono, CEngine::kLinkedMulti},
    {"unlinkedSingle", 1, 1, 0, 0, ChannelRouting::Mono, CEngine::kUnlinkedSingle},
    {"unlinkedMulti", 1, 1, 0, 1, ChannelRouting::Mono, CEngine::kUnlinkedMulti},
};

// Calls test(path, fat) for every kernel path, with FAT off and on.
template <class Test>
void forEachPathAndFat(Test test) {
    for (const Path& path : kPaths)
        for (int fat = 0; fat <= 1; ++fat) test(path, fat);
}

EngineConfig secondEdition() { return EngineConfig{true, 0}; }
// The first edition: no FAT, rings a quarter of the length (latency 127/255/511).
EngineConfig firstEdition() { return EngineConfig{false, 2}; }

// An engine set up the way the effect does it at resume.
struct Rig : engine_test::EngineUnderTest {
    explicit Rig(const EngineConfig& config = secondEdition()) : EngineUnderTest(config) {}

    void usePath(const Path& path) {
        p().processOn = path.processOn;
        p().stereo = path.stereo;
        p().linked = path.linked;
        p().multiBand = path.multiBand;
        p().modeValue = path.multiBand;
        p().routing = path.routing;
    }
    void usePath(const Path& path, int fat) {
        usePath(path);
        p().fatActive = fat;
    }

    void resume(double rate) {
        engine_test::resumeEngine(*engine, rate);
    }

    // Runs both channels through the double entry in host calls of `chunk` frames.
    void run(const std::vector<double>& a, const std::vector<double>& b, std::vector<double>& oa,
             std::vector<double>& ob, int chunk = 512) {
        EngineUnderTest::run(a, b, oa, ob, chunk);
    }
};

std::vector<double> sine(int n, double amplitude, double hz, double rate, double phase = 0) {
    return engine_test::sineAt(n, amplitude, hz, rate, phase);
}

int argMaxAbs(const std::vector<double>& v) {
    int best = 0;
    for (int i = 1; i < static_cast<int>(v.size()); ++i)
        if (std::fabs(v[i]) > std::fabs(v[best])) best = i;
    return best;
}

double maxAbs(const std::vector<double>& v, int from = 0) {
    double m = 0;
    for (int i = from; i < static_cast<int>(v.size()); ++i) m = std::max(m, std::fabs(v[i]));
    return m;
}

}  // namespace

TEST(EngineSizes, RingLengthsAndLatencyFollowTheRate) {
    Rig second;
    const struct { double rate; int s1, s2; } rows[] = {
        {44100, 256, 512}, {49999, 256, 512}, {50000, 512, 1024}, {96000, 512, 1024}, {100000, 1024, 2048},
        {192000, 1024, 2048}};
    for (const auto& r : rows) {
        second.resume(r.rate);
        EXPECT_EQ(second.engine->lookAheadSize(), r.s1) << r.rate;
        EXPECT_EQ(second.engine->delaySize(), r.s2) << r.rate;
        EXPECT_EQ(second.engine->latencySamples(), r.s2 + 127) << r.rate;
    }
    Rig first(firstEdition());
    for (const auto& r : rows) {
        first.resume(r.rate);
        EXPECT_EQ(first.engine->lookAheadSize(), r.s1 / 4) << r.rate;
        EXPECT_EQ(first.engine->delaySize(), r.s2 / 4) << r.rate;
        EXPECT_EQ(first.engine->latencySamples(), r.s2 / 4 - 1) << r.rate;
    }
}

TEST(EngineKernelChoice, SwitchesSelectTheKernel) {
    Rig rig;
    for (const Path& path : kPaths) {
        rig.usePath(path);
        EXPECT_EQ(rig.engine->chooseKernel(), path.kernel) << path.name;
    }
}

// An impulse comes out at exactly the reported latency on every path, FAT on and
// off, at every rate range, at both ends of Speed.
TEST(EngineLatency, ImpulseArrivesAtTheReportedLatencyOnEveryPath) {
    for (double rate : {44100.0, 48000.0, 96000.0, 192000.0}) {
        for (int fat = 0; fat <= 1; ++fat) {
            for (const Path& path : kPaths) {
                for (double speed : {0.0, 1.0}) {
                    Rig rig;
                    rig.usePath(path, fat);
                    rig.p().speed = speed;
                    rig.resume(rate);
                    const int latency = rig.engine->latencySamples();
                    ASSERT_EQ(latency, rig.engine->delaySize() + 127);
                    const int n = latency + 700;
                    std::vector<double> a(n, 0.0), b(n, 0.0), oa, ob;
                    a[300] = 0.5;
                    b[300] = -0.5;
                    rig.run(a, b, oa, ob);
                    EXPECT_EQ(argMaxAbs(oa), 300 + latency)
                        << path.name << " rate " << rate << " fat " << fat << " speed " << speed;
                    EXPECT_NEAR(oa[300 + latency], 0.5, 0.01) << path.name;
                    if (path.stereo) {
                        EXPECT_EQ(argMaxAbs(ob), 300 + latency) << path.name;
                        EXPECT_NEAR(ob[300 + latency], -0.5, 0.01) << path.name;
                    }
                }
            }
        }
    }
}

TEST(EngineLatency, FirstEditionIsDelaySizeMinusOne) {
    for (double rate : {44100.0, 96000.0, 192000.0}) {
        for (const Path& path : kPaths) {
            Rig rig(firstEdition());
            rig.usePath(path);
            rig.p().fatActive = 1;   // no FAT path in this edition: ignored
            rig.resume(rate);
            const int latency = rig.engine->latencySamples();
            ASSERT_EQ(latency, rig.engine->delaySize() - 1);
            std::vector<double> a(latency + 400, 0.0), b(latency + 400, 0.0), oa, ob;
            a[100] = b[100] = 0.25;
            rig.run(a, b, oa, ob);
            EXPECT_EQ(argMaxAbs(oa), 100 + latency) << path.name << " " << rate;
        }
    }
}

// Switching Process, Speed and Mode while audio runs keeps every later impulse on time.
TEST(EngineLatency, SwitchingDuringPlaybackDoesNotShiftTheOutput) {
    for (int fat = 0; fat <= 1; ++fat) {
        Rig rig;
        rig.usePath(kPaths[3], fat);
        rig.resume(48000);
        const int latency = rig.engine->latencySamples();
        // One impulse per host call, out again before the next call changes a setting.
        const int spacing = latency + 300, count = 16, n = spacing * count;
        std::vector<double> a(n, 0.0), oa(n), ob(n);
        for (int k = 0; k < count; ++k) a[spacing * k + 100] = 0.3;
        for (int k = 0; k < count; ++k) {
            dsp::EngineParams& p = rig.p();
            switch (k % 4) {
                case 0: p.processOn = !p.processOn; break;
                case 1: p.speed = p.speed > 0.5 ? 0.1 : 0.9; rig.engine->recomputeTimeConstants(); break;
                case 2:
                    p.multiBand = !p.multiBand;
                    rig.engine->resetDynamics();
                    rig.engine->recomputeFilters();
                    rig.engine->recomputeTimeConstants();
                    break;
                default: p.linked = !p.linked; break;
            }
            const int s = k * spacing;
            rig.engine->process(a.data() + s, a.data() + s, oa.data() + s, ob.data() + s, spacing);
        }
        for (int k = 0; k < count; ++k) {
            const int at = spacing * k + 100 + latency;
            double best = 0;
            int bestAt = 0;
            for (int i = at - 100; i < at + 100; ++i)
                if (std::fabs(oa[i]) > best) best = std::fabs(oa[i]), bestAt = i;
            EXPECT_EQ(bestAt, at) << "impulse " << k << " fat " << fat;
            EXPECT_NEAR(best, 0.3, 0.01) << "impulse " << k << " fat " << fat;
        }
    }
}

// Process Off is a pure delay: no Output gain, bit-exact up to the anti-denormal offset.
TEST(EngineBypass, IsAPureDelay) {
    for (bool hasFat : {true, false}) {
        Rig rig(hasFat ? secondEdition() : firstEdition());
        rig.usePath(kPaths[0]);
        rig.p().outputGain = 2.0;
        rig.p().mixAmount = 0.3;
        rig.resume(44100);
        const int latency = rig.engine->latencySamples();
        const int n = 6000;
        auto a = noise(n, 1.0, 1), b = noise(n, 0.7, 2);
        std::vector<double> oa, ob;
        rig.run(a, b, oa, ob, 333);
        for (int i = 0; i < n; ++i) {
            const double ea = i >= latency ? a[i - latency] : 0.0;
            const double eb = i >= latency ? b[i - latency] : 0.0;
            ASSERT_NEAR(oa[i], ea, 2e-16) << i;
            ASSERT_NEAR(ob[i], eb, 2e-16) << i;
        }
    }
}

// FAT on around the bypass kernel: the resampling filters run; the result is a
// band-limited copy delayed by the same latency.
TEST(EngineBypass, FatPathKeepsTheSignalAtTheLatency) {
    Rig rig;
    rig.usePath(kPaths[0]);
    rig.p().fatActive = 1;
    rig.resume(48000);
    const int latency = rig.engine->latencySamples();
    const int n = 8000;
    auto a = sine(n, 0.5, 1000, 48000), b = sine(n, 0.5, 3000, 48000, 1.0);
    std::vector<double> oa, ob;
    rig.run(a, b, oa, ob, 100);
    for (int i = latency + 600; i < n; ++i) {
        ASSERT_NEAR(oa[i], a[i - latency], 0.005) << i;
        ASSERT_NEAR(ob[i], b[i - latency], 0.005) << i;
    }
}

TEST(EngineRouting, MonoIgnoresChannelBAndLeftRightPassTheOtherChannelThrough) {
    const int n = 5000;
    auto a = noise(n, 1.5, 3), b = noise(n, 0.8, 4);
    std::vector<double> zero(n, 0.0);
    for (int multi = 0; multi <= 1; ++multi) {
        Path mono = kPaths[1 + multi];
        Rig r1, r2;
        for (Rig* r : {&r1, &r2}) {
            r->usePath(mono);
            r->p().outputGain = 1.5;
            r->resume(44100);
        }
        std::vector<double> o1a, o1b, o2a, o2b;
        r1.run(a, b, o1a, o1b);
        r2.run(a, zero, o2a, o2b);
        ASSERT_EQ(o1a, o2a);
        ASSERT_EQ(o1a, o1b);
        ASSERT_EQ(o2a, o2b);

        for (ChannelRouting routing : {ChannelRouting::Left, ChannelRouting::Right}) {
            Rig rig;
            mono.routing = routing;
            rig.usePath(mono);
            rig.p().outputGain = 1.5;
            rig.resume(44100);
            const int latency = rig.engine->latencySamples();
            std::vector<double> oa, ob;
            rig.run(a, b, oa, ob);
            const bool left = routing == ChannelRouting::Left;
            const std::vector<double>& passIn = left ? b : a;
            const std::vector<double>& passOut = left ? ob : oa;
            const std::vector<double>& procOut = left ? oa : ob;
            for (int i = latency; i < n; ++i) ASSERT_NEAR(passOut[i], 1.5 * passIn[i - latency], 1e-15) << i;
            // The processed channel is the other input: same as mono routing on that input.
            Rig ref;
            mono.routing = ChannelRouting::Mono;
            ref.usePath(mono);
            ref.p().outputGain = 1.5;
            ref.resume(44100);
            std::vector<double> ra, rb;
            ref.run(left ? a : b, zero, ra, rb);
            ASSERT_EQ(procOut, ra);
        }
    }
}

// With FAT off, Brickwall on and Mix 100 %, no output sample exceeds ceilingGain
// times outputGain on any processing path, for hot noise and square waves.
TEST(EngineCeiling, BrickwallHoldsTheCeilingForHotSignals) {
    const int n = 20000;
    std::vector<std::vector<double>> signals;
    signals.push_back(noise(n, 8.0, 5));
    for (double hz : {40.0, 441.0, 3000.0}) {
        std::vector<double> sq(n);
        const int half = static_cast<int>(44100 / hz / 2);
        for (int i = 0; i < n; ++i) sq[i] = ((i / half) % 2 ? -3.0 : 3.0);
        signals.push_back(sq);
    }
    for (const Path& path : kPaths) {
        if (!path.processOn) continue;
        for (double knee : {0.0, 0.5}) {
            for (size_t s = 0; s < signals.size(); ++s) {
                Rig rig;
                rig.usePath(path);
                rig.p().brickwallOn = 1;
                rig.p().ceilingGain = 0.7;
                rig.p().outputGain = 1.3;
                rig.p().driveGain = 3.0;
                rig.p().speed = 0.0;
                rig.p().lowAdjustGain = 4.0;
                rig.p().highAdjustGain = 3.0;
                rig.p().bandSatGain[1] = 4.0;
                rig.p().bandSatInverse[1] = 0.25;
                rig.p().kneeType = knee < 0.25 ? 0 : 1;
                rig.p().kneeAmount = knee < 0.25 ? 4 * knee : (knee - 0.25) / 0.75;
                rig.resume(44100);
                std::vector<double> oa, ob;
                auto other = signals[(s + 1) % signals.size()];
                rig.run(signals[s], other, oa, ob);
                const double limit = 0.7 * 1.3;
                EXPECT_LE(maxAbs(oa), limit) << path.name << " signal " << s << " knee " << knee;
                EXPECT_LE(maxAbs(ob), limit) << path.name << " signal " << s << " knee " << knee;
                EXPECT_GT(maxAbs(oa), 0.5 * limit) << path.name;
            }
        }
    }
}

// Knee 0, Drive, Ceiling and Output at 0 dB: a steady sine of peak 2.0 leaves about 0.1 dB under 1.0
// (exactly the detector margin plus floor while the window always holds a peak, as at 1 kHz).
TEST(EngineCeiling, SineOfPeakTwoLeavesOneTenthDecibelUnderFullScale) {
    for (const Path& path : kPaths) {
        if (!path.processOn || path.multiBand) continue;
        for (double hz : {100.0, 1000.0}) {
            Rig rig;
            rig.usePath(path);
            rig.resume(44100);
            const int n = 44100;
            auto a = sine(n, 2.0, hz, 44100);
            std::vector<double> oa, ob;
            rig.run(a, a, oa, ob);
            const double peakDb = 20 * std::log10(maxAbs(oa, n / 2));
            EXPECT_LT(peakDb, -0.085) << path.name << " " << hz;
            EXPECT_GT(peakDb, -0.115) << path.name << " " << hz;
            if (hz == 1000.0) {
                const double x = maxAbs(a);
                EXPECT_NEAR(maxAbs(oa, n / 2), x / (x * 1.0115795 + 0.0009766), 1e-5) << path.name;
            }
        }
    }
}

// Neutral multi-band settings pass the 15 Hz high-passed input unchanged (delayed).
TEST(EngineMultiBand, NeutralSettingsPassTheHighPassedInput) {
    for (int linked = 0; linked <= 1; ++linked) {
        Rig rig;
        rig.usePath(linked ? kPaths[4] : kPaths[6]);
        rig.p().highFreqHz = 3000;
        rig.p().lowFreqHz = 150;
        rig.resume(44100);
        const int latency = rig.engine->latencySamples();
        const int n = 12000;
        auto a = noise(n, 0.1, 6), b = sine(n, 0.2, 250, 44100);
        std::vector<double> oa, ob;
        rig.run(a, b, oa, ob);
        // Reference: the fixed high-pass alone.
        const dsp::SubsonicCoeffs c = dsp::designSubsonic(44100);
        dsp::SubsonicState sa{}, sb{};
        dsp::clearSubsonic(sa);
        dsp::clearSubsonic(sb);
        double off = 1e-16;
        for (int i = 0; i + latency < n; ++i) {
            off = -off;
            const double ha = dsp::stepSubsonic(c, sa, a[i], off);
            const double hb = dsp::stepSubsonic(c, sb, b[i], off);
            ASSERT_NEAR(oa[i + latency], ha, 1e-12) << i;
            ASSERT_NEAR(ob[i + latency], hb, 1e-12) << i;
        }
    }
}

TEST(EngineTimeConstants, WindowsAtSpeedEndsAndReadPositions) {
    Rig rig;
    rig.p().speed = 0.0;
    rig.resume(44100);
    EXPECT_EQ(rig.engine->timeConstants().attackWindow, 3);
    EXPECT_EQ(rig.engine->timeConstants().limiterWindow, 9);
    auto pos = dsp::EngineOracle::positions(*rig.engine);
    EXPECT_EQ(pos.w1, 255);
    EXPECT_EQ(pos.r1, 255 - 3 - 1);
    EXPECT_EQ(pos.r3, 255 - 9 - 1);
    EXPECT_EQ(pos.w2, 511);
    EXPECT_EQ(pos.r2, (3 + 2 * 512 + 1) & 511);
    EXPECT_EQ(pos.fatIndex, 511);

    rig.p().speed = 1.0;
    rig.p().multiBand = 1;
    rig.engine->recomputeTimeConstants();
    EXPECT_EQ(rig.engine->timeConstants().attackWindow, 52);
    EXPECT_EQ(rig.engine->timeConstants().limiterWindow, 52);
    pos = dsp::EngineOracle::positions(*rig.engine);
    EXPECT_EQ(pos.r1, (255 - 53) & 255);
    EXPECT_EQ(pos.r2, (52 + 52 + 2 * 512 + 2) & 511);

    // FAT doubles the kernel rate and so the windows.
    rig.p().speed = 0.0;
    rig.p().fatActive = 1;
    rig.resume(44100);
    EXPECT_EQ(rig.engine->timeConstants().attackWindow, 6);
    EXPECT_EQ(rig.engine->timeConstants().limiterWindow, 19);
    // ... but not above 100 kHz, where FAT is forced off.
    rig.resume(192000);
    EXPECT_FALSE(rig.engine->fatRunning());
    EXPECT_EQ(rig.engine->timeConstants().attackWindow, 14);
}

// Peaks of amplitude 4 at every ring position, Brickwall off: the look-ahead alone must catch each of them,
// including those that enter just after the write position wrapped.
TEST(EngineLookAhead, EveryPeakIsCaughtWhereverTheRingWraps) {
    for (const Path& path : kPaths) {
        if (!path.processOn) continue;
        Rig rig;
        rig.usePath(path);
        rig.p().brickwallOn = 0;
        rig.p().speed = 0.3;
        rig.resume(44100);
        const int s1 = rig.engine->lookAheadSize();
        const int n = 40 * s1;
        std::vector<double> a(n, 0.0);
        // Spacing s1 + 7 walks the peak through every ring slot over the run.
        for (int i = 500; i < n; i += 97) a[i] = 4.0;
        std::vector<double> oa, ob;
        rig.run(a, a, oa, ob, 64);
        // Single-band: the envelope has covered at least 95 % of the peak when it leaves. Multi-band
        // without the final stage: each band is caught, their sum may exceed 1 a little.
        EXPECT_LT(maxAbs(oa), path.multiBand ? 1.5 : 1.06) << path.name;
        EXPECT_GT(maxAbs(oa), 0.5) << path.name;
    }
}

// The host's block split does not change the output.
TEST(EngineBlocks, OutputIsIndependentOfTheHostBlockSize) {
    const int n = 4096 * 2;
    auto a = noise(n, 2.0, 7), b = sine(n, 1.5, 330, 48000);
    for (int i = 0; i < n / 3; ++i) a[i] *= 0.1;
    forEachPathAndFat([&](const Path& path, int fat) {
        std::vector<double> refA, refB;
        for (int chunk : {4096, 1, 63, 64, 65}) {
            Rig rig;
            rig.usePath(path, fat);
            rig.p().autoRelease = 1;
            rig.p().mixAmount = 0.8;
            rig.engine->metersActive = 1;
            rig.resume(48000);
            std::vector<double> oa, ob;
            rig.run(a, b, oa, ob, chunk);
            if (refA.empty()) {
                refA = oa;
                refB = ob;
            } else {
                ASSERT_EQ(oa, refA) << path.name << " chunk " << chunk << " fat " << fat;
                ASSERT_EQ(ob, refB) << path.name << " chunk " << chunk << " fat " << fat;
            }
        }
    });
}

TEST(EngineBlocks, FloatAndDoubleEntriesAgree) {
    const int n = 6000;
    auto a = noise(n, 1.7, 8), b = noise(n, 0.9, 9);
    std::vector<float> fa(a.begin(), a.end()), fb(b.begin(), b.end());
    for (int i = 0; i < n; ++i) a[i] = fa[i], b[i] = fb[i];
    forEachPathAndFat([&](const Path& path, int fat) {
        Rig rd, rf;
        for (Rig* r : {&rd, &rf}) {
            r->usePath(path, fat);
            r->resume(44100);
        }
        std::vector<double> oa, ob;
        rd.run(a, b, oa, ob, 500);
        std::vector<float> foa(n), fob(n);
        for (int s = 0; s < n; s += 500) {
            const int k = std::min(500, n - s);
            rf.engine->process(fa.data() + s, fb.data() + s, foa.data() + s, fob.data() + s, k);
        }
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(foa[i], static_cast<float>(oa[i])) << path.name << " " << i;
            ASSERT_EQ(fob[i], static_cast<float>(ob[i])) << path.name << " " << i;
        }
    });
}

TEST(EngineBlocks, InPlaceAndSharedChannelBuffers) {
    const int n = 3000;
    auto a = noise(n, 1.2, 10), b = noise(n, 1.2, 11);
    Rig ref, inPlace;
    for (Rig* r : {&ref, &inPlace}) {
        r->usePath(kPaths[5]);
        r->resume(44100);
    }
    std::vector<double> oa, ob;
    ref.run(a, b, oa, ob, 256);
    std::vector<double> ia = a, ib = b;
    for (int s = 0; s < n; s += 256) {
        const int k = std::min(256, n - s);
        inPlace.engine->process(ia.data() + s, ib.data() + s, ia.data() + s, ib.data() + s, k);
    }
    EXPECT_EQ(ia, oa);
    EXPECT_EQ(ib, ob);

    // One buffer for both inputs and both outputs (mono host): channel B's result wins.
    Rig shared, sref;
    for (Rig* r : {&shared, &sref}) {
        r->usePath(kPaths[5]);
        r->resume(44100);
    }
    std::vector<double> buf = a;
    shared.engine->process(buf.data(), buf.data(), buf.data(), buf.data(), n);
    sref.run(a, a, oa, ob, n);
    EXPECT_EQ(buf, ob);
}

TEST(EngineBlocks, ZeroFramesProcessNothing) {
    Rig rig;
    rig.resume(44100);
    const auto before = dsp::EngineOracle::positions(*rig.engine);
    double x = 1.0, y = 5.0;
    rig.engine->process(&x, &x, &y, &y, 0);
    EXPECT_EQ(y, 5.0);
    EXPECT_EQ(dsp::EngineOracle::positions(*rig.engine).w2, before.w2);
}

// NaN and infinite input samples are silence; they never poison the filters and rings.
TEST(EngineRobustness, NonFiniteInputIsSilence) {
    const int n = 8000;
    auto a = noise(n, 1.5, 12), b = noise(n, 1.5, 13);
    auto clean = a, cleanB = b;
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (int k = 0; k < 30; ++k) {
        const int i = 200 + 251 * k;
        a[i] = bad[k % 3];
        b[i + 3] = bad[(k + 1) % 3];
        clean[i] = 0.0;
        cleanB[i + 3] = 0.0;
    }
    forEachPathAndFat([&](const Path& path, int fat) {
        Rig r1, r2;
        for (Rig* r : {&r1, &r2}) {
            r->usePath(path, fat);
            r->p().autoRelease = 1;
            r->engine->metersActive = 1;
            r->resume(44100);
        }
        std::vector<double> oa, ob, ca, cb;
        r1.run(a, b, oa, ob);
        r2.run(clean, cleanB, ca, cb);
        ASSERT_EQ(oa, ca) << path.name;
        ASSERT_EQ(ob, cb) << path.name;
        EXPECT_TRUE(std::isfinite(r1.engine->meterValue[0].load()));
    });
    // Huge finite samples cannot overflow the filters either.
    Rig rig;
    rig.usePath(kPaths[4]);
    rig.resume(44100);
    std::vector<double> huge(4000, 0.0), oa, ob;
    for (int i = 0; i < 4000; i += 3) huge[i] = (i % 2 ? -1 : 1) * 1e300;
    rig.run(huge, huge, oa, ob);
    auto quiet = noise(4000, 0.5, 14);
    rig.run(quiet, quiet, oa, ob);
    for (double v : oa) ASSERT_TRUE(std::isfinite(v));
    EXPECT_GT(maxAbs(oa, 2000), 0.1);
}

// Ten seconds of silence after loud input stay finite and cost no more than noise.
TEST(EngineRobustness, SilenceAfterLoudInputHasNoDenormalStall) {
    const double rate = 44100;
    for (int pathIndex : {3, 4}) {
        Rig rig;
        rig.usePath(kPaths[pathIndex]);
        rig.p().autoRelease = 1;
        rig.p().longRelease = 1;
        rig.resume(rate);
        const int n = static_cast<int>(rate * 10);
        auto loud = noise(n, 4.0, 15);
        std::vector<double> silence(n, 0.0), oa, ob;
        auto t0 = std::chrono::steady_clock::now();
        rig.run(loud, loud, oa, ob);
        auto t1 = std::chrono::steady_clock::now();
        rig.run(silence, silence, oa, ob);
        auto t2 = std::chrono::steady_clock::now();
        for (double v : oa) ASSERT_TRUE(std::isfinite(v));
        for (double v : ob) ASSERT_TRUE(std::isfinite(v));
        EXPECT_LT(maxAbs(oa, n / 2), 1e-12);
        const double noiseTime = std::chrono::duration<double>(t1 - t0).count();
        const double silenceTime = std::chrono::duration<double>(t2 - t1).count();
        EXPECT_LT(silenceTime, 1.5 * noiseTime + 0.01) << kPaths[pathIndex].name;
    }
}

TEST(EngineMeters, VuReadingOfAFullScaleSine) {
    for (int processOn = 0; processOn <= 1; ++processOn) {
        for (int source : {0, 2}) {
            Rig rig;
            rig.usePath(kPaths[0]);
            rig.p().processOn = processOn;
            rig.p().ceilingGain = 4.0;   // no limiting of a full-scale sine on the processed path
            rig.p().meterSource = source;
            rig.p().vuReference = 1.0;
            rig.p().vuReferenceInverse = 1.0;
            rig.engine->metersActive = 1;
            rig.resume(44100);
            const int n = 44100 * 4;
            auto a = sine(n, 1.0, 1000, 44100);
            std::vector<double> oa, ob;
            float lo = 10, hi = 0;
            for (int s = 0; s < n; s += 441) {
                rig.engine->process(a.data() + s, a.data() + s, a.data() + s, a.data() + s, 441);
                if (s > n - 44100 / 2) {
                    lo = std::min(lo, rig.engine->meterValue[0].load());
                    hi = std::max(hi, rig.engine->meterValue[1].load());
                }
            }
            EXPECT_NEAR(lo, 0.987, 0.01) << processOn << " " << source;
            EXPECT_NEAR(hi, 0.987, 0.01) << processOn << " " << source;
        }
    }
}

TEST(EngineMeters, GainReductionReadsOneWithoutReduction) {
    for (const Path& path : kPaths) {
        for (int ppm = 0; ppm <= 1; ++ppm) {
            Rig rig;
            rig.usePath(path);
            rig.p().meterSource = 1;
            rig.p().meterTypePpm = ppm;
            rig.p().driveGain = 0.5;
            rig.engine->metersActive = 1;
            rig.resume(44100);
            auto a = sine(44100, 0.01, 200, 44100);
            std::vector<double> oa, ob;
            rig.run(a, a, oa, ob);
            EXPECT_NEAR(rig.engine->meterValue[0].load(), 1.0, 0.01) << path.name << " ppm " << ppm;
            EXPECT_NEAR(rig.engine->meterValue[1].load(), 1.0, 0.01) << path.name << " ppm " << ppm;
        }
    }
    // A loud signal shows a reduction, and the meter stays at rest while metersActive is clear.
    Rig rig;
    rig.usePath(kPaths[3]);
    rig.p().meterSource = 1;
    rig.resume(44100);
    auto loud = sine(44100, 4.0, 200, 44100);
    std::vector<double> oa, ob;
    rig.run(loud, loud, oa, ob);
    EXPECT_EQ(rig.engine->meterValue[0].load(), 0.0f);
    rig.engine->metersActive = 1;
    rig.run(loud, loud, oa, ob);
    EXPECT_LT(rig.engine->meterValue[0].load(), 0.5f);
}

TEST(EngineMeters, OversAreCountedAgainstTheThreshold) {
    Rig rig;
    rig.usePath(kPaths[0]);
    rig.p().overThreshold = 3;
    rig.p().meterSource = 0;
    rig.engine->metersActive = 1;
    rig.resume(44100);
    std::vector<double> a(200, 0.1), oa, ob;
    a[50] = a[51] = 1.0;
    a[100] = -1.0;
    rig.run(a, a, oa, ob, 200);
    EXPECT_EQ(rig.engine->overFlag[0].load(), 0.0f);
    a[52] = 1.0;   // three in a row
    rig.run(a, a, oa, ob, 200);
    EXPECT_EQ(rig.engine->overFlag[0].load(), 1.0f);
    EXPECT_EQ(rig.engine->overFlag[1].load(), 1.0f);
    // The editor clears the flag; quiet input does not set it again.
    rig.engine->overFlag[0] = 0.0f;
    std::vector<double> quiet(200, 0.5);
    rig.run(quiet, quiet, oa, ob, 200);
    EXPECT_EQ(rig.engine->overFlag[0].load(), 0.0f);
    // Post counts on the output: bypass output is the input delayed.
    rig.p().meterSource = 2;
    std::vector<double> burst(1200, 0.0);
    for (int i = 10; i < 20; ++i) burst[i] = 1.2;
    rig.run(burst, burst, oa, ob, 1200);
    EXPECT_EQ(rig.engine->overFlag[0].load(), 1.0f);
    // A full reset clears the flags.
    rig.engine->fullReset();
    EXPECT_EQ(rig.engine->overFlag[0].load(), 0.0f);
}

// The engine's own kernels, FAT resampler and peak holds give the results of the reference ones
// (one sample at a time through the whole chain, plain per-channel resamplers, the slot-by-slot
// window maximum), bit for bit, whatever the settings, compiled for each instruction set the
// processor has.
TEST(EngineFastPaths, MatchThePlainKernelsBitForBit) {
    using dsp::simd::VectorIsa;
    const int n = 9000;
    auto a = noise(n, 2.5, 16), b = sine(n, 1.8, 70, 44100);
    for (int i = 0; i < n; ++i) b[i] += 0.3 * a[(i * 7) % n];
    for (int i = 3000; i < 4000; ++i) a[i] *= 0.01;
    const int widest = static_cast<int>(dsp::simd::widestVectorIsa());
    for (const Path& path : kPaths) {
        for (int variant = 0; variant < 8; ++variant) {
            std::vector<double> out[2][2];
            // Run 0: the reference kernels; run r > 0: the engine's, for the instruction set r - 1.
            for (int run = 0; run <= widest + 1; ++run) {
                dsp::simd::capVectorIsaForProcess(static_cast<VectorIsa>(run == 0 ? widest : run - 1));
                Rig rig;
                dsp::simd::capVectorIsaForProcess(VectorIsa::kAvx512);
                const int reference = run == 0 ? 1 : 0;
                rig.useReference(reference != 0);
                rig.usePath(path);
                if (!path.stereo) rig.p().routing = static_cast<ChannelRouting>(variant % 3);
                rig.p().fatActive = variant & 1;
                rig.p().autoRelease = (variant >> 1) & 1;
                rig.p().brickwallOn = (variant >> 2) & 1;
                rig.p().kneeType = variant < 4 ? 0 : 1;
                rig.p().kneeAmount = variant < 4 ? 0.6 : 0.3;
                rig.p().driveGain = 2.5;
                rig.p().ceilingGain = 0.8;
                rig.p().mixAmount = variant % 3 ? 1.0 : 0.7;
                rig.p().lowAdjustGain = 1.5;
                rig.p().highAdjustGain = 0.7;
                rig.p().bandSatGain[0] = 2.0;
                rig.p().bandSatInverse[0] = 0.5;
                rig.p().bandReleaseScale[2] = 3.0;
                rig.p().longRelease = variant == 5;
                rig.p().speed = 0.37;
                rig.engine->metersActive = 1;
                rig.resume(44100);
                rig.run(a, b, out[reference][0], out[reference][1], 441);
                if (run == 0) continue;
                ASSERT_EQ(out[0][0], out[1][0]) << path.name << " variant " << variant << " set " << run - 1;
                ASSERT_EQ(out[0][1], out[1][1]) << path.name << " variant " << variant << " set " << run - 1;
            }
        }
    }
}

// The engine's own kernels and the reference ones keep every state in the engine: they can take
// turns host call by host call (rings, peak holds, filters, smoothers and envelopes handed over as
// they are) and the output stays that of the engine's kernels alone. First edition: no resampler,
// the one state the two do not share.
TEST(EngineFastPaths, OwnAndReferenceKernelsCanTakeTurns) {
    const int n = 6000;
    const auto a = noise(n, 2.0, 23), b = sine(n, 1.5, 60, 44100);
    for (const Path& path : kPaths) {
        std::vector<double> out[2][2];
        for (int turns = 0; turns <= 1; ++turns) {
            Rig rig(firstEdition());
            rig.usePath(path);
            rig.p().routing = ChannelRouting::Right;
            rig.p().autoRelease = 1;
            rig.p().driveGain = 2.0;
            rig.p().speed = 0.5;
            rig.resume(44100);
            out[turns][0].assign(n, 0.0);
            out[turns][1].assign(n, 0.0);
            for (int s = 0, call = 0; s < n; s += 300, ++call) {
                if (turns) rig.useReference(call % 2 == 1);
                rig.process(a.data() + s, b.data() + s, out[turns][0].data() + s, out[turns][1].data() + s,
                            std::min(300, n - s));
            }
        }
        ASSERT_EQ(out[0][0], out[1][0]) << path.name;
        ASSERT_EQ(out[0][1], out[1][1]) << path.name;
        EXPECT_GT(maxAbs(out[0][1]), 0.1) << path.name;
    }
}

// The kernels hand the meters the input and the applied gain (the stereo ones from a stage of
// their own): every meter reading (all sources, VU and PPM, FAT off and on, every routing of the
// mono kernels) after every host call equals the reference kernels' bit for bit, and so do the
// over flags.
TEST(EngineFastPaths, MeterReadingsMatchThePlainKernels) {
    const int n = 6000;
    auto a = noise(n, 1.6, 21), b = sine(n, 1.3, 90, 44100);
    for (int i = 2000; i < 3500; ++i) a[i] *= 0.02;
    for (const Path& path : kPaths) {
        if (path.processOn == 0) continue;
        for (int variant = 0; variant < 12; ++variant) {
            std::vector<float> readings[2];
            for (int reference = 0; reference <= 1; ++reference) {
                Rig rig;
                rig.useReference(reference != 0);
                rig.usePath(path);
                if (!path.stereo) rig.p().routing = static_cast<ChannelRouting>((variant / 2) % 3);
                rig.p().meterSource = variant % 3;
                rig.p().meterTypePpm = (variant / 3) % 2;
                rig.p().fatActive = variant / 6;
                rig.p().autoRelease = 1;
                rig.p().driveGain = 2.0;
                rig.p().ceilingGain = 0.9;
                rig.p().overThreshold = 2;
                rig.engine->metersActive = 1;
                rig.resume(44100);
                std::vector<double> oa(n), ob(n);
                for (int s = 0; s < n; s += 333) {
                    const int k = std::min(333, n - s);
                    rig.process(a.data() + s, b.data() + s, oa.data() + s, ob.data() + s, k);
                    for (int c = 0; c < 2; ++c) {
                        readings[reference].push_back(rig.engine->meterValue[c].load());
                        readings[reference].push_back(rig.engine->overFlag[c].load());
                    }
                }
            }
            ASSERT_EQ(readings[0], readings[1]) << path.name << " variant " << variant;
            // The readings move: the comparison is not one of two meters at rest.
            EXPECT_NE(readings[0][0], readings[0][readings[0].size() / 2]) << path.name << " variant " << variant;
        }
    }
}

TEST(EngineFastPaths, SmootherStateStepsLikeCBiquad) {
    dsp::CBiquad design(48000, dsp::CBiquad::kLowPass, 200, 0.5, 0);
    dsp::CBiquad reference(48000, dsp::CBiquad::kLowPass, 200, 0.5, 0);
    dsp::simd::SmootherState s;
    s.takeDesign(design);
    auto x = noise(5000, 1.0, 17);
    for (double v : x) ASSERT_EQ(s.step(std::fabs(v)), reference.step(std::fabs(v)));
}

// The block-maximum peak hold against the slot-by-slot walk: same values read, and the same ring
// once brought up to date, through wrap-around, rising runs, plateaus, jumps of the read
// position, skipped samples, ring length changes and clears.
TEST(EngineFastPaths, PeakHoldMatchesASlotBySlotWalk) {
    const int capacity = 128;
    std::vector<double> fast(capacity, 0.0), plain(capacity, 0.0), history(capacity), suffix(capacity + 1);
    dsp::PeakHold hold;
    hold.attach(fast.data(), history.data(), suffix.data(), capacity);
    std::mt19937 gen(18);
    std::uniform_real_distribution<double> dist(0.0, 1.0);
    int size = 64, w = size - 1, window = 5, fastSteps = 0;
    for (int step = 0; step < 60000; ++step) {
        int mask = size - 1;
        const int event = static_cast<int>(dist(gen) * 3000);
        if (event < 3) window = static_cast<int>(dist(gen) * (size - 2));          // read position jumps
        else if (event < 5) w = (w + 1 + static_cast<int>(dist(gen) * 90)) & mask;   // samples skipped
        else if (event == 5) {                                                       // cleared
            std::fill(fast.begin(), fast.end(), 0.0);
            std::fill(plain.begin(), plain.end(), 0.0);
            hold.invalidate();
        } else if (event == 6) {                                                     // other ring length
            size = size == 64 ? 128 : 64;
            mask = size - 1;
            w &= mask;
            window = std::min(window, size - 2);
        }
        const int r = (w - window - 1) & mask;
        const int phase = (step / 300) % 4;
        double v;
        if (phase == 0) v = dist(gen);
        else if (phase == 1) v = (step % 300) / 300.0;
        else if (phase == 2) v = 1.0 - (step % 300) / 300.0;
        else v = std::floor(dist(gen) * 3) / 3;
        const double got = hold.step(w, r, mask, v);
        const double expected = dsp::oracle::slotWalkPeakHold(plain.data(), w, r, mask, v);
        ASSERT_EQ(got, expected) << step;
        fastSteps += hold.fastMode();
        if (step % 311 == 0) {
            hold.materialize();
            ASSERT_EQ(fast, plain) << step;
        }
        w = (w + 1) & mask;
    }
    EXPECT_GT(fastSteps, 30000);
}

// The block steps of the peak hold (a Run over a block when the hold continues in the fast mode,
// the hold's own steps otherwise) against the slot-by-slot walk: the same values read and, once
// brought up to date, the same ring, through blocks of every length, jumps of the read position,
// skipped samples and clears between blocks.
TEST(EngineFastPaths, PeakHoldBlockStepsMatchASlotBySlotWalk) {
    const int capacity = 64, mask = capacity - 1;
    std::vector<double> fast(capacity, 0.0), plain(capacity, 0.0), history(capacity), suffix(capacity + 1);
    dsp::PeakHold hold;
    hold.attach(fast.data(), history.data(), suffix.data(), capacity);
    std::mt19937 gen(23);
    std::uniform_real_distribution<double> dist(0.0, 1.0);
    int w = 0, window = 9, fastBlocks = 0;
    for (int block = 0; block < 6000; ++block) {
        const int event = static_cast<int>(dist(gen) * 100);
        if (event < 3) window = 1 + static_cast<int>(dist(gen) * (capacity - 3));   // read position jumps
        else if (event < 5) w = (w + 1 + static_cast<int>(dist(gen) * 40)) & mask;  // samples skipped
        else if (event == 5) {                                                      // cleared
            std::fill(fast.begin(), fast.end(), 0.0);
            std::fill(plain.begin(), plain.end(), 0.0);
            hold.invalidate();
        }
        const int n = 1 + static_cast<int>(dist(gen) * 128);
        const int r0 = (w - window - 1) & mask;
        const bool runFast = hold.continuesFast(w, r0, mask);
        fastBlocks += runFast;
        dsp::PeakHold::Run run(hold);
        int r = r0;
        for (int i = 0; i < n; ++i) {
            const double v = block % 7 == 0 ? (i % 5) / 5.0 : dist(gen);
            const double got = runFast ? run.step(w, v) : hold.step(w, r, mask, v);
            ASSERT_EQ(got, dsp::oracle::slotWalkPeakHold(plain.data(), w, r, mask, v)) << block << " " << i;
            w = (w + 1) & mask;
            r = (r + 1) & mask;
        }
        if (runFast) run.finish(hold, n, (w - 1) & mask, (r - 1) & mask);
        if (block % 13 == 0) {
            hold.materialize();
            ASSERT_EQ(fast, plain) << block;
        }
    }
    EXPECT_GT(fastBlocks, 3000);
}

// The engine's FAT resampler and delays against the plain resampler, for both channels, with the
// sums of each instruction set the processor has, and with the instruction set changing from
// block to block, in blocks of every length up to 64: resampling first, then (after a clear, as
// the engine does when FAT changes) the plain delays.
TEST(EngineFastPaths, ResamplerMatchesThePlainResampler) {
    using dsp::simd::VectorIsa;
    const int widest = static_cast<int>(dsp::simd::widestVectorIsa());
    for (int run = 0; run <= widest + 1; ++run) {
        const bool changing = run > widest;
        dsp::oracle::PlainOversampler refA(dsp::COversampler::kProductFlags), refB(dsp::COversampler::kProductFlags);
        dsp::simd::FatResampler fast;
        double up[128], down[128];
        for (int i = 0; i < 128; ++i) up[i] = refA.design().upCoeff(i), down[i] = refA.design().downCoeff(i);
        fast.setCoefficients(up, down);
        fast.capVectorIsa(static_cast<VectorIsa>(changing ? widest : run));
        ASSERT_EQ(static_cast<int>(fast.vectorIsa()), changing ? widest : run);
        fast.clear();
        std::mt19937 gen(19);
        std::uniform_real_distribution<double> dist(-1.0, 1.0);
        for (int block = 0; block < 400; ++block) {
            const int n = 1 + block % 64;
            if (changing && block % 3 == 0) fast.capVectorIsa(static_cast<VectorIsa>(block / 3 % (widest + 1)));
            double a[128], b[128], ra[128], rb[128];
            for (int i = 0; i < n; ++i) ra[i] = a[i] = dist(gen), rb[i] = b[i] = dist(gen);
            if (block < 200) {
                fast.upsample(a, b, n);
                refA.upsample(ra, n);
                refB.upsample(rb, n);
                for (int i = 0; i < 2 * n; ++i) ASSERT_TRUE(a[i] == ra[i] && b[i] == rb[i]) << block << " " << i;
                fast.downsample(a, b, 2 * n);
                refA.downsample(ra, 2 * n);
                refB.downsample(rb, 2 * n);
            } else {
                fast.delayIn(a, b, n);
                refA.delayIn(ra, n);
                refB.delayIn(rb, n);
                for (int i = 0; i < n; ++i) ASSERT_TRUE(a[i] == ra[i] && b[i] == rb[i]) << block << " " << i;
                fast.delayOut(a, b, n);
                refA.delayOut(ra, n);
                refB.delayOut(rb, n);
            }
            for (int i = 0; i < n; ++i) ASSERT_TRUE(a[i] == ra[i] && b[i] == rb[i]) << block << " " << i;
            if (block == 199) {
                fast.clear();
                refA.clear();
                refB.clear();
            }
        }
    }
}

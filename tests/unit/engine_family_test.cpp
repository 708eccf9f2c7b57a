// The processing kernels against an independent per-sample model of the signal flow:
// dry share per kernel, detector feeds (larger channel when linked), the Auto release rules
// and smoother pairs of each detector, the linked single-band release scale, the final
// limiter stage with its detector margin, and the band split through the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <random>
#include <vector>

#include "dsp/CBiquad.h"
#include "dsp/CEngine.h"
#include "tests/unit/EngineTestSupport.h"
#include "dsp/FixedFilters.h"
#include "dsp/Transfer.h"

using dsp::CEngine;
using dsp::ChannelRouting;

namespace {

using engine_test::kPi;
using engine_test::noise;
constexpr double kRate = 44100;
constexpr int kWrapperDelay = 64;   // FAT-off input delay: the kernel sees 64 leading zeros

struct Rig : engine_test::EngineUnderTest {
    Rig() : EngineUnderTest(dsp::EngineConfig{true, 0}) {}
    void kernel(CEngine::Kernel k) {
        engine_test::useKernel(p(), k);
    }
    void resume() {
        engine_test::resumeEngine(*engine, kRate);
    }
    void run(const std::vector<double>& a, const std::vector<double>& b, std::vector<double>& oa,
             std::vector<double>& ob, int chunk = 441) {
        EngineUnderTest::run(a, b, oa, ob, chunk);
    }
};

std::vector<double> sine(int n, double amplitude, double hz, double phase = 0) {
    return engine_test::sineAt(n, amplitude, hz, kRate, phase);
}

// Material that makes every detector attack and release: noise and a low tone whose
// level jumps every 600 samples, on a DC offset (so that the 15 Hz high-pass matters).
std::vector<double> program(int n, unsigned seed, double dc) {
    static const double levels[] = {0.05, 1.6, 0.2, 3.0, 0.02, 0.9, 2.2, 0.1, 0.5, 4.0, 0.03, 1.2, 0.3, 2.6};
    auto v = noise(n, 1.0, seed);
    auto tone = sine(n, 1.0, 90.0 + seed);
    for (int i = 0; i < n; ++i) {
        const double level = levels[(i / 600 + seed) % 14];
        v[i] = dc + level * (0.6 * v[i] + 0.5 * tone[i]);
    }
    return v;
}

// One detector of the model: look-ahead window maximum, the fast and slow control smoothers
// and the follower with its Auto rule.
struct Detector {
    int window;   // samples the maximum covers
    std::deque<double> recent;
    dsp::CBiquad fast, slow;
    double ratio, slope, factor;
    double env = 0.0001;

    Detector(int windowSamples, double fastHz, double slowHz, double r, double s, double f)
        : window(windowSamples),
          fast(kRate, 8, fastHz, 0.5, 0.0),
          slow(kRate, 8, slowHz, 0.5, 0.0),
          ratio(r), slope(s), factor(f) {}

    // Feeds the detector value of this sample; returns the updated envelope.
    double step(double v, double off, double attack, double release, bool autoOn, double autoScale) {
        recent.push_back(v);
        if (static_cast<int>(recent.size()) > window) recent.pop_front();
        const double B = *std::max_element(recent.begin(), recent.end()) + 0.0009766 + off;
        const double c1 = fast.step(B);
        const double c2 = slow.step(B);
        if (B > env) {
            env = env + (B - env) * attack;
        } else if (!autoOn) {
            env = env + (B - env) * release;
        } else {
            const double R = ratio * c1 / (c2 + 0.000001);
            env = env + (B - env) * release * (slope * R / (1.0 + R) + 0.1) * factor * autoScale;
        }
        if (env < 0.000001) env = 0.000001;
        return env;
    }
};

struct ModelOut {
    std::vector<double> out[2];   // expected host output, aligned with the input (add the latency)
};

// The expected output of a processing kernel for inputs a (channel A, or the processed channel
// of a mono kernel) and b, with FAT off and the engine's current settings.
ModelOut model(const CEngine& e, CEngine::Kernel k, const std::vector<double>& a, const std::vector<double>& b) {
    const dsp::EngineParams& p = e.params;
    const dsp::TimeConstants& tc = e.timeConstants();
    const dsp::CurveConstants& cc = e.curveConstants();
    const bool mono = k == CEngine::kMonoSingle || k == CEngine::kMonoMulti;
    const bool linked = k == CEngine::kLinkedSingle || k == CEngine::kLinkedMulti;
    const bool multi = k == CEngine::kMonoMulti || k == CEngine::kLinkedMulti || k == CEngine::kUnlinkedMulti;
    const int channels = mono ? 1 : 2;
    const int detectors = linked ? 1 : channels;
    const bool autoOn = p.autoRelease != 0;
    const double autoScale = k == CEngine::kLinkedSingle ? tc.autoReleaseScale : 1.0;
    const int n1 = tc.attackWindow, n2 = tc.limiterWindow;
    const int total = kWrapperDelay + static_cast<int>(a.size());

    std::vector<double> in[2];
    for (int c = 0; c < 2; ++c) {
        in[c].assign(total, 0.0);
        const std::vector<double>& src = c == 0 ? a : b;
        std::copy(src.begin(), src.end(), in[c].begin() + kWrapperDelay);
    }

    const dsp::SubsonicCoeffs subC = dsp::designSubsonic(kRate);
    const dsp::CrossoverCoeffs lowC = dsp::designLowCrossover(kRate, p.lowFreqHz);
    const dsp::CrossoverCoeffs highC = dsp::designHighCrossover(kRate, p.highFreqHz);
    dsp::SubsonicState subS[2];
    dsp::CrossoverState lowS[2], highS[2];
    for (int c = 0; c < 2; ++c) {
        dsp::clearSubsonic(subS[c]);
        dsp::clearCrossover(lowS[c]);
        dsp::clearCrossover(highS[c]);
    }

    // Detectors: wide band (0.18 / 3 / 1.4, 200 / 20 Hz) or three bands (0.15 / 2 / 1.5;
    // channel A or linked 50 / 5, 200 / 20, 1000 / 100 Hz; channel B 200 / 20 Hz each) and the
    // final stage (0.2 / 4 / 1.3, 200 / 20 Hz).
    static const double bandFast[3] = {50, 200, 1000}, bandSlow[3] = {5, 20, 100};
    std::vector<Detector> wide, band[3], finalStage;
    for (int d = 0; d < detectors; ++d) {
        wide.emplace_back(n1 + 2, 200, 20, 0.18, 3, 1.4);
        for (int j = 0; j < 3; ++j)
            band[j].emplace_back(n1 + 2, d == 0 ? bandFast[j] : 200, d == 0 ? bandSlow[j] : 20, 0.15, 2, 1.5);
        finalStage.emplace_back(n2 + 2, 200, 20, 0.2, 4, 1.3);
    }

    // Per kernel sample: x (after the high-pass), the delayed signals and the result.
    std::vector<double> x[2], tone[2], bands[2][3], sum[2], wet[2];
    for (int c = 0; c < 2; ++c) {
        x[c].assign(total, 0.0);
        tone[c].assign(total, 0.0);
        sum[c].assign(total, 0.0);
        wet[c].assign(total, 0.0);
        for (auto& v : bands[c]) v.assign(total, 0.0);
    }
    double off = 1e-16;
    for (int i = 0; i < total; ++i) {
        off = -off;
        double det[2] = {0, 0}, bandDet[2][3] = {};
        for (int c = 0; c < channels; ++c) {
            const double xi = dsp::stepSubsonic(subC, subS[c], in[c][i], off);
            const double lp = dsp::stepCrossover(highC, highS[c], xi, off);
            const double hp = dsp::stepCrossover(lowC, lowS[c], xi, off);
            x[c][i] = xi;
            tone[c][i] = xi + (p.lowAdjustGain - 1) * (xi - hp) + (p.highAdjustGain - 1) * (xi - lp);
            bands[c][0][i] = (xi - hp) * p.lowAdjustGain;
            bands[c][1][i] = hp - (xi - lp);
            bands[c][2][i] = (xi - lp) * p.highAdjustGain;
            det[c] = std::fabs(tone[c][i]) * 1.0115795;
            for (int j = 0; j < 3; ++j) bandDet[c][j] = std::fabs(bands[c][j][i]);
        }
        const int src = i - n1 - 1;   // the sample leaving the look-ahead now
        if (!multi) {
            double t[2];
            for (int d = 0; d < detectors; ++d) {
                const double v = linked ? std::max(det[0], det[1]) : det[d];
                const double env =
                    wide[d].step(v, off, tc.attackCoeff, tc.releaseCoeff, autoOn, autoScale);
                t[d] = dsp::wideBandGain(env, p.driveGain, cc.curveInputScale, cc.kneeType, cc.kneeAmount, cc.A);
            }
            if (src < 0) continue;
            for (int c = 0; c < channels; ++c) {
                double y = tone[c][src] * t[linked ? 0 : c];
                if (p.brickwallOn) y = std::clamp(y, -1.0, 1.0);
                wet[c][src] = y;
            }
            continue;
        }
        for (int j = 0; j < 3; ++j) {
            double t[2];
            for (int d = 0; d < detectors; ++d) {
                const double v = linked ? std::max(bandDet[0][j], bandDet[1][j]) : bandDet[d][j];
                const double env =
                    band[j][d].step(v, off, tc.attackCoeff, tc.bandReleaseCoeff[j], autoOn, 1.0);
                t[d] = dsp::bandGain(env, p.driveGain, p.bandSatGain[j], p.bandSatInverse[j], cc.curveInputScale,
                                     cc.kneeType, cc.kneeAmount, cc.A);
            }
            for (int c = 0; c < channels; ++c)
                if (src >= 0) sum[c][src] += bands[c][j][src] * t[linked ? 0 : c];
        }
        // Final stage: window maximum of the sum with the detector margin, limiting gain. It runs
        // from the first sample on (on silence until the first band output arrives).
        double g[2] = {1, 1};
        double sd[2] = {0, 0};
        if (src >= 0) {
            sd[0] = std::fabs(sum[0][src]) * 1.0115795;
            sd[1] = std::fabs(sum[1][src]) * 1.0115795;
        }
        if (p.brickwallOn) {
            for (int d = 0; d < detectors; ++d) {
                const double v = linked ? std::max(sd[0], sd[1]) : sd[d];
                const double env = finalStage[d].step(v, off, tc.limiterAttackCoeff, tc.limiterReleaseCoeff,
                                                      autoOn, 1.0);
                g[d] = env < 1.0 ? 1.0 : 1.0 / env;
            }
        }
        const int src2 = src - n2 - 1;
        if (src2 < 0) continue;
        for (int c = 0; c < channels; ++c) {
            double y = sum[c][src2] * g[linked ? 0 : c];
            if (p.brickwallOn) y = std::clamp(y, -1.0, 1.0);
            wet[c][src2] = y;
        }
    }

    ModelOut r;
    for (int c = 0; c < 2; ++c) {
        const int mc = mono ? 0 : c;
        r.out[c].assign(a.size(), 0.0);
        for (size_t i = 0; i < a.size(); ++i) {
            const int ki = static_cast<int>(i) + kWrapperDelay;
            // The dry share: the high-passed input in the mono single-band kernel, else the input.
            const double dry = k == CEngine::kMonoSingle ? x[0][ki] : in[mc][ki];
            const double w = wet[mc][ki] * p.ceilingGain;
            r.out[c][i] = p.outputGain * (p.mixAmount == 1.0 ? w : dry + p.mixAmount * (w - dry));
        }
    }
    return r;
}

struct Settings {
    int autoOn, brickwall;
    double mix;
};

void configure(Rig& rig, CEngine::Kernel k, const Settings& s, bool reference) {
    rig.useReference(reference);
    rig.kernel(k);
    dsp::EngineParams& p = rig.p();
    p.autoRelease = s.autoOn;
    p.brickwallOn = s.brickwall;
    p.mixAmount = s.mix;
    p.driveGain = 2.0;
    p.ceilingGain = 0.9;
    p.outputGain = 1.3;
    p.lowAdjustGain = 1.6;
    p.highAdjustGain = 0.7;
    p.bandSatGain[0] = 2.0;
    p.bandSatInverse[0] = 0.5;
    p.bandSatGain[2] = 0.5;
    p.bandSatInverse[2] = 2.0;
    p.bandReleaseScale[0] = 0.5;
    p.bandReleaseScale[2] = 2.0;
    p.speed = 0.37;
    p.releaseValue = 0.75;   // autoReleaseScale = 0.5 * 8^0.25, about 0.84
    p.releaseScale = 0.25 * std::pow(16.0, 0.75);
    p.highFreqHz = 3000;
    p.lowFreqHz = 120;
    rig.resume();
}

// Largest difference between engine output and model after the latency.
double deviation(const std::vector<double>& engineOut, const std::vector<double>& expected, int latency) {
    double worst = 0;
    for (size_t i = 0; i + latency < engineOut.size(); ++i)
        worst = std::max(worst, std::fabs(engineOut[i + latency] - expected[i]));
    return worst;
}

const CEngine::Kernel kProcessing[] = {CEngine::kMonoSingle,   CEngine::kMonoMulti,       CEngine::kLinkedSingle,
                                       CEngine::kLinkedMulti,  CEngine::kUnlinkedSingle, CEngine::kUnlinkedMulti};

const char* kernelName(CEngine::Kernel k) {
    static const char* names[] = {"bypass", "monoSingle", "monoMulti", "linkedSingle",
                                  "linkedMulti", "unlinkedSingle", "unlinkedMulti"};
    return names[k];
}

}  // namespace

// Every processing kernel, plain and channel-pair code, follows the model: Auto on and off,
// Brickwall on and off, full wet and a mix with the dry share. Channel B is a different
// signal, so the linked detectors must take the larger channel and the unlinked ones their own.
TEST(EngineFamily, KernelsFollowTheSignalFlowModel) {
    const int n = 9000;
    const auto a = program(n, 1, 0.3);
    const auto b = program(n, 6, -0.2);
    const Settings settings[] = {{0, 1, 1.0}, {1, 1, 1.0}, {1, 0, 1.0}, {1, 1, 0.6}, {0, 0, 0.35}};
    for (CEngine::Kernel k : kProcessing) {
        for (const Settings& s : settings) {
            const bool stereo = !(k == CEngine::kMonoSingle || k == CEngine::kMonoMulti);
            for (int reference = 0; reference <= (stereo ? 1 : 0); ++reference) {
                Rig rig;
                configure(rig, k, s, reference != 0);
                ASSERT_EQ(rig.engine->chooseKernel(), k);
                std::vector<double> oa, ob;
                rig.run(a, b, oa, ob);
                const ModelOut m = model(*rig.engine, k, a, b);
                const int latency = rig.engine->latencySamples();
                EXPECT_LT(deviation(oa, m.out[0], latency), 1e-9)
                    << kernelName(k) << " A auto " << s.autoOn << " brickwall " << s.brickwall << " mix " << s.mix
                    << " reference " << reference;
                EXPECT_LT(deviation(ob, m.out[1], latency), 1e-9)
                    << kernelName(k) << " B auto " << s.autoOn << " brickwall " << s.brickwall << " mix " << s.mix
                    << " reference " << reference;
            }
        }
    }
}

// Mix 0 leaves the dry share alone: the 15 Hz high-passed input in the mono single-band kernel,
// the input itself in every other kernel (a DC offset shows the difference).
TEST(EngineFamily, DryShareIsHighPassedInTheMonoSingleBandKernelOnly) {
    const int n = 6000;
    const auto a = program(n, 2, 0.4);
    const auto b = program(n, 3, -0.3);
    for (CEngine::Kernel k : kProcessing) {
        for (int reference = 0; reference <= 1; ++reference) {
            Rig rig;
            rig.useReference(reference != 0);
            rig.kernel(k);
            rig.p().mixAmount = 0.0;
            rig.p().driveGain = 3.0;
            rig.resume();
            std::vector<double> oa, ob;
            rig.run(a, b, oa, ob);
            const int latency = rig.engine->latencySamples();
            const bool mono = k == CEngine::kMonoSingle || k == CEngine::kMonoMulti;
            if (k == CEngine::kMonoSingle) {
                const dsp::SubsonicCoeffs c = dsp::designSubsonic(kRate);
                dsp::SubsonicState st;
                dsp::clearSubsonic(st);
                double off = 1e-16;
                for (int i = 0; i < kWrapperDelay; ++i) dsp::stepSubsonic(c, st, 0.0, off = -off);
                double worst = 0;
                for (int i = 0; i + latency < n; ++i) {
                    off = -off;
                    worst = std::max(worst, std::fabs(oa[i + latency] - dsp::stepSubsonic(c, st, a[i], off)));
                }
                EXPECT_LT(worst, 1e-12) << kernelName(k);
                // The offset is gone by the end.
                EXPECT_LT(std::fabs(oa[n - 1] - (a[n - 1 - latency] - 0.4)), 0.35) << kernelName(k);
            } else {
                for (int i = 0; i + latency < n; ++i) {
                    ASSERT_NEAR(oa[i + latency], a[i], 1e-15) << kernelName(k) << " " << i;
                    ASSERT_NEAR(ob[i + latency], mono ? a[i] : b[i], 1e-15) << kernelName(k) << " " << i;
                }
            }
        }
    }
}

// Linked kernels: one hot channel and one quiet one. The gain follows the hot channel (the
// quiet one alone would not be limited at all) and applies to both channels.
TEST(EngineFamily, LinkedDetectorFollowsTheLargerChannel) {
    const int n = 8000;
    auto hot = noise(n, 3.0, 11);
    const auto tone = sine(n, 3.0, 500);
    for (int i = 0; i < n; ++i) hot[i] += tone[i];
    const auto quiet = sine(n, 0.05, 300);
    for (CEngine::Kernel k : {CEngine::kLinkedSingle, CEngine::kLinkedMulti}) {
        for (int reference = 0; reference <= 1; ++reference) {
            for (int hotOnB = 0; hotOnB <= 1; ++hotOnB) {
                Rig linked, alone;
                for (Rig* r : {&linked, &alone}) {
                    r->useReference(reference != 0);
                    r->kernel(r == &linked ? k : (k == CEngine::kLinkedSingle ? CEngine::kUnlinkedSingle
                                                                             : CEngine::kUnlinkedMulti));
                    r->resume();
                }
                const auto& a = hotOnB ? quiet : hot;
                const auto& b = hotOnB ? hot : quiet;
                std::vector<double> la, lb, ua, ub;
                linked.run(a, b, la, lb);
                alone.run(a, b, ua, ub);
                const std::vector<double>& lHot = hotOnB ? lb : la;
                const std::vector<double>& uHot = hotOnB ? ub : ua;
                const std::vector<double>& lQuiet = hotOnB ? la : lb;
                const std::vector<double>& uQuiet = hotOnB ? ua : ub;
                const int from = linked.engine->latencySamples() + 500;
                double hotDiff = 0, quietLinked = 0, quietAlone = 0;
                for (int i = from; i < n; ++i) {
                    hotDiff = std::max(hotDiff, std::fabs(lHot[i] - uHot[i]));
                    quietLinked += lQuiet[i] * lQuiet[i];
                    quietAlone += uQuiet[i] * uQuiet[i];
                }
                // The hot channel is limited as if alone; the quiet one shares its gain.
                EXPECT_LT(hotDiff, 1e-12) << kernelName(k) << " reference " << reference << " hotOnB " << hotOnB;
                EXPECT_LT(std::sqrt(quietLinked / quietAlone), 0.5)
                    << kernelName(k) << " reference " << reference << " hotOnB " << hotOnB;
            }
        }
    }
}

// Multi-band, Brickwall on: a steady sine of peak 2 that no band limits (Sat levels at 4) is
// held by the final stage 0.1 dB under full scale, by its detector margin.
TEST(EngineFamily, FinalStageHoldsPeaksATenthOfADecibelUnderFullScale) {
    const int n = 22050;
    const auto s = sine(n, 2.0, 997);
    for (CEngine::Kernel k : {CEngine::kMonoMulti, CEngine::kLinkedMulti, CEngine::kUnlinkedMulti}) {
        for (int reference = 0; reference <= 1; ++reference) {
            Rig rig;
            rig.useReference(reference != 0);
            rig.kernel(k);
            for (int j = 0; j < 3; ++j) {
                rig.p().bandSatGain[j] = 4.0;
                rig.p().bandSatInverse[j] = 0.25;
            }
            rig.resume();
            std::vector<double> oa, ob;
            rig.run(s, s, oa, ob);
            double peak = 0;
            for (int i = n / 2; i < n; ++i) peak = std::max({peak, std::fabs(oa[i]), std::fabs(ob[i])});
            // 2 / (2 * 1.0115795 + 0.0009766): the margin and the detector floor.
            EXPECT_NEAR(peak, 2.0 / (2.0 * 1.0115795 + 0.0009766), 2e-4) << kernelName(k) << " " << reference;
        }
    }
}

// With nothing limiting, the three bands add up to the tone-adjusted signal: multi-band output
// equals single-band output for the same LowAdjust and HighAdjust gains.
TEST(EngineFamily, BandSumEqualsSingleBandToneAdjustment) {
    const int n = 8000;
    const auto a = program(n, 4, 0.0);
    const auto b = program(n, 9, 0.1);
    const struct { CEngine::Kernel single, multi; } pairs[] = {
        {CEngine::kMonoSingle, CEngine::kMonoMulti},
        {CEngine::kLinkedSingle, CEngine::kLinkedMulti},
        {CEngine::kUnlinkedSingle, CEngine::kUnlinkedMulti}};
    for (const auto& pr : pairs) {
        for (int reference = 0; reference <= 1; ++reference) {
            std::vector<double> out[3][2];
            for (int v = 0; v < 3; ++v) {
                Rig rig;
                rig.useReference(reference != 0);
                rig.kernel(v == 0 ? pr.single : pr.multi);
                rig.p().driveGain = 0.05;   // the boosted peaks (about 10) times 0.05 stay under 1: nothing limits
                rig.p().lowAdjustGain = v == 2 ? 1.0 : 2.5;
                rig.p().highAdjustGain = v == 2 ? 1.0 : 0.4;
                rig.p().lowFreqHz = 150;
                rig.p().highFreqHz = 2500;
                rig.resume();
                rig.run(a, b, out[v][0], out[v][1]);
            }
            for (int c = 0; c < 2; ++c) {
                double diff = 0, adjustEffect = 0;
                for (int i = 0; i < n; ++i) {
                    diff = std::max(diff, std::fabs(out[0][c][i] - out[1][c][i]));
                    adjustEffect = std::max(adjustEffect, std::fabs(out[1][c][i] - out[2][c][i]));
                }
                EXPECT_LT(diff, 1e-12) << kernelName(pr.multi) << " channel " << c << " reference " << reference;
                EXPECT_GT(adjustEffect, 0.05) << kernelName(pr.multi) << " channel " << c;
            }
        }
    }
}

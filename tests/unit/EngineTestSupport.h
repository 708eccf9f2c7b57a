// What the engine tests (and the engine speed benchmark) share: an engine run by its own kernels or by the
// reference ones, preparing it the way the effect does at resume, running audio
// through it in host calls, and test signals.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "dsp/CEngine.h"
#include "tests/oracle/EngineOracle.h"

namespace engine_test {

constexpr double kPi = 3.14159265358979323846;

// The effect's resume: rate, ring positions, full reset, every recomputation.
inline void resumeEngine(dsp::CEngine& e, double rate) {
    e.setSampleRate(rate);
    e.resetPositions();
    e.fullReset();
    e.recomputeFilters();
    e.recomputeTimeConstants();
    e.recomputeCurveConstants();
    e.retuneVuFilters();
    e.resetMeters();
}

// The switches that select kernel k; Mode is stored as the band count.
inline void useKernel(dsp::EngineParams& p, dsp::CEngine::Kernel k) {
    using E = dsp::CEngine;
    p.processOn = k != E::kBypass;
    p.stereo = !(k == E::kMonoSingle || k == E::kMonoMulti);
    p.linked = k == E::kLinkedSingle || k == E::kLinkedMulti;
    p.multiBand = k == E::kMonoMulti || k == E::kLinkedMulti || k == E::kUnlinkedMulti;
    p.modeValue = p.multiBand;
}

// An engine, run by its own kernels or (useReference) by the reference kernels and resamplers.
struct EngineUnderTest {
    std::unique_ptr<dsp::CEngine> engine;
    std::unique_ptr<dsp::EngineOracle> oracle;   // declared after the engine: destroyed before it

    explicit EngineUnderTest(const dsp::EngineConfig& config) : engine(new dsp::CEngine(config)) {}

    dsp::EngineParams& p() { return engine->params; }
    // Before the reset that starts a run.
    void useReference(bool on) { oracle.reset(on ? new dsp::EngineOracle(*engine) : nullptr); }

    template <class T> void process(const T* inA, const T* inB, T* outA, T* outB, int frames) {
        if (oracle)
            oracle->process(inA, inB, outA, outB, frames);
        else
            engine->process(inA, inB, outA, outB, frames);
    }

    // Both channels through the double entry in host calls of `chunk` frames.
    void run(const std::vector<double>& a, const std::vector<double>& b, std::vector<double>& oa,
             std::vector<double>& ob, int chunk) {
        const int n = static_cast<int>(a.size());
        oa.assign(n, 0.0);
        ob.assign(n, 0.0);
        for (int s = 0; s < n; s += chunk) {
            const int k = std::min(chunk, n - s);
            process(a.data() + s, b.data() + s, oa.data() + s, ob.data() + s, k);
        }
    }
};

inline std::vector<double> noise(int n, double amplitude, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-amplitude, amplitude);
    std::vector<double> v(n);
    for (double& x : v) x = dist(gen);
    return v;
}

inline std::vector<double> sineAt(int n, double amplitude, double hz, double rate, double phase = 0) {
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) v[i] = amplitude * std::sin(2 * kPi * hz * i / rate + phase);
    return v;
}

}  // namespace engine_test

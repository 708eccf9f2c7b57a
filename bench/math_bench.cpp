// Cost of the product's own transcendental functions next to the C library's,
// and of what calls them: the time constants, redone on every change of a
// timing parameter, and a filter design. Nanoseconds per call.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "dsp/CBiquad.h"
#include "dsp/Math.h"
#include "dsp/Transfer.h"

namespace {

std::vector<double> inputs(double lo, double hi) {
    std::vector<double> v(256);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = lo + (hi - lo) * static_cast<double>(i) / v.size();
    return v;
}

template <double (*F)(double, double)>
void powBench(benchmark::State& state) {
    const std::vector<double> y = inputs(-1.0, 8.0);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(F(0.05, y[i]));
        i = (i + 1) & 255;
    }
}

template <double (*F)(double)>
void unaryBench(benchmark::State& state) {
    const std::vector<double> x = inputs(0.0, 3.14);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(F(x[i]));
        i = (i + 1) & 255;
    }
}

double libraryPow(double x, double y) { return std::pow(x, y); }
double librarySin(double x) { return std::sin(x); }

void TimeConstants(benchmark::State& state) {
    const double bands[3] = {1.0, 0.8, 0.6};
    const std::vector<double> speed = inputs(0.0, 1.0);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dsp::computeTimeConstants(96000.0, speed[i], 0.5, 0.7, bands, static_cast<int>(i & 1)));
        i = (i + 1) & 255;
    }
}

void PeakingFilterDesign(benchmark::State& state) {
    const std::vector<double> hz = inputs(20.0, 20000.0);
    std::size_t i = 0;
    for (auto _ : state) {
        dsp::CBiquad f(48000.0, dsp::CBiquad::kPeaking, hz[i], 0.7, 3.0);
        benchmark::DoNotOptimize(&f);
        i = (i + 1) & 255;
    }
}

}  // namespace

BENCHMARK(powBench<libraryPow>)->Name("Pow/library");
BENCHMARK(powBench<dsp::math::pow>)->Name("Pow/own");
BENCHMARK(unaryBench<librarySin>)->Name("Sin/library");
BENCHMARK(unaryBench<dsp::math::sin>)->Name("Sin/own");
BENCHMARK(TimeConstants);
BENCHMARK(PeakingFilterDesign);

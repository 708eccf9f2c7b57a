// Speed of the processing engine: every kernel, FAT off and on, Auto release off
// and on, at 48 kHz, in host calls of 512 frames, meters closed.
// Reports nanoseconds per stereo frame (ns_per_frame; the tool prints the unit as
// "s" because the counter is inverted), the real-time factor (rtf: seconds of
// audio per second of processing, on one core) and, for the paths that have a
// speed goal, the time per frame over the goal's (vs_goal: below 1 is better
// than the goal; printed with an "m" for thousandths like the other counters).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dsp/CEngine.h"
#include "tests/unit/EngineTestSupport.h"

namespace {

constexpr double kRate = 48000;
constexpr int kHostBlock = 512;
constexpr int kSignalFrames = kHostBlock * 64;

enum Signal { kNoise, kProgram };

// kNoise: hot white noise. kProgram: a low-frequency-heavy mix (bass line, mid tone, noise)
// at a hot level, the harder case for the look-ahead peak hold.
std::vector<double> makeSignal(Signal kind, unsigned seed, double phase) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> v(kSignalFrames);
    for (int i = 0; i < kSignalFrames; ++i) {
        const double t = i / kRate;
        if (kind == kNoise)
            v[i] = 2.0 * dist(gen);
        else
            v[i] = 1.2 * std::sin(2 * M_PI * 55 * t + phase) + 0.5 * std::sin(2 * M_PI * 440 * t) + 0.3 * dist(gen);
    }
    return v;
}

// Goals in ns per frame of the paths with Auto off (FAT off, FAT on); 0: none.
struct Goal {
    double fatOff, fatOn;
};

void setCounters(benchmark::State& state, double frames, double goalNs) {
    state.counters["ns_per_frame"] = benchmark::Counter(frames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["rtf"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
    if (goalNs > 0)
        state.counters["vs_goal"] =
            benchmark::Counter(frames * goalNs * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void setUpEngine(dsp::CEngine& engine, dsp::CEngine::Kernel kernel, int fat, int autoRelease) {
    engine_test::useKernel(engine.params, kernel);
    engine.params.fatActive = fat;
    engine.params.autoRelease = autoRelease;
    engine.params.driveGain = 2.0;
    engine_test::resumeEngine(engine, kRate);
}

void runEngine(benchmark::State& state, dsp::CEngine::Kernel kernel, Signal signal, Goal goal) {
    const int fat = static_cast<int>(state.range(0));
    const int autoRelease = static_cast<int>(state.range(1));
    dsp::CEngine engine(dsp::EngineConfig{true, 0});
    setUpEngine(engine, kernel, fat, autoRelease);

    const std::vector<double> inA = makeSignal(signal, 1, 0.0), inB = makeSignal(signal, 2, 0.7);
    std::vector<double> outA(kSignalFrames), outB(kSignalFrames);
    int pos = 0;
    for (auto _ : state) {
        engine.process(inA.data() + pos, inB.data() + pos, outA.data() + pos, outB.data() + pos, kHostBlock);
        benchmark::DoNotOptimize(outA.data());
        benchmark::ClobberMemory();
        pos = (pos + kHostBlock) % kSignalFrames;
    }
    const double frames = static_cast<double>(state.iterations()) * kHostBlock;
    setCounters(state, frames, autoRelease ? 0.0 : (fat ? goal.fatOn : goal.fatOff));
}

#define ENGINE_BENCH(name, kernel, signal, goal)                                            \
    void name(benchmark::State& state) { runEngine(state, dsp::CEngine::kernel, signal, goal); } \
    BENCHMARK(name)->ArgNames({"fat", "auto"})->ArgsProduct({{0, 1}, {0, 1}})

ENGINE_BENCH(Bypass, kBypass, kNoise, (Goal{0, 0}));
ENGINE_BENCH(MonoSingleBand, kMonoSingle, kNoise, (Goal{7, 0}));
ENGINE_BENCH(MonoMultiBand, kMonoMulti, kNoise, (Goal{0, 0}));
ENGINE_BENCH(LinkedSingleBand, kLinkedSingle, kNoise, (Goal{10, 35}));
ENGINE_BENCH(LinkedMultiBand, kLinkedMulti, kNoise, (Goal{25, 60}));
ENGINE_BENCH(UnlinkedSingleBand, kUnlinkedSingle, kNoise, (Goal{14, 0}));
ENGINE_BENCH(UnlinkedMultiBand, kUnlinkedMulti, kNoise, (Goal{0, 85}));
ENGINE_BENCH(LinkedSingleBandProgram, kLinkedSingle, kProgram, (Goal{10, 35}));
ENGINE_BENCH(LinkedMultiBandProgram, kLinkedMulti, kProgram, (Goal{25, 60}));

// A session of many tracks: 64 linked single-band instances, each with its own place in the
// material, processing one host call each in turn in one thread. ns_per_frame is per instance
// and frame, to compare with LinkedSingleBand (the state of 64 instances does not fit the caches).
void Session64Instances(benchmark::State& state) {
    constexpr int kInstances = 64;
    const int fat = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<dsp::CEngine>> engines;
    for (int k = 0; k < kInstances; ++k) {
        engines.push_back(std::make_unique<dsp::CEngine>(dsp::EngineConfig{true, 0}));
        setUpEngine(*engines.back(), dsp::CEngine::kLinkedSingle, fat, 0);
    }
    const std::vector<double> inA = makeSignal(kNoise, 1, 0.0), inB = makeSignal(kNoise, 2, 0.7);
    std::vector<double> outA(kHostBlock * kInstances), outB(kHostBlock * kInstances);
    int pos = 0;
    for (auto _ : state) {
        for (int k = 0; k < kInstances; ++k) {
            const int at = (pos + k * kHostBlock) % kSignalFrames;
            engines[k]->process(inA.data() + at, inB.data() + at, outA.data() + k * kHostBlock,
                                outB.data() + k * kHostBlock, kHostBlock);
        }
        benchmark::DoNotOptimize(outA.data());
        benchmark::ClobberMemory();
        pos = (pos + kHostBlock) % kSignalFrames;
    }
    const double frames = static_cast<double>(state.iterations()) * kHostBlock * kInstances;
    setCounters(state, frames, fat ? 35 : 10);
}
BENCHMARK(Session64Instances)->ArgName("fat")->Arg(0)->Arg(1);

// The FAT resampler alone (both channels, up- then downsampling of 64-frame blocks, as the block
// wrapper runs it), with the sums of each instruction set the processor has (isa: 0 the pair
// code, 1 AVX2, 2 AVX-512): the share of the FAT figures that the two 255-tap half-band filters
// take, in ns per stereo host frame.
void fatResamplerSums(benchmark::State& state) {
    const auto isa = static_cast<dsp::simd::VectorIsa>(state.range(0));
    dsp::COversampler design(0x808);
    double up[dsp::simd::FatResampler::kHalf + 1], down[dsp::simd::FatResampler::kHalf + 1];
    for (int i = 0; i <= dsp::simd::FatResampler::kHalf; ++i) up[i] = design.upCoeff(i), down[i] = design.downCoeff(i);
    auto resampler = std::make_unique<dsp::simd::FatResampler>();
    resampler->setCoefficients(up, down);
    resampler->capVectorIsa(isa);
    if (resampler->vectorIsa() != isa) state.SkipWithError("the processor lacks this instruction set");
    resampler->clear();
    constexpr int kBlock = dsp::simd::FatResampler::kMaxBlock;
    const std::vector<double> inA = makeSignal(kNoise, 1, 0.0), inB = makeSignal(kNoise, 2, 0.7);
    double a[2 * kBlock], b[2 * kBlock];
    int pos = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBlock; ++i) a[i] = inA[pos + i], b[i] = inB[pos + i];
        resampler->upsample(a, b, kBlock);
        resampler->downsample(a, b, 2 * kBlock);
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        pos = (pos + kBlock) % kSignalFrames;
    }
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    setCounters(state, frames, 0.0);
}

}  // namespace

// --emberline_isa=sse2|avx2|avx512 caps the instruction set of the kernels and the FAT sums in
// every engine, so that the figures of the narrower paths can be taken on a processor that has
// the wider ones.
int main(int argc, char** argv) {
    using dsp::simd::VectorIsa;
    const std::string flag = "--emberline_isa=";
    std::string isaName = "widest";
    VectorIsa widest = dsp::simd::widestVectorIsa();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(flag, 0) != 0) continue;
        isaName = arg.substr(flag.size());
        VectorIsa cap = VectorIsa::kAvx512;
        if (isaName == "sse2") cap = VectorIsa::kSse2;
        else if (isaName == "avx2") cap = VectorIsa::kAvx2;
        else if (isaName != "avx512") {
            std::fprintf(stderr, "unknown instruction set %s (sse2, avx2 or avx512)\n", isaName.c_str());
            return 2;
        }
        dsp::simd::capVectorIsaForProcess(cap);
        widest = std::min(widest, cap);
        for (int k = i; k + 1 < argc; ++k) argv[k] = argv[k + 1];
        --argc;
        break;
    }
    auto* rows = benchmark::RegisterBenchmark("FatResampler", fatResamplerSums)->ArgName("isa");
    for (int isa = 0; isa <= static_cast<int>(widest); ++isa) rows->Arg(isa);
    benchmark::AddCustomContext("isa_cap", isaName);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// emberline bench [options]: times a plug-in through the VST 2.4 interface on
// generated stereo programme material held in memory.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/emberline/Command.h"
#include "tools/emberline/Options.h"
#include "tools/emberline/ParameterText.h"
#include "tools/emberline/PluginSetup.h"
#include "tools/emberline/Signal.h"

namespace cli {
namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: emberline bench [options]\n"
                 "Renders generated stereo material in memory and prints the time per frame.\n\n"
                 "%s"
                 "  --seconds S            length of the material (default 10)\n"
                 "  --rate HZ              sample rate (default 44100)\n"
                 "  --runs N               timed runs after one warm-up run; the fastest counts (default 3)\n",
                 pluginOptionsHelp());
}

bool parsePositive(const std::string& s, double& out) {
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != 0 || !(v > 0) || !std::isfinite(v)) return false;
    out = v;
    return true;
}

int runBench(const Args& args) {
    PluginOptions options;
    double seconds = 10.0, rate = 44100.0, runs = 3;
    CommandLine line{"bench", usage, {{"--seconds", true}, {"--rate", true}, {"--runs", true}}, &options};
    auto onOption = [&](const std::string& name, const std::string& value) -> std::string {
        if (name == "--seconds" && (!parsePositive(value, seconds) || seconds > 3600))
            return "--seconds takes a duration in seconds up to 3600, not '" + value + "'";
        if (name == "--rate" && (!parsePositive(value, rate) || rate < 8000 || rate > 384000))
            return "--rate takes a sample rate 8000..384000 Hz, not '" + value + "'";
        if (name == "--runs" && (!parsePositive(value, runs) || runs > 100 || runs != std::floor(runs)))
            return "--runs takes a count 1..100, not '" + value + "'";
        return {};
    };
    auto onPositional = [](const std::string& arg) { return "bench: unexpected argument '" + arg + "'"; };
    if (auto status = walkArgs(args, line, onOption, onPositional)) return *status;

    std::string error;
    auto plugin = setUpPlugin(options, rate, 2, error);
    if (!plugin) return fail(error);
    if (options.showParams)
        for (int k = 0; k < plugin->effect()->numParams; ++k)
            std::printf("param %d: %s\n", k, parameterText(*plugin, k).c_str());

    // The material in planar form, so that a process call points into it.
    const std::vector<double> inter = makeProgramme(seconds, (int)rate);
    const long frames = (long)(inter.size() / 2);
    std::vector<double> dIn[2], dOut[2];
    std::vector<float> fIn[2], fOut[2];
    for (int c = 0; c < 2; ++c) {
        dIn[c].resize(frames);
        fIn[c].resize(frames);
        dOut[c].assign(frames, 0.0);
        fOut[c].assign(frames, 0.0f);
        for (long i = 0; i < frames; ++i) {
            dIn[c][i] = inter[2 * i + c];
            fIn[c][i] = (float)inter[2 * i + c];
        }
    }

    const int block = options.blockSize;
    auto renderOnce = [&]() {
        plugin->resume();
        auto t0 = std::chrono::steady_clock::now();
        for (long pos = 0; pos < frames; pos += block) {
            int n = (int)std::min<long>(block, frames - pos);
            if (options.useDouble) {
                double* in[2] = {dIn[0].data() + pos, dIn[1].data() + pos};
                double* out[2] = {dOut[0].data() + pos, dOut[1].data() + pos};
                plugin->processDouble(in, out, n);
            } else {
                float* in[2] = {fIn[0].data() + pos, fIn[1].data() + pos};
                float* out[2] = {fOut[0].data() + pos, fOut[1].data() + pos};
                plugin->process(in, out, n);
            }
        }
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        plugin->suspend();
        return elapsed;
    };
    renderOnce();  // warm-up: page in code and buffers
    double best = 1e300;
    for (int r = 0; r < (int)runs; ++r) best = std::min(best, renderOnce());

    // Something must have come out, or the timing measured nothing.
    double outPeak = 0.0;
    for (int c = 0; c < 2; ++c)
        for (long i = 0; i < frames; ++i)
            outPeak = std::max(outPeak, options.useDouble ? std::fabs(dOut[c][i]) : std::fabs((double)fOut[c][i]));

    std::string settings = options.program.empty() ? "" : ", program " + options.program;
    if (!options.presetFile.empty()) settings += ", preset " + options.presetFile;
    if (!options.bankFile.empty()) settings += ", bank " + options.bankFile;
    for (auto& s : options.sets) settings += ", " + s;
    const double nsPerFrame = best * 1e9 / (double)frames;
    std::printf("%s: %s, block %d, %.0f Hz, %.2f s stereo%s: %.1f ns/frame, %.1fx real time (best of %d; output peak %s)\n",
                options.path().c_str(), options.useDouble ? "64-bit" : "32-bit", block, rate, seconds,
                settings.c_str(), nsPerFrame, (seconds > 0 && best > 0) ? (double)frames / rate / best : 0.0,
                (int)runs, LevelStats::dbText(outPeak).c_str());
    return 0;
}

CommandRegistration reg("bench", "time a plug-in on generated material", runBench);

}  // namespace
}  // namespace cli

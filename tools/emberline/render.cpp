// emberline render IN OUT [options]: runs an audio file through a plug-in the
// way a host does, through the VST 2.4 interface only, and writes the result.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tools/emberline/AudioFile.h"
#include "tools/emberline/Command.h"
#include "tools/emberline/Plot.h"
#include "tools/emberline/PluginSetup.h"
#include "tools/emberline/Signal.h"

namespace cli {
namespace {

void onSignal(int sig) {
    removeOpenTemporaryFile();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: emberline render IN OUT [options]\n"
                 "Runs IN (WAV, FLAC, AIFF, Ogg; mono or stereo) through the plug-in and writes OUT with\n"
                 "the input's rate and channels; the format follows OUT's extension.\n\n"
                 "%s"
                 "  --format F             pcm16, pcm24, pcm32, float, double, vorbis, or same (the input's);\n"
                 "                         default: float for .wav; others keep the input's where they can\n"
                 "  --align                remove the reported latency so the output lines up with the input\n"
                 "  --plot FILE.png        draw input, output and gain change\n"
                 "  --quiet                no progress bar\n",
                 pluginOptionsHelp());
}

std::string stem(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string levelsText(const LevelStats& s) {
    char buf[160];
    double crest = s.rms() > 0.0 ? LevelStats::toDb(s.peak()) - LevelStats::toDb(s.rms()) : 0.0;
    std::snprintf(buf, sizeof buf, "peak %s, true peak %s, RMS %s, crest %.2f dB",
                  LevelStats::dbText(s.peak()).c_str(), LevelStats::dbText(s.truePeak()).c_str(),
                  LevelStats::dbText(s.rms()).c_str(), crest);
    return buf;
}

class Progress {
public:
    Progress(bool on, long long total, int rate) : on_(on), total_(total), rate_(rate) {}
    void update(long long done) {
        if (!on_) return;
        auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100) && done < total_) return;
        last_ = now;
        const int width = 40;
        if (total_ > 0) {
            int filled = (int)(width * std::min(done, total_) / total_);
            std::fprintf(stderr, "\r[%s%s] %3d%%  %.1f / %.1f s", std::string(filled, '#').c_str(),
                         std::string(width - filled, '.').c_str(), (int)(100 * std::min(done, total_) / total_),
                         (double)done / rate_, (double)total_ / rate_);
        } else {
            std::fprintf(stderr, "\r%.1f s", (double)done / rate_);
        }
        std::fflush(stderr);
        shown_ = true;
    }
    void finish() {
        if (shown_) std::fprintf(stderr, "\r%72s\r", "");
    }

private:
    bool on_;
    long long total_;
    int rate_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

int runRender(const Args& args) {
    PluginOptions options;
    std::string inPath, outPath, plotPath, formatText;
    bool align = false, quiet = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string error;
        int taken = takePluginOption(args, i, options, error);
        if (taken < 0) return fail(error);
        if (taken) continue;
        if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        } else if (a == "--align") {
            align = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else if ((a == "--format" || a == "--plot") && i + 1 >= args.size()) {
            return fail(a + " needs a value");
        } else if (a == "--format") {
            formatText = args[++i];
        } else if (a == "--plot") {
            plotPath = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("render: unknown option '" + a + "' (see emberline render --help)");
        } else if (inPath.empty()) {
            inPath = a;
        } else if (outPath.empty()) {
            outPath = a;
        } else {
            return fail("render: too many files ('" + a + "'); give IN and OUT");
        }
    }
    if (inPath.empty() || outPath.empty()) {
        usage(stderr);
        return fail("render: give an input and an output file");
    }
    int subtype = 0;
    if (!formatText.empty()) {
        subtype = subtypeFromName(formatText);
        if (subtype == 0) return fail("--format takes pcm16, pcm24, pcm32, float, double, vorbis or same, not '" + formatText + "'");
    }

    std::string error;
    AudioReader reader;
    if (!reader.open(inPath, error)) return fail(error);
    const AudioInfo info = reader.info();
    if (info.channels > 2)
        return fail(inPath + ": has " + std::to_string(info.channels) +
                    " channels; only mono and stereo files can be rendered");
    const int channels = info.channels;
    const int outFormat = outputFormatFor(outPath, subtype, info.format, channels, info.rate, error);
    if (!outFormat) return fail(error);
    if (!plotPath.empty()) {
        auto slash = plotPath.rfind('/');
        std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : plotPath.substr(0, slash));
        if (plotPath.size() < 5 || plotPath.compare(plotPath.size() - 4, 4, ".png") != 0)
            return fail(plotPath + ": the picture is written as PNG; give a .png name");
        if (access(dir.c_str(), W_OK) != 0) return fail(plotPath + ": cannot write there");
    }

    auto plugin = setUpPlugin(options, info.rate, channels, error);
    if (!plugin) return fail(error);
    if (options.showParams)
        for (int k = 0; k < plugin->effect()->numParams; ++k)
            std::printf("param %d: %s\n", k, parameterText(*plugin, k).c_str());

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    AudioWriter writer;
    if (!writer.open(outPath, outFormat, channels, info.rate, error)) return fail(error);

    plugin->resume();
    const long long latency = std::max(0, plugin->effect()->initialDelay);
    const long long skip = align ? latency : 0;
    long long padLeft = align ? latency : 0;

    const int block = options.blockSize;
    std::vector<double> inter((size_t)block * channels), outInter((size_t)block * channels);
    std::vector<float> fIn[2], fOut[2];
    std::vector<double> dIn[2], dOut[2];
    for (int c = 0; c < 2; ++c) {
        fIn[c].assign(block, 0.0f);
        fOut[c].assign(block, 0.0f);
        dIn[c].assign(block, 0.0);
        dOut[c].assign(block, 0.0);
    }
    float* fInPtr[2] = {fIn[0].data(), fIn[1].data()};
    float* fOutPtr[2] = {fOut[0].data(), fOut[1].data()};
    double* dInPtr[2] = {dIn[0].data(), dIn[1].data()};
    double* dOutPtr[2] = {dOut[0].data(), dOut[1].data()};

    LevelStats inStats(channels), outStats(channels);
    std::unique_ptr<PlotColumns> plot;
    if (!plotPath.empty()) {
        if (info.frames <= 0) return fail(inPath + ": the file does not say how long it is; cannot plot it");
        plot = std::make_unique<PlotColumns>(1100, info.frames);
    }
    Progress progress(!quiet && isatty(2), info.frames, info.rate);

    long long inFrames = 0, processed = 0;
    std::chrono::steady_clock::duration busy{};
    for (;;) {
        long long n = reader.read(inter.data(), block);
        bool padding = false;
        if (n <= 0) {
            if (padLeft <= 0) break;
            n = std::min<long long>(block, padLeft);
            padLeft -= n;
            padding = true;
            std::fill(inter.begin(), inter.end(), 0.0);
        }
        for (long long i = 0; i < n; ++i) {
            for (int c = 0; c < 2; ++c) {
                double x = c < channels ? inter[(size_t)i * channels + c] : 0.0;
                dIn[c][i] = x;
                fIn[c][i] = (float)x;
                if (!padding && c < channels) {
                    inStats.addSample(c, x);
                    if (plot) plot->addInput(inFrames + i, x);
                }
            }
        }
        if (!padding) inFrames += n;

        auto t0 = std::chrono::steady_clock::now();
        if (options.useDouble) plugin->processDouble(dInPtr, dOutPtr, (int)n);
        else plugin->process(fInPtr, fOutPtr, (int)n);
        busy += std::chrono::steady_clock::now() - t0;

        long long m = 0;
        for (long long j = 0; j < n; ++j) {
            long long p = processed + j;
            for (int c = 0; c < channels; ++c) {
                double y = options.useDouble ? dOut[c][j] : (double)fOut[c][j];
                if (plot) plot->addAlignedOutput(p - (long long)latency, y);
                if (p >= skip) {
                    outInter[(size_t)m * channels + c] = y;
                    outStats.addSample(c, y);
                    if (plot) plot->addOutput(p - skip, y);
                }
            }
            if (p >= skip) ++m;
        }
        processed += n;
        if (m > 0 && !writer.write(outInter.data(), m, error)) {
            progress.finish();
            return fail(error);
        }
        progress.update(inFrames);
    }
    plugin->suspend();
    progress.finish();
    if (inFrames == 0) return fail(inPath + ": holds no audio");

    const double audioSeconds = (double)inFrames / info.rate;
    const double busySeconds = std::chrono::duration<double>(busy).count();
    std::string settings = stem(options.path());
    if (!options.presetFile.empty()) settings += ", preset " + stem(options.presetFile);
    else if (!options.bankFile.empty())
        settings += ", bank " + stem(options.bankFile) + " program " + (options.program.empty() ? "0" : options.program);
    else if (!options.program.empty()) settings += ", program " + options.program;
    for (auto& s : options.sets) settings += ", " + s;
    if (options.useDouble) settings += ", 64-bit";

    if (plot) {
        PlotLabels labels;
        labels.title = stem(inPath) + "  ->  " + stem(outPath);
        labels.subtitle = settings + "   |   out " + levelsText(outStats);
        labels.rate = info.rate;
        if (!writePlot(plotPath, *plot, labels, error)) return fail(error);
    }
    if (!writer.commit(error)) return fail(error);

    char timing[160];
    std::snprintf(timing, sizeof timing, "latency %lld samples (%.2f ms%s) | %.2f s of audio in %.3f s, %.0fx real time",
                  latency, 1000.0 * latency / info.rate, align ? ", removed" : "", audioSeconds, busySeconds,
                  busySeconds > 0 ? audioSeconds / busySeconds : 0.0);
    std::printf("%s: %d ch %d Hz %s, %s | in %s | out %s | %s\n", outPath.c_str(), channels, info.rate,
                formatName(outFormat).c_str(), settings.c_str(), levelsText(inStats).c_str(),
                levelsText(outStats).c_str(), timing);
    return 0;
}

CommandRegistration reg("render", "run an audio file through a plug-in", runRender);

}  // namespace
}  // namespace cli

// emberline render IN OUT [options]: runs an audio file through a plug-in the
// way a host does, through the VST 2.4 interface only, and writes the result.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/emberline/AudioFile.h"
#include "presets/FileIO.h"
#include "tools/emberline/Command.h"
#include "tools/emberline/Loudness.h"
#include "tools/emberline/Options.h"
#include "tools/emberline/ParameterText.h"
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
                 "  --allow-truncated      render a file that ends before its header says (the readable part)\n"
                 "  --true-peak-limit DB   count and mark where the output's true peak passes DB (default -1 dBTP)\n"
                 "  --quiet                no progress bar\n"
                 "  --no-loudness          leave out the loudness figures and lane (to time what measuring costs)\n",
                 pluginOptionsHelp());
}

std::string stem(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string levelsText(const LevelStats& s) {
    char buf[160];
    double crest = s.rms() > 0.0 ? LevelStats::toDb(s.peak()) - LevelStats::toDb(s.rms()) : 0.0;
    std::snprintf(buf, sizeof buf, "peak %s, RMS %s, crest %.2f dB", LevelStats::dbText(s.peak()).c_str(),
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

// The product's editions run at 22.05 to 192 kHz and time a file of any other
// rate as if it were 44.1 kHz.
constexpr int kLowestRate = 22050, kHighestRate = 192000;
bool runsOnlyAtMixingRates(vsthost::Plugin& plugin) {
    const vst::int32 id = plugin.effect()->uniqueID;
    return id == vst::fourCC('Z', 'E', 'M', 'L') || id == vst::fourCC('Z', 'e', 'M', 'L');
}

const char* const kMeterFailed = "the loudness meter could not be set up";

// What the command line asks for.
struct RenderJob {
    PluginOptions options;
    std::string inPath, outPath, plotPath;
    int subtype = 0;  // output sample format; 0: the default for the container
    bool align = false, quiet = false, allowTruncated = false, loudness = true;
    double truePeakLimit = -1.0;  // dBTP
};

// Planar buffers for one process call of either precision.
struct ProcessBuffers {
    explicit ProcessBuffers(int block) {
        for (int c = 0; c < 2; ++c) {
            fIn[c].assign(block, 0.0f);
            fOut[c].assign(block, 0.0f);
            dIn[c].assign(block, 0.0);
            dOut[c].assign(block, 0.0);
            fInPtr[c] = fIn[c].data();
            fOutPtr[c] = fOut[c].data();
            dInPtr[c] = dIn[c].data();
            dOutPtr[c] = dOut[c].data();
        }
    }
    std::vector<float> fIn[2], fOut[2];
    std::vector<double> dIn[2], dOut[2];
    float* fInPtr[2];
    float* fOutPtr[2];
    double* dInPtr[2];
    double* dOutPtr[2];
};

// What the run measured.
struct RenderResult {
    explicit RenderResult(int channels) : inStats(channels), outStats(channels) {}
    LevelStats inStats, outStats;
    // Input's and output's loudness (meters kIn and kOut); none with --no-loudness.
    static constexpr std::size_t kIn = 0, kOut = 1;
    std::unique_ptr<MeterThread> loudness;
    long long inFrames = 0;
    long long latency = 0;
    double busySeconds = 0;
};

std::optional<int> parseRender(const Args& args, RenderJob& job) {
    std::string formatText;
    CommandLine line{"render", usage, {{"--align", false},
                                      {"--quiet", false},
                                      {"--allow-truncated", false},
                                      {"--no-loudness", false},
                                      {"--format", true},
                                      {"--plot", true},
                                      {"--true-peak-limit", true}},
                     &job.options};
    auto onOption = [&](const std::string& name, const std::string& value) {
        if (name == "--align") job.align = true;
        else if (name == "--quiet") job.quiet = true;
        else if (name == "--allow-truncated") job.allowTruncated = true;
        else if (name == "--no-loudness") job.loudness = false;
        else if (name == "--format") formatText = value;
        else if (name == "--plot") job.plotPath = value;
        else if (!parseNumber(value, job.truePeakLimit) || job.truePeakLimit < -60 || job.truePeakLimit > 6)
            return "--true-peak-limit takes a level in dBTP from -60 to +6, not '" + value + "'";
        return std::string();
    };
    auto onFile = [&](const std::string& arg) {
        if (job.inPath.empty()) job.inPath = arg;
        else if (job.outPath.empty()) job.outPath = arg;
        else return "render: too many files ('" + arg + "'); give IN and OUT";
        return std::string();
    };
    if (auto status = walkArgs(args, line, onOption, onFile)) return status;
    if (job.inPath.empty() || job.outPath.empty()) {
        usage(stderr);
        return fail("render: give an input and an output file");
    }
    if (!formatText.empty()) {
        job.subtype = subtypeFromName(formatText);
        if (job.subtype == 0)
            return fail("--format takes pcm16, pcm24, pcm32, float, double, vorbis or same, not '" + formatText + "'");
    }
    if (!job.plotPath.empty()) {
        const std::string& p = job.plotPath;
        if (p.size() < 5 || p.compare(p.size() - 4, 4, ".png") != 0)
            return fail(p + ": the picture is written as PNG; give a .png name");
        if (access(fileio::parentFolder(p).c_str(), W_OK) != 0) return fail(p + ": cannot write there");
    }
    return std::nullopt;
}

// Runs the whole input through the plug-in, then as many frames of silence as
// the latency when the output is aligned, writing what comes out.
std::string runThrough(const RenderJob& job, AudioReader& reader, AudioWriter& writer, vsthost::Plugin& plugin,
                       PlotColumns* plot, Progress& progress, RenderResult& result) {
    const int channels = reader.info().channels;
    const bool useDouble = job.options.useDouble;
    const int block = job.options.blockSize;
    plugin.resume();
    result.latency = std::max(0, plugin.effect()->initialDelay);
    const long long skip = job.align ? result.latency : 0;
    long long padLeft = skip, processed = 0;
    std::vector<double> inter((size_t)block * channels), outInter((size_t)block * channels);
    ProcessBuffers buf(block);
    std::chrono::steady_clock::duration busy{};
    std::string error;
    for (;;) {
        long long n = reader.read(inter.data(), block);
        const bool padding = n <= 0;
        if (padding) {
            if (padLeft <= 0) break;
            n = std::min<long long>(block, padLeft);
            padLeft -= n;
            std::fill(inter.begin(), inter.end(), 0.0);
        }
        for (long long i = 0; i < n; ++i) {
            for (int c = 0; c < 2; ++c) {
                double x = c < channels ? inter[(size_t)i * channels + c] : 0.0;
                buf.dIn[c][i] = x;
                buf.fIn[c][i] = (float)x;
                if (padding || c >= channels) continue;
                result.inStats.addSample(c, x);
                if (plot) plot->addInput(result.inFrames + i, x);
            }
        }
        if (!padding) {
            result.inFrames += n;
            if (result.loudness) result.loudness->add(RenderResult::kIn, inter.data(), n);
        }

        auto t0 = std::chrono::steady_clock::now();
        if (useDouble) plugin.processDouble(buf.dInPtr, buf.dOutPtr, (int)n);
        else plugin.process(buf.fInPtr, buf.fOutPtr, (int)n);
        busy += std::chrono::steady_clock::now() - t0;

        long long m = 0;
        for (long long j = 0; j < n; ++j) {
            const long long p = processed + j;
            for (int c = 0; c < channels; ++c) {
                double y = useDouble ? buf.dOut[c][j] : (double)buf.fOut[c][j];
                if (plot) plot->addAlignedOutput(p - result.latency, y);
                if (p < skip) continue;
                outInter[(size_t)m * channels + c] = y;
                result.outStats.addSample(c, y);
                if (plot) plot->addOutput(p - skip, y);
            }
            if (p >= skip) ++m;
        }
        processed += n;
        if (result.loudness) result.loudness->add(RenderResult::kOut, outInter.data(), m);
        if (m > 0 && !writer.write(outInter.data(), m, error)) break;
        progress.update(result.inFrames);
    }
    plugin.suspend();
    progress.finish();
    result.busySeconds = std::chrono::duration<double>(busy).count();
    return error;
}

std::string settingsText(const PluginOptions& o) {
    std::string settings = stem(o.path());
    if (!o.presetFile.empty()) settings += ", preset " + stem(o.presetFile);
    else if (!o.bankFile.empty())
        settings += ", bank " + stem(o.bankFile) + " program " + (o.program.empty() ? "0" : o.program);
    else if (!o.program.empty()) settings += ", program " + o.program;
    for (auto& s : o.sets) settings += ", " + s;
    if (o.useDouble) settings += ", 64-bit";
    return settings;
}

void report(const RenderJob& job, const AudioInfo& info, int outFormat, const RenderResult& r) {
    const double audioSeconds = (double)r.inFrames / info.rate;
    char timing[160];
    std::snprintf(timing, sizeof timing, "latency %lld samples (%.2f ms%s) | %.2f s of audio in %.3f s, %.0fx real time",
                  r.latency, 1000.0 * r.latency / info.rate, job.align ? ", removed" : "", audioSeconds,
                  r.busySeconds, r.busySeconds > 0 ? audioSeconds / r.busySeconds : 0.0);
    std::printf("%s: %d ch %d Hz %s, %s | in %s | out %s | %s\n", job.outPath.c_str(), info.channels, info.rate,
                formatName(outFormat).c_str(), settingsText(job.options).c_str(), levelsText(r.inStats).c_str(),
                levelsText(r.outStats).c_str(), timing);
    if (!r.loudness) return;
    const LoudnessFigures in = r.loudness->meter(RenderResult::kIn).figures();
    const LoudnessFigures out = r.loudness->meter(RenderResult::kOut).figures();
    const auto over = placesOver(r.loudness->meter(RenderResult::kOut).truePeakTrace(), job.truePeakLimit);
    char change[48] = "change n/a";
    if (std::isfinite(in.integrated) && std::isfinite(out.integrated))
        std::snprintf(change, sizeof change, "change %+.1f LU", out.integrated - in.integrated);
    std::printf("loudness: in %s | out %s | %s | output true peak over %+.1f dBTP at %zu place%s\n",
                loudnessText(in).c_str(), loudnessText(out).c_str(), change, job.truePeakLimit, over.size(),
                over.size() == 1 ? "" : "s");
}

// Draws the picture; the loudness lane last, so that the meters may still be
// measuring while the rest is drawn.
bool drawPlot(const RenderJob& job, const AudioInfo& info, const PlotColumns& plot, RenderResult& result,
              std::string& error) {
    PlotLabels labels;
    labels.title = stem(job.inPath) + "  ->  " + stem(job.outPath);
    labels.subtitle = settingsText(job.options) + "   |   out " + levelsText(result.outStats);
    labels.rate = info.rate;
    LoudnessSource lane;
    if (result.loudness) {
        lane = [&](PlotLoudness& l, std::string& why) {
            if (!result.loudness->finish()) {
                why = kMeterFailed;
                return false;
            }
            const LoudnessMeter& in = result.loudness->meter(RenderResult::kIn);
            const LoudnessMeter& out = result.loudness->meter(RenderResult::kOut);
            l.inShortTerm = in.shortTermTrace();
            l.outShortTerm = out.shortTermTrace();
            l.traceStep = LoudnessMeter::kTraceStepSeconds;
            l.overPlaces = placesOver(out.truePeakTrace(), job.truePeakLimit);
            l.peakStep = LoudnessMeter::kPeakStepSeconds;
            l.limitDb = job.truePeakLimit;
            l.outputDelay = job.align ? 0.0 : (double)result.latency / info.rate;
            return true;
        };
    }
    return writePlot(job.plotPath, plot, labels, lane, error);
}

int runRender(const Args& args) {
    RenderJob job;
    if (auto status = parseRender(args, job)) return *status;

    std::string error;
    AudioReader reader;
    if (!reader.open(job.inPath, error)) return fail(error);
    const AudioInfo info = reader.info();
    if (info.channels > 2)
        return fail(job.inPath + ": has " + std::to_string(info.channels) +
                    " channels; only mono and stereo files can be rendered");
    const int outFormat = outputFormatFor(job.outPath, job.subtype, info.format, info.channels, info.rate, error);
    if (!outFormat) return fail(error);

    auto plugin = setUpPlugin(job.options, info.rate, info.channels, error);
    if (!plugin) return fail(error);
    if (runsOnlyAtMixingRates(*plugin) && (info.rate < kLowestRate || info.rate > kHighestRate))
        return fail(job.inPath + ": " + std::to_string(info.rate) + " Hz is outside the rates the plug-in runs at (" +
                    std::to_string(kLowestRate) + ".." + std::to_string(kHighestRate) + " Hz); resample the file first");
    // The meters' thread starts now, so that it sets them up while the
    // render gets going.
    RenderResult result(info.channels);
    if (job.loudness) {
        std::vector<std::unique_ptr<LoudnessMeter>> meters;
        for (int k = 0; k < 2; ++k) {
            meters.push_back(LoudnessMeter::create(info.channels, info.rate, error, false));
            if (!meters.back()) return fail(job.inPath + ": " + error);
        }
        result.loudness = std::make_unique<MeterThread>(std::move(meters));
    }
    if (job.options.showParams)
        for (int k = 0; k < plugin->effect()->numParams; ++k)
            std::printf("param %d: %s\n", k, parameterText(*plugin, k).c_str());

    std::unique_ptr<PlotColumns> plot;
    if (!job.plotPath.empty()) {
        if (info.frames <= 0) return fail(job.inPath + ": the file does not say how long it is; cannot plot it");
        plot = std::make_unique<PlotColumns>(1100, info.frames);
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    AudioWriter writer;
    if (!writer.open(job.outPath, outFormat, info.channels, info.rate, error)) return fail(error);

    Progress progress(!job.quiet && isatty(2), info.frames, info.rate);
    error = runThrough(job, reader, writer, *plugin, plot.get(), progress, result);
    if (!error.empty()) return fail(error);
    if (result.inFrames == 0) return fail(job.inPath + ": holds no audio");
    if (long long missing = reader.missingFrames(result.inFrames)) {
        char what[200];
        std::snprintf(what, sizeof what, "%s: the file ends %lld frames (%.3f s) before its header says", job.inPath.c_str(),
                      missing, (double)missing / info.rate);
        if (!job.allowTruncated) return fail(std::string(what) + "; --allow-truncated renders the part that is there");
        std::fprintf(stderr, "emberline: %s; rendering the part that is there\n", what);
    }

    if (plot && !drawPlot(job, info, *plot, result, error)) return fail(error);
    if (result.loudness && !result.loudness->finish()) return fail(kMeterFailed);
    if (!writer.commit(error)) return fail(error);
    report(job, info, outFormat, result);
    return 0;
}

CommandRegistration reg("render", "run an audio file through a plug-in", runRender);

}  // namespace
}  // namespace cli

// emberline measure FILE... [--json] [--true-peak-limit DB]: the loudness
// figures of audio files without rendering them, one line (or one JSON
// object) per file, so that takes can be compared.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/emberline/AudioFile.h"
#include "tools/emberline/Command.h"
#include "tools/emberline/Loudness.h"
#include "tools/emberline/Options.h"
#include "tools/emberline/Signal.h"

namespace cli {
namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: emberline measure FILE... [--json] [--true-peak-limit DB]\n"
                 "Integrated loudness, loudness range, short-term maximum, true and sample peak of each file,\n"
                 "and how many places pass the true-peak limit (default -1 dBTP).\n");
}

struct Measured {
    std::string file;
    LoudnessFigures figures;
    size_t overPlaces = 0;
    long long frames = 0;
    int rate = 0, channels = 0;
};

bool measureFile(const std::string& path, double limitDb, Measured& m, std::string& error) {
    AudioReader reader;
    if (!reader.open(path, error)) return false;
    const AudioInfo info = reader.info();
    auto meter = LoudnessMeter::create(info.channels, info.rate, error);
    if (!meter) {
        error = path + ": " + error;
        return false;
    }
    std::vector<double> buffer((size_t)4096 * info.channels);
    for (long long n; (n = reader.read(buffer.data(), 4096)) > 0;) {
        meter->add(buffer.data(), n);
        m.frames += n;
    }
    meter->finish();
    if (long long missing = reader.missingFrames(m.frames))
        std::fprintf(stderr, "emberline: %s: the file ends %lld frames before its header says; measured what is there\n",
                     path.c_str(), missing);
    m.file = path;
    m.figures = meter->figures();
    m.overPlaces = placesOver(meter->truePeakTrace(), limitDb).size();
    m.rate = info.rate;
    m.channels = info.channels;
    return true;
}

std::string jsonNumber(double v, const char* format) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') out += '\\', out += (char)c;
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else out += (char)c;
    }
    return out + "\"";
}

double toDb(double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : -INFINITY; }

void printJson(const std::vector<Measured>& all, double limitDb) {
    std::printf("[\n");
    for (size_t i = 0; i < all.size(); ++i) {
        const Measured& m = all[i];
        const LoudnessFigures& f = m.figures;
        std::printf("  {\"file\": %s, \"channels\": %d, \"rate\": %d, \"seconds\": %s, \"integrated_lufs\": %s, "
                    "\"range_lu\": %s, \"short_term_max_lufs\": %s, \"true_peak_dbtp\": %s, "
                    "\"sample_peak_dbfs\": %s, \"true_peak_limit_dbtp\": %s, \"places_over_limit\": %zu}%s\n",
                    jsonString(m.file).c_str(), m.channels, m.rate,
                    jsonNumber((double)m.frames / m.rate, "%.3f").c_str(), jsonNumber(f.integrated, "%.2f").c_str(),
                    jsonNumber(f.range, "%.2f").c_str(), jsonNumber(f.shortTermMax, "%.2f").c_str(),
                    jsonNumber(toDb(f.truePeak), "%.2f").c_str(), jsonNumber(toDb(f.samplePeak), "%.2f").c_str(),
                    jsonNumber(limitDb, "%.1f").c_str(), m.overPlaces, i + 1 < all.size() ? "," : "");
    }
    std::printf("]\n");
}

int runMeasure(const Args& args) {
    bool json = false;
    double limitDb = -1.0;
    std::vector<std::string> files;
    CommandLine line{"measure", usage, {{"--json", false}, {"--true-peak-limit", true}}};
    auto onOption = [&](const std::string& name, const std::string& value) -> std::string {
        if (name == "--json") json = true;
        else if (!parseNumber(value, limitDb) || limitDb < -60 || limitDb > 6)
            return "--true-peak-limit takes a level in dBTP from -60 to +6, not '" + value + "'";
        return {};
    };
    auto onFile = [&](const std::string& arg) -> std::string {
        files.push_back(arg);
        return {};
    };
    if (auto status = walkArgs(args, line, onOption, onFile)) return *status;
    if (files.empty()) {
        usage(stderr);
        return fail("measure: give one or more audio files");
    }
    std::vector<Measured> all;
    int status = 0;
    for (const std::string& path : files) {
        Measured m;
        std::string error;
        if (!measureFile(path, limitDb, m, error)) {
            status = fail(error);
            continue;
        }
        if (!json)
            std::printf("%s: %s, sample peak %s, true peak over %+.1f dBTP at %zu place%s\n", path.c_str(),
                        loudnessText(m.figures).c_str(), LevelStats::dbText(m.figures.samplePeak).c_str(), limitDb,
                        m.overPlaces, m.overPlaces == 1 ? "" : "s");
        all.push_back(std::move(m));
    }
    if (json) printJson(all, limitDb);
    return status;
}

CommandRegistration reg("measure", "loudness and true peak of audio files", runMeasure);

}  // namespace
}  // namespace cli

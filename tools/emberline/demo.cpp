// emberline demo OUT [--seconds S] [--rate HZ]: writes the demo clip, a short
// stereo mix with drums, bass and a sustained part whose peaks go above full
// scale (so the file is 32-bit float unless the extension says otherwise).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/emberline/AudioFile.h"
#include "tools/emberline/Command.h"
#include "tools/emberline/Options.h"
#include "tools/emberline/Signal.h"

namespace cli {
namespace {

void usage(FILE* out) {
    std::fprintf(out, "usage: emberline demo OUT.wav [--seconds S] [--rate HZ]\n"
                      "Writes a stereo demo mix (drums, bass, chords) that peaks 3 dB above full scale.\n");
}

int runDemo(const Args& args) {
    std::string outPath;
    double seconds = 8.0;
    long rate = 44100;
    CommandLine line{"demo", usage, {{"--seconds", true}, {"--rate", true}}};
    auto onOption = [&](const std::string& name, const std::string& value) -> std::string {
        char* end = nullptr;
        if (name == "--seconds") {
            seconds = std::strtod(value.c_str(), &end);
            if (*end || !(seconds > 0 && seconds <= 600)) return "--seconds takes 0..600, not '" + value + "'";
        } else {
            rate = std::strtol(value.c_str(), &end, 10);
            if (*end || rate < 8000 || rate > 384000) return "--rate takes 8000..384000 Hz, not '" + value + "'";
        }
        return {};
    };
    auto onFile = [&](const std::string& arg) -> std::string {
        if (!outPath.empty()) return "demo: give one output file";
        outPath = arg;
        return {};
    };
    if (auto status = walkArgs(args, line, onOption, onFile)) return *status;
    if (outPath.empty()) return fail("demo: give an output file, e.g. demo.wav");
    std::string error;
    int format = outputFormatFor(outPath, 0, SF_FORMAT_FLOAT, 2, (int)rate, error);
    if (!format) return fail(error);
    std::vector<double> mix = makeProgramme(seconds, (int)rate);
    AudioWriter writer;
    if (!writer.open(outPath, format, 2, (int)rate, error) ||
        !writer.write(mix.data(), (long long)mix.size() / 2, error) || !writer.commit(error))
        return fail(error);
    std::printf("%s: %.2f s stereo at %ld Hz, %s\n", outPath.c_str(), seconds, rate, formatName(format).c_str());
    return 0;
}

CommandRegistration reg("demo", "write the demo clip (drums, bass, chords; peaks above full scale)", runDemo);

}  // namespace
}  // namespace cli

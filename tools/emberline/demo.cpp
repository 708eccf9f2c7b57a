// emberline demo OUT [--seconds S] [--rate HZ]: writes the demo clip, a short
// stereo mix with drums, bass and a sustained part whose peaks go above full
// scale (so the file is 32-bit float unless the extension says otherwise).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/emberline/AudioFile.h"
#include "tools/emberline/Command.h"
#include "tools/emberline/Signal.h"

namespace cli {
namespace {

int runDemo(const Args& args) {
    std::string outPath;
    double seconds = 8.0;
    long rate = 44100;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            std::printf("usage: emberline demo OUT.wav [--seconds S] [--rate HZ]\n"
                        "Writes a stereo demo mix (drums, bass, chords) that peaks 3 dB above full scale.\n");
            return 0;
        }
        if ((a == "--seconds" || a == "--rate") && i + 1 >= args.size()) return fail(a + " needs a value");
        if (a == "--seconds") {
            char* end = nullptr;
            seconds = std::strtod(args[++i].c_str(), &end);
            if (*end || !(seconds > 0 && seconds <= 600)) return fail("--seconds takes 0..600, not '" + args[i] + "'");
        } else if (a == "--rate") {
            char* end = nullptr;
            rate = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || rate < 8000 || rate > 384000) return fail("--rate takes 8000..384000 Hz, not '" + args[i] + "'");
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("demo: unknown option '" + a + "'");
        } else if (outPath.empty()) {
            outPath = a;
        } else {
            return fail("demo: give one output file");
        }
    }
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

// Loudness and true peak in `emberline measure` and `emberline render`: the
// broadcast standard's compliance signals, generated here from their
// descriptions, and the figures a render prints against a measurement of the
// file it wrote.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tool/ToolTestSupport.h"

using namespace tooltest;

namespace {

constexpr double kPi = 3.14159265358979323846;

// A 1 kHz sine in every channel whose level changes segment by segment:
// {seconds, dBFS} pairs, phase continuous, as the standard's test signals are.
Wav levels(const std::vector<std::pair<double, double>>& segments, int channels = 2, int rate = 48000,
           double hz = 1000.0) {
    Wav w;
    w.rate = rate;
    w.channels = channels;
    w.bits = 24;
    w.isFloat = false;
    long i = 0;
    for (auto [seconds, db] : segments) {
        const double a = std::pow(10.0, db / 20.0);
        for (long end = i + std::lround(seconds * rate); i < end; ++i)
            for (int c = 0; c < channels; ++c) w.samples.push_back(a * std::sin(2 * kPi * hz * i / rate));
    }
    return w;
}

// The measure command's JSON, one object per line: field values by name.
std::vector<std::map<std::string, std::string>> parseMeasureJson(const std::string& out) {
    std::vector<std::map<std::string, std::string>> objects;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.find('{') == std::string::npos) continue;
        std::map<std::string, std::string> fields;
        for (size_t pos = line.find('"'); pos != std::string::npos; pos = line.find(", \"", pos)) {
            if (line[pos] == ',') pos += 2;
            size_t nameEnd = line.find('"', pos + 1);
            size_t valueStart = nameEnd + 3;
            size_t valueEnd = line.find_first_of(",}", valueStart);
            if (line[valueStart] == '"') valueEnd = line.find('"', valueStart + 1) + 1;
            fields[line.substr(pos + 1, nameEnd - pos - 1)] = line.substr(valueStart, valueEnd - valueStart);
            pos = valueEnd;
        }
        objects.push_back(fields);
    }
    return objects;
}

double number(const std::map<std::string, std::string>& fields, const std::string& name) {
    auto it = fields.find(name);
    return it == fields.end() || it->second == "null" ? NAN : std::strtod(it->second.c_str(), nullptr);
}

}  // namespace

TEST(Loudness, ComplianceSignalsReadTheirLevels) {
    TempDir dir;
    struct Case {
        const char* file;
        std::vector<std::pair<double, double>> segments;
        double lufs;
    } cases[] = {
        {"case1.wav", {{20.0, -23.0}}, -23.0},
        {"case2.wav", {{20.0, -33.0}}, -33.0},
        // Quiet parts below the relative gate do not count.
        {"case3.wav", {{10.0, -36.0}, {60.0, -23.0}, {10.0, -36.0}}, -23.0},
        {"case5.wav", {{20.0, -26.0}, {20.1, -20.0}, {20.0, -26.0}}, -23.0},
    };
    std::vector<std::string> args{"measure", "--json"};
    for (auto& c : cases) {
        writeWav(dir / c.file, levels(c.segments));
        args.push_back(dir / c.file);
    }
    auto r = runTool(args, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto objects = parseMeasureJson(r.out);
    ASSERT_EQ(objects.size(), std::size(cases)) << r.out;
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].file);
        EXPECT_NEAR(number(objects[i], "integrated_lufs"), cases[i].lufs, 0.1) << r.out;
        EXPECT_EQ(objects[i]["file"], "\"" + dir / cases[i].file + "\"");
    }
    // A steady sine: the short-term maximum is its loudness, the range nothing.
    EXPECT_NEAR(number(objects[0], "short_term_max_lufs"), -23.0, 0.1);
    EXPECT_NEAR(number(objects[0], "range_lu"), 0.0, 0.1);
    EXPECT_NEAR(number(objects[0], "sample_peak_dbfs"), -23.0, 0.01);
}

TEST(Loudness, RangeAndTruePeak) {
    TempDir dir;
    // 20 s at -20 dBFS, then 20 s at -30 dBFS: a range of 10 LU.
    writeWav(dir / "range.wav", levels({{20.0, -20.0}, {20.0, -30.0}}));
    // A quarter of the sample rate, 45 degrees off the samples: every sample is
    // 3.01 dB under the waveform's crest, which the true peak finds.
    Wav between;
    between.rate = 48000;
    between.channels = 2;
    for (long i = 0; i < 48000; ++i)
        for (int c = 0; c < 2; ++c) between.samples.push_back(0.5 * std::sin(kPi / 2 * i + kPi / 4));
    writeWav(dir / "between.wav", between);
    auto r = runTool({"measure", "--json", dir / "range.wav", dir / "between.wav"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto objects = parseMeasureJson(r.out);
    ASSERT_EQ(objects.size(), 2u) << r.out;
    EXPECT_NEAR(number(objects[0], "range_lu"), 10.0, 1.0) << r.out;
    EXPECT_NEAR(number(objects[1], "sample_peak_dbfs"), -9.03, 0.01) << r.out;
    EXPECT_NEAR(number(objects[1], "true_peak_dbtp"), -6.02, 0.25) << r.out;
}

TEST(Loudness, SilenceShortFilesMonoAndPlacesOverTheLimit) {
    TempDir dir;
    writeWav(dir / "silence.wav", levels({{2.0, -400.0}}));
    writeWav(dir / "short.wav", levels({{0.2, -10.0}}));
    writeWav(dir / "mono.wav", levels({{5.0, -20.0}}, 1));
    // Two bursts above -1 dBTP with quiet between them: two places.
    writeWav(dir / "bursts.wav", levels({{1.0, -30.0}, {0.3, -0.5}, {1.0, -30.0}, {0.3, -0.5}, {1.0, -30.0}}));
    auto r = runTool({"measure", dir / "silence.wav", dir / "short.wav", dir / "mono.wav", dir / "bursts.wav"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.out);
    std::string silence, shortOne, mono, bursts;
    std::getline(lines, silence);
    std::getline(lines, shortOne);
    std::getline(lines, mono);
    std::getline(lines, bursts);
    EXPECT_NE(silence.find("-inf LUFS, LRA 0.0 LU, short-term max -inf LUFS, true peak -inf dBTP"), std::string::npos)
        << silence;
    // Shorter than one 400 ms block: no integrated loudness, but its peaks.
    EXPECT_NE(shortOne.find(": -inf LUFS"), std::string::npos) << shortOne;
    EXPECT_NE(shortOne.find("sample peak -10.00 dBFS"), std::string::npos) << shortOne;
    // One channel of weight one: 3 dB under the same sine in two channels.
    EXPECT_NE(mono.find(": -23.0 LUFS"), std::string::npos) << mono;
    EXPECT_NE(bursts.find("over -1.0 dBTP at 2 places"), std::string::npos) << bursts;
    r = runTool({"measure", "--true-peak-limit", "-0.2", dir / "bursts.wav"}, dir);
    EXPECT_NE(r.out.find("over -0.2 dBTP at 0 places"), std::string::npos) << r.out;

    r = runTool({"measure", "--json", dir / "silence.wav"}, dir);
    auto objects = parseMeasureJson(r.out);
    ASSERT_EQ(objects.size(), 1u) << r.out;
    EXPECT_EQ(objects[0]["integrated_lufs"], "null");
    EXPECT_EQ(objects[0]["true_peak_dbtp"], "null");

    r = runTool({"measure", dir / "none.wav", dir / "mono.wav"}, dir);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("none.wav"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("mono.wav: -23.0 LUFS"), std::string::npos) << r.out;
}

// A render's loudness summary beside `emberline measure` on its input and
// output: the figures of a measured line ("FILE: <figures>, sample peak ...")
// stand in the summary ("in <figures> | out <figures> | ...").
struct RenderAndMeasure {
    std::string summary, inLine, outLine;

    static std::string figures(const std::string& measured) {
        size_t from = measured.find(": ") + 2;
        return measured.substr(from, measured.find(", sample peak") - from);
    }
    void expectSameFigures() const {
        EXPECT_NE(summary.find("in " + figures(inLine) + " | "), std::string::npos) << summary << "\n" << inLine;
        EXPECT_NE(summary.find("out " + figures(outLine) + " | "), std::string::npos) << summary << "\n" << outLine;
    }
};

void renderAndMeasure(const TempDir& dir, const std::string& in, const std::string& out,
                      const std::vector<std::string>& options, RenderAndMeasure& result) {
    std::vector<std::string> args = {"render", in, out};
    args.insert(args.end(), options.begin(), options.end());
    auto r = runTool(args, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const size_t line = r.out.find("loudness: in ");
    ASSERT_NE(line, std::string::npos) << r.out;
    result.summary = r.out.substr(line);
    auto m = runTool({"measure", in, out}, dir);
    ASSERT_EQ(m.exitCode, 0) << m.err;
    std::istringstream lines(m.out);
    std::getline(lines, result.inLine);
    std::getline(lines, result.outLine);
}

TEST(Loudness, ARenderReportsWhatMeasuringItsOutputFinds) {
    TempDir dir;
    writeWav(dir / "in.wav", levels({{1.0, -30.0}, {4.0, 2.0}, {1.0, -12.0}}, 2, 44100, 220.0));
    RenderAndMeasure r;
    renderAndMeasure(dir, dir / "in.wav", dir / "out.wav", {"--align", "--plot", dir / "out.png"}, r);
    ASSERT_FALSE(HasFatalFailure());
    r.expectSameFigures();
    // The render took the loud part down: the loudness fell.
    EXPECT_NE(r.summary.find("change -"), std::string::npos) << r.summary;
}

// The meters take the render's blocks in batches on threads of their own and
// the main thread helps finish them: whatever the block size and layout, the
// figures and the places over the limit are those of the written files.
TEST(Loudness, RenderFiguresHoldForAnyBlockSizeAndLayout) {
    TempDir dir;
    writeWav(dir / "stereo.wav",
             levels({{2.0, -30.0}, {3.0, 1.0}, {0.3, -40.0}, {0.4, 0.5}, {1.0, -12.0}}, 2, 44100, 220.0));
    writeWav(dir / "mono.wav", levels({{1.5, -20.0}, {2.5, 2.0}}, 1, 48000, 330.0));
    auto places = [](const std::string& text) {
        const size_t from = text.find("over -1.0 dBTP at ");
        return from == std::string::npos ? text : text.substr(from, text.find('\n', from) - from);
    };
    for (const char* name : {"stereo", "mono"}) {
        for (const char* block : {"333", "4096", "8192"}) {
            RenderAndMeasure r;
            renderAndMeasure(dir, dir / (std::string(name) + ".wav"), dir / "out.wav",
                             {"--block", block, "--program", "Mix Finalize 1"}, r);
            ASSERT_FALSE(HasFatalFailure());
            r.expectSameFigures();
            EXPECT_EQ(places(r.summary), places(r.outLine)) << name << " block " << block;
        }
    }
}

// Without measuring a render writes the same audio and a picture, and prints
// no loudness line.
TEST(Loudness, RenderWithoutLoudness) {
    TempDir dir;
    writeWav(dir / "in.wav", levels({{1.0, -30.0}, {2.0, 2.0}}, 2, 44100, 220.0));
    auto a = runTool({"render", dir / "in.wav", dir / "a.wav", "--align"}, dir);
    auto b = runTool({"render", dir / "in.wav", dir / "b.wav", "--align", "--no-loudness", "--plot", dir / "b.png"}, dir);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    ASSERT_EQ(b.exitCode, 0) << b.err;
    EXPECT_NE(a.out.find("loudness: in "), std::string::npos) << a.out;
    EXPECT_EQ(b.out.find("loudness:"), std::string::npos) << b.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "b.png"));
    Wav wa, wb;
    ASSERT_TRUE(readWav(dir / "a.wav", wa));
    ASSERT_TRUE(readWav(dir / "b.wav", wb));
    EXPECT_EQ(wa.frames(), 3 * 44100);
    EXPECT_EQ(wa.samples, wb.samples);
}

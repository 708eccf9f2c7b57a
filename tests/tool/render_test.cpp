// End-to-end tests of `emberline render` and `emberline bench`: the built tool
// runs the built libraries through the VST 2.4 interface.
#include <gtest/gtest.h>

#include "tests/tool/ToolTestSupport.h"

using namespace tooltest;

namespace {

long latencyFrom(const std::string& summary) {
    auto at = summary.find("latency ");
    if (at == std::string::npos) return -1;
    return std::strtol(summary.c_str() + at + 8, nullptr, 10);
}

// The lag (output behind input) at which the two signals correlate best.
long bestLag(const Wav& in, const Wav& out, long maxLag, long from, long to) {
    long best = 0;
    double bestValue = -1e300;
    for (long lag = -maxLag; lag <= maxLag; ++lag) {
        double sum = 0.0;
        for (long i = from; i < to; ++i) {
            long j = i + lag;
            if (j < 0 || j >= out.frames()) continue;
            sum += in.at(i, 0) * out.at(j, 0);
        }
        if (sum > bestValue) {
            bestValue = sum;
            best = lag;
        }
    }
    return best;
}

Wav noise(int channels, double seconds, double level, int rate = 44100) {
    Wav w;
    w.rate = rate;
    w.channels = channels;
    uint32_t s = 12345;
    long n = (long)(seconds * rate);
    for (long i = 0; i < n * channels; ++i) {
        s = s * 1664525u + 1013904223u;
        w.samples.push_back(level * ((double)(s >> 8) / (double)(1u << 24) * 2.0 - 1.0));
    }
    return w;
}

std::string preset(const std::string& name, const std::vector<float>& values, char kind = '!') {
    std::string f = "LMEZ";
    f += kind;
    std::string n = name;
    n.resize(24, '\0');
    f += n;
    for (float v : values) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        put32(f, u);
    }
    return f;
}

std::vector<float> defaultValues() {
    // Edition 2's "Default" program.
    std::vector<float> v(42, 0.0f);
    v[0] = 1; v[2] = 1; v[3] = 1; v[4] = 0.5f; v[6] = 1; v[7] = 0.5f; v[8] = 0.5f; v[9] = 0.5f;
    v[10] = 1; v[11] = 0.5f; v[12] = 1; v[13] = 0.5f; v[14] = 0.5f;
    for (int k = 15; k <= 21; ++k) v[k] = 0.5f;
    v[24] = 1; v[29] = 1;
    return v;
}

}  // namespace

TEST(Render, LimitsALoudSineToTheCeiling) {
    TempDir dir;
    writeWav(dir / "sine.wav", sine(2, 1.0, 997.0, 2.0));
    for (const char* edition : {"2", "1"}) {
        SCOPED_TRACE(std::string("edition ") + edition);
        Wav out;
        ASSERT_TRUE(renderAndRead(dir, dir / "sine.wav", dir / "out.wav",
                                  {"--edition", edition, "--program", "Default", "--align"}, out));
        ASSERT_EQ(out.frames(), 44100);
        // Knee 0, Drive 0 dB, Ceiling 0 dB: never above full scale, and a steady
        // sine of peak 2.0 settles 0.1 dB under it.
        EXPECT_LE(peakOf(out), 1.0);
        EXPECT_NEAR(peakOf(out, 22050, 44100), 1.0 / 1.0115795, 0.004);

        Wav low;
        ASSERT_TRUE(renderAndRead(dir, dir / "sine.wav", dir / "low.wav",
                                  {"--edition", edition, "--program", "1", "--set", "Ceiling=-6dB"}, low));
        const double ceiling = std::pow(10.0, -6.0 / 20.0);
        EXPECT_LE(peakOf(low), ceiling * 1.001);
        EXPECT_GT(peakOf(low, 22050, 44100), ceiling * 0.97);
    }
}

TEST(Render, AlignRemovesTheReportedLatency) {
    TempDir dir;
    const Wav in = noise(2, 1.0, 0.05);
    writeWav(dir / "in.wav", in);
    for (const char* edition : {"2", "1"}) {
        SCOPED_TRACE(std::string("edition ") + edition);
        auto plain = runTool({"render", dir / "in.wav", dir / "plain.wav", "--edition", edition}, dir);
        auto aligned = runTool({"render", dir / "in.wav", dir / "aligned.wav", "--edition", edition, "--align"}, dir);
        ASSERT_EQ(plain.exitCode, 0) << plain.err;
        ASSERT_EQ(aligned.exitCode, 0) << aligned.err;
        const long latency = latencyFrom(plain.out);
        EXPECT_EQ(latency, std::string(edition) == "2" ? 639 : 127) << plain.out;
        Wav p, a;
        ASSERT_TRUE(readWav(dir / "plain.wav", p));
        ASSERT_TRUE(readWav(dir / "aligned.wav", a));
        EXPECT_EQ(p.frames(), in.frames());
        EXPECT_EQ(a.frames(), in.frames());
        EXPECT_EQ(bestLag(in, p, 700, 2000, 12000), latency);
        EXPECT_EQ(bestLag(in, a, 700, 2000, 12000), 0);
        // The tail is kept: the last frames line up too.
        EXPECT_EQ(bestLag(in, a, 50, in.frames() - 3000, in.frames()), 0);
        // Bypassed, the plug-in only delays; aligned, that delay is gone and
        // the output equals the input sample for sample.
        Wav b;
        ASSERT_TRUE(renderAndRead(dir, dir / "in.wav", dir / "bypassed.wav",
                                  {"--edition", edition, "--align", "--set", "Process=Off"}, b));
        ASSERT_EQ(b.samples.size(), in.samples.size());
        double worst = 0.0;
        for (size_t i = 0; i < in.samples.size(); ++i) worst = std::fmax(worst, std::fabs(b.samples[i] - (double)(float)in.samples[i]));
        EXPECT_LT(worst, 1e-12);
    }
}

TEST(Render, MonoFileStaysMonoAndIsProcessed) {
    TempDir dir;
    Wav in = sine(1, 0.5, 440.0, 0.9);
    in.isFloat = false;
    in.bits = 16;
    writeWav(dir / "mono.wav", in);
    auto r = runTool({"render", dir / "mono.wav", dir / "out.wav", "--set", "Drive=+12dB", "--align"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1 ch 44100 Hz"), std::string::npos) << r.out;
    Wav out;
    ASSERT_TRUE(readWav(dir / "out.wav", out));
    EXPECT_EQ(out.channels, 1);
    EXPECT_EQ(out.frames(), in.frames());
    EXPECT_TRUE(out.isFloat);  // 32-bit float is the default for .wav
    EXPECT_LE(peakOf(out), 1.0);
    EXPECT_GT(peakOf(out, 11025, 22050), 0.95);  // 12 dB of drive pushes it to the ceiling

    // --format same keeps the input's 16-bit samples.
    Wav same;
    ASSERT_TRUE(renderAndRead(dir, dir / "mono.wav", dir / "same.wav", {"--format", "same"}, same));
    EXPECT_EQ(same.bits, 16);
    EXPECT_FALSE(same.isFloat);
}

TEST(Render, BadInputFailsWithItsMessageAndLeavesNoOutput) {
    TempDir dir;
    writeWav(dir / "in.wav", sine(2, 0.2, 440.0, 0.5));
    writeWav(dir / "three.wav", sine(3, 0.1, 440.0, 0.5));
    std::ofstream(dir / "text.wav") << "this is not audio\n";
    std::ofstream(dir / "bad.zev", std::ios::binary) << preset("x", defaultValues(), '7');
    std::ofstream(dir / "short.zvb", std::ios::binary) << preset("x", defaultValues(), '7');
    std::filesystem::create_directory(dir / "folder.wav");
    std::ofstream(dir / "keep.wav") << "previous contents";
    writeWav(dir / "empty.wav", Wav{});
    writeWav(dir / "low.wav", sine(2, 0.2, 440.0, 0.5, 16000));
    // A file cut short: the header promises 0.5 s, the data stops after 0.2 s.
    writeWav(dir / "cut.wav", sine(2, 0.5, 440.0, 0.5));
    std::filesystem::resize_file(dir / "cut.wav", 44 + 8 * 8820);

    const std::string in = dir / "in.wav", out = dir / "out.wav";
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"render", dir / "missing.wav", out}, "No such file"},
        {{"render", dir / "text.wav", out}, "not an audio file"},
        {{"render", dir / "three.wav", out}, "3 channels"},
        {{"render", dir / "empty.wav", out}, "holds no audio"},
        {{"render", dir / "low.wav", out}, "16000 Hz is outside the rates"},
        {{"render", dir / "cut.wav", out}, "ends 13230 frames (0.300 s) before its header says"},
        {{"render", in, dir / "out.xyz"}, "cannot tell the output format"},
        {{"render", in, dir / "nowhere/out.wav"}, "cannot write"},
        {{"render", in, dir / "folder.wav"}, "directory"},
        {{"render", in, out, "--set", "Loudness=0.5"}, "unknown parameter 'Loudness'"},
        {{"render", in, out, "--set", "Drive=1.5"}, "out of range"},
        {{"render", in, out, "--set", "Drive=+40dB"}, "out of range"},
        {{"render", in, out, "--set", "Drive=100Hz"}, "not shown in Hz"},
        {{"render", in, out, "--set", "Mode=Triple"}, "not a number"},
        {{"render", in, out, "--set", "77=0.5"}, "out of range"},
        {{"render", in, out, "--program", "No Such Program"}, "unknown program"},
        {{"render", in, out, "--program", "31"}, "no factory program 31"},
        {{"render", in, out, "--preset", dir / "bad.zev"}, "Not a preset file"},
        {{"render", in, out, "--preset", dir / "missing.zev"}, "No such file"},
        {{"render", in, out, "--bank", dir / "short.zvb", "--program", "3"}, "ends before program 3"},
        {{"render", in, out, "--plugin", dir / "text.wav"}, "cannot load library"},
        {{"render", in, out, "--format", "mp3"}, "--format"},
        {{"render", in, dir / "out.ogg", "--format", "pcm24"}, "cannot hold"},
        {{"render", in, dir / "keep.wav", "--set", "Nope=1"}, "unknown parameter"},
        {{"render", in}, "give an input and an output"},
    };
    for (auto& c : cases) {
        std::string line;
        for (auto& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        auto r = runTool(c.args, dir);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("emberline: "), std::string::npos) << r.err;
        // One line of error (the usage text comes only with a missing argument).
        if (c.args.size() > 2) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
        EXPECT_FALSE(fileExists(out));
        EXPECT_FALSE(fileExists(dir / "out.xyz"));
        EXPECT_FALSE(fileExists(dir / "out.ogg"));
    }
    EXPECT_EQ(readText(dir / "keep.wav"), "previous contents");
    // No temporary file was left behind.
    for (auto& name : dir.files()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST(Render, ParametersSetByNameAndUnitReachThePlugin) {
    TempDir dir;
    writeWav(dir / "in.wav", sine(2, 0.1, 440.0, 0.5));
    auto r = runTool({"render", dir / "in.wav", dir / "out.wav", "--show-params", "--set", "drive=+6dB",
                      "--set", " KNEE = 25% ", "--set", "10=8000Hz", "--set", "LowFreq=200Hz", "--set",
                      "Mode=multiband", "--set", "Ceiling=-3.5dB", "--set", "12=0.25", "--set",
                      "MonoStereo=Mono"},
                     dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(paramLine(r.out, "Drive").find("Drive = 6.00 dB"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Knee").find("Knee = 25.0 %"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "HighFreq").find("HighFreq = 8000 Hz"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "LowFreq").find("LowFreq = 200.0 Hz"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Mode").find("Mode = MultiBand"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Ceiling").find("Ceiling = -3.50 dB"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Mix").find("Mix = 25.0 %"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Mono Stereo").find("Mono Stereo = Mono"), std::string::npos) << r.out;
    // The value found for a unit is the middle of the values shown so, not an edge.
    EXPECT_NE(paramLine(r.out, "Drive").find("(0.625)"), std::string::npos) << r.out;

    // The first edition lays its parameters out differently; names still work.
    r = runTool({"render", dir / "in.wav", dir / "out.wav", "--edition", "1", "--show-params", "--set",
                 "FineTune=50%", "--set", "Drive=+3dB", "--set", "Brickwall=Off"},
                dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(paramLine(r.out, "FineTune").rfind("param 28: FineTune = 50 %", 0), 0u) << r.out;
    EXPECT_NE(paramLine(r.out, "Drive").find("Drive = 3.00 dB"), std::string::npos) << r.out;
    EXPECT_EQ(paramLine(r.out, "Brickwall").rfind("param 34: Brickwall = Off", 0), 0u) << r.out;
}

TEST(Render, FactoryProgramsPresetAndBankFilesLoad) {
    TempDir dir;
    writeWav(dir / "in.wav", sine(2, 0.1, 440.0, 0.5));
    const std::string in = dir / "in.wav", out = dir / "out.wav";

    auto r = runTool({"render", in, out, "--show-params", "--program", "mix finalize 1"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(paramLine(r.out, "Drive").find("= 7.20 dB"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Mode").find("= MultiBand"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "HighRel").find("= 0.25"), std::string::npos) << r.out;
    // A --set after the program changes only that parameter.
    r = runTool({"render", in, out, "--show-params", "--program", "8", "--set", "Knee=50%"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(paramLine(r.out, "Drive").find("= 7.20 dB"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Knee").find("= 50.0 %"), std::string::npos) << r.out;

    // A full preset file.
    std::vector<float> values = defaultValues();
    values[4] = 0.75f;   // Drive +12 dB
    values[5] = 0.3f;    // Knee 30 %
    values[35] = 0.7f;   // a placeholder: carried, without effect
    std::ofstream(dir / "hot.zev", std::ios::binary) << preset("Hot", values);
    r = runTool({"render", in, out, "--show-params", "--preset", dir / "hot.zev"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(paramLine(r.out, "Drive").find("= 12.00 dB"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Knee").find("= 30.0 %"), std::string::npos) << r.out;

    // A legacy preset carries values 0..29; the rest keep what the plug-in has.
    std::vector<float> legacy(values.begin(), values.begin() + 30);
    legacy[29] = 0.0f;  // Brickwall off
    std::ofstream(dir / "old.zev", std::ios::binary) << preset("Old", legacy);
    ASSERT_EQ(std::filesystem::file_size(dir / "old.zev"), 149u);
    r = runTool({"render", in, out, "--show-params", "--preset", dir / "old.zev"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(paramLine(r.out, "Drive").find("= 12.00 dB"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "Brickwall").find("= Off"), std::string::npos) << r.out;
    EXPECT_NE(paramLine(r.out, "L R").find("= OO-O"), std::string::npos) << r.out;

    // A bank of 31 programs; program 5 is picked by number and by name.
    std::string bank = "LMEZ7";
    for (int p = 0; p < 31; ++p) {
        std::vector<float> v = defaultValues();
        v[4] = p == 5 ? 0.625f : 0.5f;
        std::string record = preset(p == 5 ? "Five" : "Other " + std::to_string(p), v).substr(5);
        bank += record;
    }
    ASSERT_EQ(bank.size(), 5957u);
    std::ofstream(dir / "b.zvb", std::ios::binary) << bank;
    for (const char* pick : {"5", "five"}) {
        r = runTool({"render", in, out, "--show-params", "--bank", dir / "b.zvb", "--program", pick}, dir);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(paramLine(r.out, "Drive").find("= 6.00 dB"), std::string::npos) << r.out;
    }
    r = runTool({"render", in, out, "--show-params", "--bank", dir / "b.zvb"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(paramLine(r.out, "Drive").find("= 0.00 dB"), std::string::npos) << r.out;
    r = runTool({"render", in, out, "--bank", dir / "b.zvb", "--program", "31"}, dir);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("holds programs 0..30"), std::string::npos) << r.err;
}

TEST(Render, FloatAndDoublePathsAgree) {
    TempDir dir;
    auto r = runTool({"demo", dir / "demo.wav", "--seconds", "1"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* program : {"Mix Finalize 1", "Guitar Track"}) {
        SCOPED_TRACE(program);
        auto a = runTool({"render", dir / "demo.wav", dir / "f.wav", "--program", program}, dir);
        auto b = runTool({"render", dir / "demo.wav", dir / "d.wav", "--format", "double", "--program", program,
                          "--double", "--block", "333"},
                         dir);
        ASSERT_EQ(a.exitCode, 0) << a.err;
        ASSERT_EQ(b.exitCode, 0) << b.err;
        Wav f, d, in;
        ASSERT_TRUE(readWav(dir / "f.wav", f));
        ASSERT_TRUE(readWav(dir / "d.wav", d));
        ASSERT_TRUE(readWav(dir / "demo.wav", in));
        ASSERT_EQ(f.samples.size(), d.samples.size());
        EXPECT_EQ(d.bits, 64);
        double worst = 0.0, changed = 0.0;
        for (size_t i = 0; i < f.samples.size(); ++i) worst = std::fmax(worst, std::fabs(f.samples[i] - d.samples[i]));
        for (size_t i = 639 * 2; i < f.samples.size(); ++i)
            changed = std::fmax(changed, std::fabs(f.samples[i] - in.samples[i - 639 * 2]));
        EXPECT_LT(worst, 1e-6);  // single-precision rounding of the output only
        EXPECT_GT(changed, 0.05);  // and the programme really was processed
    }
}

TEST(Render, OtherFormatsRoundTrip) {
    TempDir dir;
    writeWav(dir / "in.wav", sine(2, 0.5, 440.0, 0.5, 48000));
    for (const char* ext : {"flac", "aiff", "ogg"}) {
        SCOPED_TRACE(ext);
        std::string mid = dir / (std::string("mid.") + ext);
        auto r = runTool({"render", dir / "in.wav", mid, "--set", "Process=Off"}, dir);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        r = runTool({"render", mid, dir / "back.wav", "--set", "Process=Off"}, dir);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("2 ch 48000 Hz WAV float"), std::string::npos) << r.out;
        Wav back;
        ASSERT_TRUE(readWav(dir / "back.wav", back));
        EXPECT_EQ(back.rate, 48000);
        EXPECT_EQ(back.frames(), 24000);
    }
}

TEST(Render, PlotSummaryAndProgressBar) {
    TempDir dir;
    writeWav(dir / "in.wav", sine(2, 0.5, 100.0, 1.4));
    auto r = runTool({"render", dir / "in.wav", dir / "out.wav", "--plot", dir / "out.png", "--program", "Default"},
                     dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readText(dir / "out.png").substr(1, 3), "PNG");
    // A summary line with the input's and the output's levels, and one with their loudness.
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
    EXPECT_EQ(r.out.find("loudness: in "), r.out.find('\n') + 1) << r.out;
    EXPECT_NE(r.out.find("in peak +2.92 dBFS"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("RMS -0.09 dBFS, crest 3.01 dB"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("real time"), std::string::npos) << r.out;
    // Standard error is not a terminal here: no progress bar.
    EXPECT_EQ(r.err, "");

    // On a terminal (script(1) provides one) the bar runs to 100 % and is
    // cleared before the summary.
    std::string cmd = "script -qec " +
                      shellQuoted(shellQuoted(EMBERLINE_TOOL_PATH) + " render " + shellQuoted(dir / "in.wav") + " " +
                                  shellQuoted(dir / "tty.wav")) +
                      " /dev/null > " + shellQuoted(dir / "tty.txt") + " 2>&1 </dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string screen = readText(dir / "tty.txt");
    EXPECT_NE(screen.find("[########################################] 100%"), std::string::npos) << screen;
    EXPECT_LT(screen.find("100%"), screen.find("tty.wav: 2 ch")) << screen;

    r = runTool({"render", dir / "in.wav", dir / "out2.wav", "--plot", dir / "out.svg"}, dir);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(fileExists(dir / "out2.wav"));
}

TEST(Bench, TimesEitherEditionThroughTheInterface) {
    TempDir dir;
    auto r = runTool({"bench", "--seconds", "0.5", "--runs", "1", "--program", "Mix Finalize 1"}, dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Emberline2x64.so: 32-bit, block 512, 44100 Hz, 0.50 s stereo, program Mix Finalize 1: "),
              std::string::npos)
        << r.out;
    auto ns = r.out.find(" ns/frame, ");
    ASSERT_NE(ns, std::string::npos) << r.out;
    EXPECT_GT(std::strtod(r.out.c_str() + r.out.rfind(": ", ns) + 2, nullptr), 0.0) << r.out;
    EXPECT_GT(std::strtod(r.out.c_str() + ns + 11, nullptr), 1.0) << r.out;  // faster than real time
    r = runTool({"bench", "--seconds", "0.5", "--runs", "1", "--plugin", EMBERLINE1_PATH, "--double", "--block", "64"},
                dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Emberline_x64.so: 64-bit, block 64"), std::string::npos) << r.out;
    r = runTool({"bench", "--seconds", "-1"}, dir);
    EXPECT_NE(r.exitCode, 0);
}

TEST(Render, TruncatedFilesOnRequestAndPluginsNamedWithoutAFolder) {
    TempDir dir;
    writeWav(dir / "cut.wav", sine(2, 0.5, 440.0, 0.5));
    std::filesystem::resize_file(dir / "cut.wav", 44 + 8 * 8820);
    auto r = runTool({"render", dir / "cut.wav", dir / "out.wav", "--allow-truncated", "--quiet"}, dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("ends 13230 frames"), std::string::npos) << r.err;
    Wav out;
    ASSERT_TRUE(readWav(dir / "out.wav", out));
    EXPECT_EQ(out.frames(), 8820);

    // A library named without a folder is the file in the working folder.
    std::filesystem::copy_file(EMBERLINE2_PATH, dir / "Emberline2x64.so");
    r = runTool({"info", "Emberline2x64.so"}, dir, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("parameters:  42"), std::string::npos) << r.out;
    r = runTool({"info", "Emberline_x64.so"}, dir, dir.path());
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("Emberline_x64.so: cannot load library"), std::string::npos) << r.err;
}

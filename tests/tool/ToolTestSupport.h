// Helpers for the end-to-end tests of the command-line host: running the built
// tool, and writing and reading the WAV files it is given and writes (by hand,
// so that the tests do not share the tool's file code).
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace tooltest {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

inline std::string readText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// A scratch directory per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        char templ[] = "/tmp/emberline-tool-test-XXXXXX";
        path_ = mkdtemp(templ);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Names of the files in the directory, sorted.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

// Runs the tool with args in the folder cwd (default: the test's working folder).
inline RunResult runTool(const std::vector<std::string>& args, const TempDir& dir, const std::string& cwd = "") {
    std::string cmd = (cwd.empty() ? "" : "cd " + shellQuoted(cwd) + " && ") + shellQuoted(EMBERLINE_TOOL_PATH);
    for (auto& a : args) cmd += " " + shellQuoted(a);
    std::string outFile = dir.path() + "/../" + std::filesystem::path(dir.path()).filename().string() + ".stdout";
    std::string errFile = outFile.substr(0, outFile.size() - 7) + ".stderr";
    cmd += " >" + shellQuoted(outFile) + " 2>" + shellQuoted(errFile) + " </dev/null";
    RunResult r;
    int status = std::system(cmd.c_str());
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readText(outFile);
    r.err = readText(errFile);
    std::remove(outFile.c_str());
    std::remove(errFile.c_str());
    return r;
}

struct Wav {
    int rate = 44100;
    int channels = 2;
    int bits = 32;         // 16 or 24 (PCM) or 32 (float)
    bool isFloat = true;
    std::vector<double> samples;  // interleaved
    long frames() const { return channels ? (long)samples.size() / channels : 0; }
    double at(long frame, int c) const { return samples[(size_t)frame * channels + c]; }
};

inline void put16(std::string& s, uint16_t v) { s.append({(char)(v & 0xff), (char)(v >> 8)}); }
inline void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += (char)((v >> (8 * i)) & 0xff);
}

inline void writeWav(const std::string& path, const Wav& w) {
    const int bytes = w.bits / 8;
    std::string data;
    for (double x : w.samples) {
        if (w.isFloat) {
            float f = (float)x;
            uint32_t u;
            std::memcpy(&u, &f, 4);
            put32(data, u);
        } else {
            double scale = w.bits == 16 ? 32768.0 : 8388608.0;
            long v = std::lround(std::fmax(-1.0, std::fmin(x, 1.0 - 1.0 / scale)) * scale);
            for (int i = 0; i < bytes; ++i) data += (char)((v >> (8 * i)) & 0xff);
        }
    }
    std::string f = "RIFF";
    put32(f, (uint32_t)(36 + data.size()));
    f += "WAVEfmt ";
    put32(f, 16);
    put16(f, w.isFloat ? 3 : 1);
    put16(f, (uint16_t)w.channels);
    put32(f, (uint32_t)w.rate);
    put32(f, (uint32_t)(w.rate * w.channels * bytes));
    put16(f, (uint16_t)(w.channels * bytes));
    put16(f, (uint16_t)w.bits);
    f += "data";
    put32(f, (uint32_t)data.size());
    f += data;
    std::ofstream(path, std::ios::binary) << f;
}

inline uint32_t get32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | (unsigned char)s[at + i];
    return v;
}
inline uint16_t get16(const std::string& s, size_t at) {
    return (uint16_t)((unsigned char)s[at] | ((unsigned char)s[at + 1] << 8));
}

// Reads PCM 16/24/32 and float WAV files, walking the chunks; false if the
// file is not such a WAV.
inline bool readWav(const std::string& path, Wav& w) {
    std::string f = readText(path);
    if (f.size() < 12 || f.compare(0, 4, "RIFF") != 0 || f.compare(8, 4, "WAVE") != 0) return false;
    size_t pos = 12;
    int format = 0;
    bool haveFormat = false;
    while (pos + 8 <= f.size()) {
        std::string id = f.substr(pos, 4);
        uint32_t size = get32(f, pos + 4);
        size_t body = pos + 8;
        if (id == "fmt ") {
            format = get16(f, body);
            w.channels = get16(f, body + 2);
            w.rate = (int)get32(f, body + 4);
            w.bits = get16(f, body + 14);
            if (format == 0xfffe) format = get16(f, body + 24);
            w.isFloat = format == 3;
            haveFormat = true;
        } else if (id == "data" && haveFormat) {
            const int bytes = w.bits / 8;
            size_t n = std::min<size_t>(size, f.size() - body) / bytes;
            w.samples.resize(n);
            for (size_t i = 0; i < n; ++i) {
                size_t at = body + i * bytes;
                if (w.isFloat && bytes == 4) {
                    uint32_t u = get32(f, at);
                    float x;
                    std::memcpy(&x, &u, 4);
                    w.samples[i] = x;
                } else if (w.isFloat && bytes == 8) {
                    uint64_t u = (uint64_t)get32(f, at) | ((uint64_t)get32(f, at + 4) << 32);
                    double x;
                    std::memcpy(&x, &u, 8);
                    w.samples[i] = x;
                } else {
                    long v = 0;
                    for (int b = bytes - 1; b >= 0; --b) v = (v << 8) | (unsigned char)f[at + b];
                    long sign = 1L << (8 * bytes - 1);
                    v = (v ^ sign) - sign;
                    w.samples[i] = (double)v / (double)sign;
                }
            }
            return true;
        }
        pos = body + size + (size & 1);
    }
    return false;
}

// Renders input to output with the given options and reads what it wrote;
// a failure with the tool's messages when it fails or its file does not read.
inline ::testing::AssertionResult renderAndRead(const TempDir& dir, const std::string& input,
                                                const std::string& output, std::vector<std::string> options,
                                                Wav& result) {
    options.insert(options.begin(), {"render", input, output});
    RunResult r = runTool(options, dir);
    if (r.exitCode != 0) return ::testing::AssertionFailure() << "exit code " << r.exitCode << ": " << r.err;
    if (!readWav(output, result)) return ::testing::AssertionFailure() << output << " does not read";
    return ::testing::AssertionSuccess();
}

inline Wav sine(int channels, double seconds, double hz, double peak, int rate = 44100) {
    Wav w;
    w.rate = rate;
    w.channels = channels;
    long n = (long)(seconds * rate);
    for (long i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            w.samples.push_back(peak * std::sin(2 * 3.14159265358979323846 * hz * i / rate + c * 0.3));
    return w;
}

inline double peakOf(const Wav& w, long from = 0, long to = -1) {
    if (to < 0) to = w.frames();
    double p = 0.0;
    for (long i = from; i < to; ++i)
        for (int c = 0; c < w.channels; ++c) p = std::fmax(p, std::fabs(w.at(i, c)));
    return p;
}

inline bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The line "param N: Name = text (value)" for a parameter name, from --show-params output.
inline std::string paramLine(const std::string& out, const std::string& name) {
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        auto colon = line.find(": ");
        if (line.rfind("param ", 0) == 0 && colon != std::string::npos &&
            line.compare(colon + 2, name.size() + 3, name + " = ") == 0)
            return line;
    }
    return "";
}

}  // namespace tooltest

#include "presets/SettingsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "presets/CProgram.h"

namespace presets {

const char* const kProductKey = "SOFTWARE\\Zevsound\\Emberline20";
const char* const kMemoAKey = "SOFTWARE\\Zevsound\\Emberline20\\MemoA";
const char* const kMemoBKey = "SOFTWARE\\Zevsound\\Emberline20\\MemoB";

namespace {

constexpr std::size_t kMaxFileSize = 1 << 20;  // far beyond any real key
constexpr std::size_t kMaxNameSize = 256;
constexpr std::size_t kMaxDataSize = 4096;

std::atomic<unsigned> tempCounter{0};

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

bool readFile(const std::string& file, std::string& text) {
    Fd f(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (f.fd < 0) return false;
    struct stat st;
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    text.clear();
    char buf[8192];
    while (text.size() < kMaxFileSize) {
        ssize_t n = ::read(f.fd, buf, sizeof(buf));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        text.append(buf, (std::size_t)n);
    }
    if (text.size() > kMaxFileSize) text.resize(kMaxFileSize);
    return true;
}

bool writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= (std::size_t)n;
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Parses a quoted string starting at line[pos] == '"'; pos ends after the
// closing quote.
bool parseQuoted(const std::string& line, std::size_t& pos, std::string& out, std::size_t limit) {
    if (pos >= line.size() || line[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < line.size()) {
        char c = line[pos++];
        if (c == '"') return true;
        if (c == '\\') {
            if (pos >= line.size()) return false;
            char e = line[pos++];
            if (e == '\\' || e == '"') {
                c = e;
            } else if (e == 'x') {
                if (pos + 2 > line.size()) return false;
                int hi = hexDigit(line[pos]), lo = hexDigit(line[pos + 1]);
                if (hi < 0 || lo < 0) return false;
                c = (char)(hi * 16 + lo);
                pos += 2;
            } else {
                return false;
            }
        }
        if (out.size() >= limit) return false;
        out.push_back(c);
    }
    return false;  // no closing quote
}

void appendQuoted(std::string& out, const std::string& s) {
    out.push_back('"');
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back((char)c);
        } else if (c < 0x20 || c == 0x7f) {
            char buf[5];
            std::snprintf(buf, sizeof(buf), "\\x%02x", c);
            out += buf;
        } else {
            out.push_back((char)c);
        }
    }
    out.push_back('"');
}

bool parseLine(const std::string& line, StoreValues& values) {
    std::size_t pos = 0;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    std::string name;
    if (!parseQuoted(line, pos, name, kMaxNameSize)) return false;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    while (pos < line.size() && isBlank(line[pos])) ++pos;

    StoreValue value;
    if (line.compare(pos, 4, "hex:") == 0) {
        pos += 4;
        value.type = StoreValue::Type::Binary;
        bool expectByte = true;
        while (pos < line.size()) {
            char c = line[pos];
            if (isBlank(c)) {
                ++pos;
                continue;
            }
            if (expectByte) {
                if (pos + 2 > line.size()) return false;
                int hi = hexDigit(line[pos]), lo = hexDigit(line[pos + 1]);
                if (hi < 0 || lo < 0) return false;
                if (value.data.size() >= kMaxDataSize) return false;
                value.data.push_back((unsigned char)(hi * 16 + lo));
                pos += 2;
                expectByte = false;
            } else {
                if (c != ',') return false;
                ++pos;
                expectByte = true;
            }
        }
        if (expectByte && !value.data.empty()) return false;  // trailing comma
    } else if (pos < line.size() && line[pos] == '"') {
        std::string s;
        if (!parseQuoted(line, pos, s, kMaxDataSize)) return false;
        while (pos < line.size() && isBlank(line[pos])) ++pos;
        if (pos != line.size()) return false;
        value.type = StoreValue::Type::String;
        value.data.assign(s.begin(), s.end());
    } else {
        return false;
    }
    values[name] = std::move(value);
    return true;
}

}  // namespace

StoreValue StoreValue::binaryFloat(float v) {
    StoreValue s;
    s.type = Type::Binary;
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int i = 0; i < 4; ++i) s.data.push_back((unsigned char)(bits >> (8 * i)));
    return s;
}

StoreValue StoreValue::string(const std::string& str) {
    StoreValue s;
    s.type = Type::String;
    s.data.assign(str.begin(), str.end());
    return s;
}

SettingsKey::SettingsKey(std::string keyPath) : path(std::move(keyPath)) {}

std::string SettingsKey::configRoot() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config";
    return {};
}

std::string SettingsKey::filePath() const {
    std::string root = configRoot();
    if (root.empty()) return {};
    // Key components become folders; "SOFTWARE" is the root itself. Components
    // that could leave the root are dropped.
    std::string rel;
    std::size_t start = 0;
    bool first = true;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        bool skip = part.empty() || part == "." || part == ".." ||
                    part.find('/') != std::string::npos || (first && part == "SOFTWARE");
        if (!skip) {
            if (!rel.empty()) rel += '/';
            rel += part;
        }
        first = false;
        start = end + 1;
    }
    if (rel.empty()) return {};
    return root + "/" + rel + ".reg";
}

std::string SettingsKey::format(const std::string& keyPath, const StoreValues& values) {
    std::string out = "; Emberline user settings and memo slots\n[" + keyPath + "]\n";
    for (const auto& [name, value] : values) {
        appendQuoted(out, name);
        out.push_back('=');
        if (value.type == StoreValue::Type::Binary) {
            out += "hex:";
            for (std::size_t i = 0; i < value.data.size(); ++i) {
                char buf[4];
                std::snprintf(buf, sizeof(buf), "%s%02x", i ? "," : "", value.data[i]);
                out += buf;
            }
        } else {
            appendQuoted(out, std::string(value.data.begin(), value.data.end()));
        }
        out.push_back('\n');
    }
    return out;
}

void SettingsKey::parse(const char* text, std::size_t size, StoreValues& values) {
    if (!text) return;
    std::size_t start = 0;
    std::string line;
    while (start < size) {
        const void* nl = std::memchr(text + start, '\n', size - start);
        std::size_t end = nl ? (std::size_t)((const char*)nl - text) : size;
        line.assign(text + start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        parseLine(line, values);  // lines that do not parse are skipped
        start = end + 1;
    }
}

bool SettingsKey::read(StoreValues& values) const {
    values.clear();
    try {
        std::string file = filePath();
        if (file.empty()) return false;
        std::string text;
        if (!readFile(file, text)) return false;
        parse(text.data(), text.size(), values);
        return true;
    } catch (...) {
        values.clear();
        return false;
    }
}

bool SettingsKey::write(const StoreValues& updates) const {
    std::string temp;
    try {
        std::string file = filePath();
        if (file.empty()) return false;
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);

        Fd lock(::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (lock.fd < 0) return false;
        while (::flock(lock.fd, LOCK_EX) != 0) {
            if (errno != EINTR) return false;
        }
        // The lock is released when the descriptor closes.

        StoreValues merged;
        std::string text;
        if (readFile(file, text)) parse(text.data(), text.size(), merged);
        for (const auto& [name, value] : updates) merged[name] = value;
        text = format(path, merged);

        temp = file + ".tmp." + std::to_string((long)::getpid()) + "." +
               std::to_string(tempCounter.fetch_add(1));
        bool ok;
        {
            Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
            if (out.fd < 0) return false;
            ok = writeAll(out.fd, text) && ::fsync(out.fd) == 0;
            ok = (::close(out.fd) == 0) && ok;
            out.fd = -1;
        }
        if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
        if (!ok) ::unlink(temp.c_str());
        return ok;
    } catch (...) {
        if (!temp.empty()) ::unlink(temp.c_str());
        return false;
    }
}

bool storeValueAsFloat(const StoreValues& values, const std::string& name, float& out) {
    auto it = values.find(name);
    if (it == values.end()) return false;
    const StoreValue& v = it->second;
    if (v.type != StoreValue::Type::Binary || v.data.size() != 4) return false;
    std::uint32_t bits = (std::uint32_t)v.data[0] | ((std::uint32_t)v.data[1] << 8) |
                         ((std::uint32_t)v.data[2] << 16) | ((std::uint32_t)v.data[3] << 24);
    float f;
    std::memcpy(&f, &bits, 4);
    if (!std::isfinite(f)) return false;
    out = f;
    return true;
}

std::string memoValueName(int index) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "param%3d", index);
    return buf;
}

const char* settingValueName(int edition, int id) {
    static const char* const names[6] = {"vuintegration", "vureference", "ppmintegration",
                                         "ppmreturn",     "overcounter", "knobmode"};
    int first = edition == 2 ? 43 : edition == 1 ? 49 : -1;
    if (first < 0 || id < first || id >= first + 6) return nullptr;
    return names[id - first];
}

float loadSettingForEdition(int edition, int id, float fallback) {
    const char* name = settingValueName(edition, id);
    if (!name) return fallback;
    try {
        StoreValues values;
        if (!SettingsKey(kProductKey).read(values)) return fallback;
        float v;
        if (!storeValueAsFloat(values, name, v)) return fallback;
        return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
    } catch (...) {
        return fallback;
    }
}

bool saveSettingsForEdition(int edition, const int* ids, const float* values, int count) {
    if (!ids || !values || count <= 0) return false;
    try {
        StoreValues updates;
        for (int i = 0; i < count; ++i) {
            const char* name = settingValueName(edition, ids[i]);
            if (name) updates[name] = StoreValue::binaryFloat(values[i]);
        }
        if (updates.empty()) return false;
        return SettingsKey(kProductKey).write(updates);
    } catch (...) {
        return false;
    }
}

bool saveSettingForEdition(int edition, int id, float value) {
    return saveSettingsForEdition(edition, &id, &value, 1);
}

float loadSetting(int id, float fallback) { return loadSettingForEdition(kEdition, id, fallback); }

bool saveSetting(int id, float value) { return saveSettingForEdition(kEdition, id, value); }

}  // namespace presets

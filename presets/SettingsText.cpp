// The text form of a settings key, in the style of a registry export.
#include "presets/SettingsText.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace presets {

namespace {

constexpr std::size_t kMaxNameSize = 256;
constexpr std::size_t kMaxDataSize = 4096;

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

std::string formatSettingsText(const std::string& keyPath, const StoreValues& values) {
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

void parseSettingsText(const char* text, std::size_t size, StoreValues& values) {
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

}  // namespace presets

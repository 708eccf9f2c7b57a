#include "editor/ValueFormats.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace valueformats {

namespace {
constexpr int kTextSize = 256;

// int(x) of a value that may lie outside the range of an int.
int truncated(double x) {
    if (!(x == x)) return 0;
    if (x >= 2147483647.0) return 2147483647;
    if (x <= -2147483647.0) return -2147483647;
    return (int)x;
}

void formatLevel(double a, const char* unit, char* text) {
    const int whole = truncated(a);
    const int tenth = truncated(std::fabs(a - whole) * 10.0);
    if (a >= 0.0 || a <= -1.0)
        std::snprintf(text, kTextSize, "%d.%d%s", whole, tenth, unit);
    else
        std::snprintf(text, kTextSize, "-%d.%d%s", whole, tenth, unit);
}
}  // namespace

void formatPercent(float value, char* text) {
    const double x = value;
    if (x >= 0.2)
        std::snprintf(text, kTextSize, "%d%%", truncated(100.0 * x));
    else
        std::snprintf(text, kTextSize, "%d.%d%%", truncated(100.0 * x), truncated(1000.0 * x) % 10);
}

void formatDecibel(float value, char* text) {
    if (value <= 1e-8f) {
        std::snprintf(text, kTextSize, "-oo dB");
        return;
    }
    formatLevel(20.0 * std::log10((double)value), "dB", text);
}

void formatDecibelFS(float value, char* text) {
    if (value <= 1e-8f) {
        std::snprintf(text, kTextSize, "-oo dBFS");
        return;
    }
    formatLevel(6.0 * std::log10((double)value) / std::log10(2.0), "dBFS", text);
}

void formatInteger(float value, char* text) { std::snprintf(text, kTextSize, "%d", truncated(value)); }

void formatMultiplier(float value, char* text) {
    const double x = value;
    std::snprintf(text, kTextSize, "x%d.%d%d", truncated(x), truncated(10.0 * x) % 10, truncated(100.0 * x) % 10);
}

void formatMilliseconds(float value, char* text) {
    const double x = value;
    if (x < 1e-4)
        std::snprintf(text, kTextSize, "0ms");
    else if (x < 1.0)
        std::snprintf(text, kTextSize, "%.3fms", x);
    else if (x < 10.0)
        std::snprintf(text, kTextSize, "%.2fms", x);
    else if (x < 100.0)
        std::snprintf(text, kTextSize, "%.1fms", x);
    else if (x < 1000.0)
        std::snprintf(text, kTextSize, "%.0fms", x);
    else
        std::snprintf(text, kTextSize, "%.3fs", x / 1000.0);
}

void formatLatencySamples(float value, char* text) {
    if (value >= 1.0f)
        std::snprintf(text, kTextSize, "%dsmps", truncated(value));
    else
        std::snprintf(text, kTextSize, "0smps");
}

double parseTypedNumber(const char* text) {
    if (!text) return 0.0;
    char buf[kTextSize];
    std::size_t n = 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '+') ++p;
    for (; *p && n + 1 < sizeof buf; ++p) buf[n++] = *p == ',' ? '.' : *p;
    buf[n] = 0;
    double value = 0.0;
    const auto result = std::from_chars(buf, buf + n, value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) return 0.0;
    return value;
}

}  // namespace valueformats

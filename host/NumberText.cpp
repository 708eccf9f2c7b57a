#include "host/NumberText.h"

#include <cmath>
#include <cstring>

namespace {
constexpr double kPow10[] = {1.0, 10.0, 100.0, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
constexpr int kMaxText = 24;
}  // namespace

void writeEightCharacters(double value, char* out) {
    if (!std::isfinite(value)) {
        std::strcpy(out, "Huge!");
        return;
    }
    char buf[64];
    int n = 0;
    if (value < 0) {
        buf[n++] = '-';
        value = -value;
    }
    double ip = std::floor(value);
    char digits[32];
    int nd = 0;
    do {
        double q = std::floor(ip / 10.0);
        // Far beyond the double's precision the remainder is no digit at all;
        // it is limited before the conversion, which could not represent it.
        const double r = ip - q * 10.0;
        digits[nd++] = (char)('0' + (r < 0.0 ? 0 : r > 9.0 ? 9 : (int)r));
        ip = q;
    } while (ip >= 1.0 && nd < 20);
    while (nd > 0) buf[n++] = digits[--nd];
    buf[n++] = '.';
    if (n < 8) {
        int m = 8 - n;
        double frac = value - std::floor(value);
        long long f = (long long)std::floor(frac * kPow10[m]);
        for (int i = m - 1; i >= 0; --i) {
            buf[n + i] = (char)('0' + (int)(f % 10));
            f /= 10;
        }
        n += m;
    }
    if (n > kMaxText) n = kMaxText;
    buf[n] = 0;
    std::memcpy(out, buf, (size_t)n + 1);
}

void formatFixed(float value, int decimals, char* out) {
    if (decimals < 0) decimals = 0;
    if (decimals > 2) decimals = 2;
    const double x = value;
    const double p = kPow10[decimals];
    const double f = x * p;
    const double t = std::trunc(f);
    double rounded = x;
    if (f - t >= 0.49999)
        rounded = (f + 1.0) / p;
    else if (f - t <= -0.49999)
        rounded = (f - 1.0) / p;
    writeEightCharacters(rounded, out);
    char* point = std::strchr(out, '.');
    if (!point) return;
    if (decimals == 0) {
        *point = 0;
        return;
    }
    size_t available = std::strlen(point + 1);
    if (available > (size_t)decimals) point[1 + decimals] = 0;
}

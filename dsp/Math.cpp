#include "dsp/Math.h"

#include <array>
#include <bit>
#include <cstdint>
#include <limits>

// Double-double arithmetic: a value is the unevaluated sum hi + lo with
// |lo| <= half a unit in the last place of hi. The error-free transformations
// below need round-to-nearest double arithmetic without contraction into
// fused multiply-adds (the build turns contraction off) and without excess
// precision (x86-64 computes doubles in SSE registers).

namespace dsp::math {
namespace {

struct DD {
    double hi, lo;
};

constexpr DD twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Needs |a| >= |b| (or a == 0).
constexpr DD fastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Veltkamp's split into two halves of 26 bits each.
constexpr DD split(double a) {
    const double t = 134217729.0 * a;  // 2^27 + 1
    const double hi = t - (t - a);
    return {hi, a - hi};
}

// Dekker's exact product.
constexpr DD twoProd(double a, double b) {
    const double p = a * b;
    const DD x = split(a), y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

constexpr DD add(DD a, DD b) {
    DD s = twoSum(a.hi, b.hi);
    const DD t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = fastTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return fastTwoSum(s.hi, s.lo);
}

constexpr DD add(DD a, double b) {
    DD s = twoSum(a.hi, b);
    s.lo += a.lo;
    return fastTwoSum(s.hi, s.lo);
}

constexpr DD mul(DD a, DD b) {
    DD p = twoProd(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return fastTwoSum(p.hi, p.lo);
}

constexpr DD mul(DD a, double b) {
    DD p = twoProd(a.hi, b);
    p.lo += a.lo * b;
    return fastTwoSum(p.hi, p.lo);
}

constexpr DD div(DD a, DD b) {
    const double q1 = a.hi / b.hi;
    DD r = add(a, mul(b, -q1));
    const double q2 = r.hi / b.hi;
    r = add(r, mul(b, -q2));
    const double q3 = r.hi / b.hi;
    return add(fastTwoSum(q1, q2), q3);
}

// ln 2 in three parts (together about 160 bits).
constexpr double kLn2Hi = 0x1.62e42fefa39efp-1;
constexpr double kLn2Lo = 0x1.abc9e3b39803fp-56;
constexpr double kLn2Lo2 = 0x1.7b57a079a1934p-111;
constexpr double kInvLn2 = 0x1.71547652b82fep+0;
// pi/2 in four parts, the first three of 33 bits, so that k * part is exact
// for |k| < 2^20.
constexpr double kPio2[4] = {0x1.921fb544p+0, 0x1.0b4611a6p-34, 0x1.3198a2ep-69, 0x1.b839a252049c1p-104};
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;

constexpr int kFactorials = 32;
constexpr std::array<DD, kFactorials> kInvFactorial = [] {
    std::array<DD, kFactorials> t{};
    t[0] = {1.0, 0.0};
    for (int n = 1; n < kFactorials; ++n) t[n] = div(t[n - 1], DD{static_cast<double>(n), 0.0});
    return t;
}();

// 1 / (2n + 1): the series of atanh.
constexpr int kLogTerms = 24;
constexpr int kLogExact = 8;  // (s^2)^8 / 17 < 2^-45 for |s| < 0.1716
constexpr std::array<DD, kLogTerms> kInvOdd = [] {
    std::array<DD, kLogTerms> t{};
    for (int n = 0; n < kLogTerms; ++n) t[n] = div(DD{1.0, 0.0}, DD{2.0 * n + 1.0, 0.0});
    return t;
}();

// The tail of a power series in plain double precision: sum of c[n] x^(n - from)
// for from <= n < count. Only for terms far enough below the leading one that
// its rounding errors stay under 2^-100 of the whole.
double horner(const DD* c, int count, int from, double x) {
    double sum = c[count - 1].hi;
    for (int n = count - 2; n >= from; --n) sum = sum * x + c[n].hi;
    return sum;
}

// The nearest integer for |t| <= 2^51, in round-to-nearest arithmetic.
double nearestInteger(double t) {
    constexpr double kShift = 0x1.8p52;
    return (t + kShift) - kShift;
}

double fabs(double x) { return x < 0.0 ? -x : x; }

double powerOfTwo(int k) {  // -1022 <= k <= 1023
    return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// x * 2^k for -1100 < k < 1100, rounded once.
double scale(double x, int k) {
    if (k > 1023) {
        x *= 0x1p1023;
        k -= 1023;
    } else if (k < -1022) {
        x *= 0x1p-1022;
        k += 1022;
    }
    return x * powerOfTwo(k);
}

// ln x for finite x > 0: x = 2^k m with sqrt(1/2) < m <= sqrt(2), and
// ln m = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.1716.
DD logDD(double x) {
    int k = 0;
    if (x < 0x1p-1022) {  // subnormal
        x *= 0x1p54;
        k = -54;
    }
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    k += static_cast<int>(bits >> 52) - 1023;
    double m = std::bit_cast<double>((bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull);  // [1, 2)
    if (m > 1.4142135623730951) {
        m *= 0.5;
        ++k;
    }
    const double num = m - 1.0;  // exact (Sterbenz)
    const DD s = div(DD{num, 0.0}, twoSum(m, 1.0));
    const DD z = mul(s, s);
    DD sum = {horner(kInvOdd.data(), kLogTerms, kLogExact, z.hi), 0.0};
    for (int n = kLogExact - 1; n >= 0; --n) sum = add(mul(sum, z), kInvOdd[n]);
    const DD lnM = mul(mul(s, sum), 2.0);
    if (k == 0) return lnM;
    const double kd = static_cast<double>(k);
    DD kLn2 = add(twoProd(kd, kLn2Hi), twoProd(kd, kLn2Lo));
    kLn2 = add(kLn2, kd * kLn2Lo2);
    return add(kLn2, lnM);
}

// e^x for -746 < x.hi < 710: x = k ln 2 + r, |r| <= 0.35, and a Taylor
// series of e^r.
double expDD(DD x) {
    const double kd = nearestInteger(x.hi * kInvLn2);
    DD r = add(x, twoProd(-kd, kLn2Hi));
    r = add(r, twoProd(-kd, kLn2Lo));
    r = add(r, -kd * kLn2Lo2);
    constexpr int kTerms = 25;  // 0.35^25 / 25! < 2^-120
    constexpr int kExact = 12;  // 0.35^12 / 12! < 2^-46
    DD sum = {horner(kInvFactorial.data(), kTerms, kExact, r.hi), 0.0};
    for (int n = kExact - 1; n >= 0; --n) sum = add(mul(sum, r), kInvFactorial[n]);
    return scale(sum.hi, static_cast<int>(kd));
}

constexpr double kExpOverflow = 709.8;     // e^x overflows above about 709.78
constexpr double kExpUnderflow = -745.2;  // and rounds to 0 below about -745.13

double expRange(DD x) {
    if (x.hi > kExpOverflow) return std::numeric_limits<double>::infinity();
    if (x.hi < kExpUnderflow) return 0.0;
    return expDD(x);
}

bool isInteger(double y) {
    if (!(fabs(y) < 0x1p52)) return true;  // from 2^52 on every double is an integer (caller excludes NaN, inf)
    return static_cast<double>(static_cast<std::int64_t>(y)) == y;
}

bool isOddInteger(double y) {
    if (!(fabs(y) < 0x1p53)) return false;  // from 2^53 on every double is even
    return isInteger(y) && (static_cast<std::int64_t>(y) & 1) != 0;
}

// pow for a zero, infinite or NaN base or exponent, after C's rules.
double powSpecial(double x, double y) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    if (x != x || y != y) return x + y;
    const double ax = fabs(x);
    if (y == inf || y == -inf) {
        if (ax == 1.0) return 1.0;
        return (ax > 1.0) == (y > 0.0) ? inf : 0.0;
    }
    const bool odd = isOddInteger(y);
    if (x == 0.0) {  // -0 keeps its sign for odd integer exponents
        if (y < 0.0) return odd ? 1.0 / x : inf;
        return odd ? x : 0.0;
    }
    // x is infinite
    const double magnitude = y > 0.0 ? inf : 0.0;
    return odd && x < 0.0 ? -magnitude : magnitude;
}

struct Reduced {
    DD r;   // |r| <= pi/4 and a little
    int q;  // x = q pi/2 + r (mod 2 pi)
};

Reduced reduce(double x) {
    const double t = x * kTwoOverPi;
    double kd = fabs(t) < 0x1p51 ? nearestInteger(t) : t;
    int q = 0;
    if (fabs(kd) < 0x1p60) {
        const std::int64_t k = static_cast<std::int64_t>(kd);
        kd = static_cast<double>(k);
        q = static_cast<int>(k & 3);
    }
    DD r = {x, 0.0};
    for (double part : kPio2) r = add(r, twoProd(-kd, part));
    if (!(fabs(r.hi) < 0.8)) r = {0.0, 0.0};  // only for |x| beyond 2^60
    return {r, q};
}

// sin r = r (1 - r^2/3! + r^4/5! - ...), cos r = 1 - r^2/2! + ..., |r| < 0.8.
DD sinSeries(DD r) {
    constexpr int kTerms = 15;  // 0.8^31 / 31! < 2^-120
    constexpr int kExact = 8;   // 0.8^16 / 17! < 2^-53
    const DD z = mul(r, r);
    double tail = kInvFactorial[2 * kTerms - 1].hi;
    for (int n = kTerms - 2; n >= kExact; --n) tail = tail * -z.hi + kInvFactorial[2 * n + 1].hi;
    DD sum = {tail, 0.0};
    for (int n = kExact - 1; n >= 0; --n) sum = add(mul(sum, {-z.hi, -z.lo}), kInvFactorial[2 * n + 1]);
    return mul(sum, r);
}

DD cosSeries(DD r) {
    constexpr int kTerms = 16;  // 0.8^32 / 32! < 2^-120
    constexpr int kExact = 8;   // 0.8^16 / 16! < 2^-49
    const DD z = mul(r, r);
    double tail = kInvFactorial[2 * kTerms - 2].hi;
    for (int n = kTerms - 2; n >= kExact; --n) tail = tail * -z.hi + kInvFactorial[2 * n].hi;
    DD sum = {tail, 0.0};
    for (int n = kExact - 1; n >= 0; --n) sum = add(mul(sum, {-z.hi, -z.lo}), kInvFactorial[2 * n]);
    return sum;
}

}  // namespace

double exp(double x) {
    if (x != x) return x + x;
    return expRange({x, 0.0});
}

double log(double x) {
    if (x != x) return x + x;
    if (x == 0.0) return -std::numeric_limits<double>::infinity();
    if (x < 0.0) return std::numeric_limits<double>::quiet_NaN();
    if (x == std::numeric_limits<double>::infinity()) return x;
    return logDD(x).hi;
}

double pow(double x, double y) {
    if (y == 0.0 || x == 1.0) return 1.0;
    constexpr double inf = std::numeric_limits<double>::infinity();
    if (x != x || y != y || x == 0.0 || fabs(x) == inf || fabs(y) == inf) return powSpecial(x, y);
    double sign = 1.0;
    if (x < 0.0) {
        if (!isInteger(y)) return std::numeric_limits<double>::quiet_NaN();
        if (isOddInteger(y)) sign = -1.0;
        x = -x;
    }
    const DD lnX = logDD(x);
    // y ln x far outside the range of exp: do not form the exact product
    // (its split would overflow for huge y).
    const double rough = lnX.hi * y;
    if (rough > 2 * kExpOverflow) return sign * inf;
    if (rough < 2 * kExpUnderflow) return sign * 0.0;
    return sign * expRange(mul(lnX, y));
}

double sin(double x) {
    if (x == 0.0) return x;
    if (x != x || fabs(x) == std::numeric_limits<double>::infinity()) return x - x;
    const Reduced red = reduce(x);
    switch (red.q) {
        case 0: return sinSeries(red.r).hi;
        case 1: return cosSeries(red.r).hi;
        case 2: return -sinSeries(red.r).hi;
        default: return -cosSeries(red.r).hi;
    }
}

double cos(double x) {
    if (x != x || fabs(x) == std::numeric_limits<double>::infinity()) return x - x;
    const Reduced red = reduce(x);
    switch (red.q) {
        case 0: return cosSeries(red.r).hi;
        case 1: return -sinSeries(red.r).hi;
        case 2: return -cosSeries(red.r).hi;
        default: return sinSeries(red.r).hi;
    }
}

}  // namespace dsp::math

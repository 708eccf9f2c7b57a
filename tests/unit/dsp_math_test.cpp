// The product's own transcendental functions: within half a unit in the last
// place (plus the reference's own error) of the long double functions over the
// ranges the filters, time constants and parameter laws use; the C rules for
// special values; and identities that any correctly rounded implementation
// meets exactly, on every platform. The unit tests also run under Wine: there
// the special values and the identities are checked; the long double
// functions of MinGW-w64's library are not accurate enough to serve as the
// reference (sinl of a few thousand radians is off by a hundred units of a
// double), so the comparisons with them run with glibc only.
#include "dsp/Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>

namespace {

namespace m = dsp::math;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Error of `got` against the reference in units of the last place of the
// double nearest to the reference.
double ulpError(double got, long double ref) {
    const double nearest = static_cast<double>(ref);
    const double a = std::fabs(nearest);
    const long double ulp =
        a == 0.0 ? std::numeric_limits<double>::denorm_min() : static_cast<long double>(std::nextafter(a, kInf)) - a;
    return static_cast<double>(std::fabs(static_cast<long double>(got) - ref) / ulp);
}

// The long double reference carries about 11 bits beyond a double; a correctly
// rounded double is at most half a unit away from the exact value.
constexpr double kHalfUlp = 0.5 + 1.0 / 64;

#if defined(__GLIBC__)
#define REQUIRE_ACCURATE_LONG_DOUBLE()
#else
#define REQUIRE_ACCURATE_LONG_DOUBLE() GTEST_SKIP() << "this C library's long double functions are no reference"
#endif

struct Worst {
    double ulps = 0;
    std::string where;
    void note(double e, const std::string& at) {
        if (e > ulps) {
            ulps = e;
            where = at;
        }
    }
};

std::string at(double x, double y = 0) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "x=%.17g y=%.17g", x, y);
    return buf;
}

double logUniform(std::mt19937_64& rng, double lo, double hi) {
    std::uniform_real_distribution<double> u(std::log(lo), std::log(hi));
    return std::exp(u(rng));
}

TEST(DspMath, LogExpAndPowAreWithinHalfAUnitInTheLastPlace) {
    REQUIRE_ACCURATE_LONG_DOUBLE();
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Worst log, exp, pow;
    for (int i = 0; i < 20000; ++i) {
        // log: the whole positive range, and close to 1 where ln x is small.
        const double x = i % 2 ? logUniform(rng, 1e-300, 1e300) : 1.0 + (u(rng) - 0.5) * 1e-3;
        log.note(ulpError(m::log(x), std::log(static_cast<long double>(x))), at(x));
        // exp: results from the subnormal threshold to the overflow one.
        const double e = -700.0 + 1400.0 * u(rng);
        exp.note(ulpError(m::exp(e), std::exp(static_cast<long double>(e))), at(e));
        // pow: the bases and exponents of the time constants, knees and
        // parameter laws (0.005 .. 48 to powers in -1 .. 8; fractions to 1/8),
        // then random ones with results within 1e-40 .. 1e40.
        const double bases[] = {0.005, 0.01, 0.05, 10.0, 14.0, 16.0, 24.0, 30.0, 48.0, u(rng)};
        const double b = bases[i % 10];
        const double y = i % 10 == 9 ? 0.125 : -1.0 + 9.0 * u(rng);
        pow.note(ulpError(m::pow(b, y), std::pow(static_cast<long double>(b), static_cast<long double>(y))), at(b, y));
        const double rb = logUniform(rng, 1e-3, 1e3);
        const double ry = (u(rng) - 0.5) * 2.0 * 92.0 / std::fabs(std::log(rb));
        pow.note(ulpError(m::pow(rb, ry), std::pow(static_cast<long double>(rb), static_cast<long double>(ry))),
                 at(rb, ry));
    }
    EXPECT_LE(log.ulps, kHalfUlp) << log.where;
    EXPECT_LE(exp.ulps, kHalfUlp) << exp.where;
    EXPECT_LE(pow.ulps, kHalfUlp) << pow.where;
}

TEST(DspMath, SinAndCosAreWithinHalfAUnitInTheLastPlace) {
    REQUIRE_ACCURATE_LONG_DOUBLE();
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Worst sin, cos;
    for (int i = 0; i < 20000; ++i) {
        // Filter angles 0 .. pi, tiny ones, and tone phases up to some thousand radians.
        const double x = i % 3 == 0 ? std::numbers::pi * u(rng)
                         : i % 3 == 1 ? logUniform(rng, 1e-12, 1.0)
                                      : (u(rng) - 0.5) * 20000.0;
        const long double lx = x;
        sin.note(ulpError(m::sin(x), std::sin(lx)), at(x));
        cos.note(ulpError(m::cos(x), std::cos(lx)), at(x));
    }
    EXPECT_LE(sin.ulps, kHalfUlp) << sin.where;
    EXPECT_LE(cos.ulps, kHalfUlp) << cos.where;
}

TEST(DspMath, SpecialValuesFollowTheCRules) {
    // pow
    EXPECT_EQ(m::pow(kNaN, 0.0), 1.0);
    EXPECT_EQ(m::pow(1.0, kNaN), 1.0);
    EXPECT_TRUE(std::isnan(m::pow(kNaN, 2.0)));
    EXPECT_TRUE(std::isnan(m::pow(2.0, kNaN)));
    EXPECT_TRUE(std::isnan(m::pow(-2.0, 0.5)));
    EXPECT_EQ(m::pow(-2.0, 3.0), -8.0);
    EXPECT_EQ(m::pow(-2.0, -2.0), 0.25);
    EXPECT_EQ(m::pow(0.0, -1.0), kInf);
    EXPECT_EQ(m::pow(-0.0, -1.0), -kInf);
    EXPECT_EQ(m::pow(-0.0, -2.0), kInf);
    EXPECT_TRUE(std::signbit(m::pow(-0.0, 3.0)));
    EXPECT_FALSE(std::signbit(m::pow(-0.0, 2.0)));
    EXPECT_EQ(m::pow(0.0, 0.5), 0.0);
    EXPECT_EQ(m::pow(-1.0, kInf), 1.0);
    EXPECT_EQ(m::pow(0.5, kInf), 0.0);
    EXPECT_EQ(m::pow(0.5, -kInf), kInf);
    EXPECT_EQ(m::pow(2.0, kInf), kInf);
    EXPECT_EQ(m::pow(2.0, -kInf), 0.0);
    EXPECT_EQ(m::pow(kInf, -0.5), 0.0);
    EXPECT_EQ(m::pow(kInf, 0.5), kInf);
    EXPECT_EQ(m::pow(-kInf, 3.0), -kInf);
    EXPECT_EQ(m::pow(-kInf, 2.0), kInf);
    EXPECT_TRUE(std::signbit(m::pow(-kInf, -3.0)));
    EXPECT_EQ(m::pow(10.0, 400.0), kInf);
    EXPECT_EQ(m::pow(10.0, -400.0), 0.0);
    EXPECT_EQ(m::pow(1.0 + 0x1p-52, 1e300), kInf);  // huge exponent, no overflow inside
    EXPECT_EQ(m::pow(1.0 - 0x1p-53, 1e300), 0.0);
    EXPECT_EQ(m::pow(-10.0, 401.0), -kInf);
    // exp and log
    EXPECT_EQ(m::exp(0.0), 1.0);
    EXPECT_EQ(m::exp(-kInf), 0.0);
    EXPECT_EQ(m::exp(kInf), kInf);
    EXPECT_EQ(m::exp(710.0), kInf);
    EXPECT_EQ(m::exp(-746.0), 0.0);
    EXPECT_TRUE(std::isnan(m::exp(kNaN)));
    EXPECT_GT(m::exp(-745.0), 0.0);  // the smallest subnormals
    EXPECT_EQ(m::exp(709.0), static_cast<double>(std::exp(709.0L)));
    EXPECT_EQ(m::log(1.0), 0.0);
    EXPECT_FALSE(std::signbit(m::log(1.0)));
    EXPECT_EQ(m::log(0.0), -kInf);
    EXPECT_EQ(m::log(-0.0), -kInf);
    EXPECT_TRUE(std::isnan(m::log(-1.0)));
    EXPECT_TRUE(std::isnan(m::log(kNaN)));
    EXPECT_EQ(m::log(kInf), kInf);
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_LE(ulpError(m::log(tiny), std::log(static_cast<long double>(tiny))), kHalfUlp);
    const double largest = std::numeric_limits<double>::max();
    EXPECT_LE(ulpError(m::log(largest), std::log(static_cast<long double>(largest))), kHalfUlp);
    // sin and cos
    EXPECT_EQ(m::sin(0.0), 0.0);
    EXPECT_TRUE(std::signbit(m::sin(-0.0)));
    EXPECT_EQ(m::cos(0.0), 1.0);
    EXPECT_EQ(m::cos(-0.0), 1.0);
    EXPECT_TRUE(std::isnan(m::sin(kInf)));
    EXPECT_TRUE(std::isnan(m::cos(-kInf)));
    EXPECT_TRUE(std::isnan(m::sin(kNaN)));
    EXPECT_EQ(m::sin(1e-300), 1e-300);
    const double beyond[] = {1e16, -3e20, 1e300};  // beyond the accurate range: still bounded
    for (double x : beyond) {
        EXPECT_LE(std::fabs(m::sin(x)), 1.0) << x;
        EXPECT_LE(std::fabs(m::cos(x)), 1.0) << x;
    }
}

// Identities that hold exactly for correctly rounded results, so equally for
// every platform's build: they fail on a lost bit anywhere (a contracted
// multiply-add, excess precision, a broken constant).
TEST(DspMath, CorrectlyRoundedIdentitiesHoldExactly) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    int failures = 0;
    for (int i = 0; i < 5000 && failures < 5; ++i) {
        const double x = logUniform(rng, 1e-100, 1e100);
        const bool ok = m::pow(x, 2.0) == x * x && m::pow(x, 0.5) == std::sqrt(x) && m::pow(x, -1.0) == 1.0 / x &&
                        m::pow(x, 1.0) == x && m::pow(-x, 2.0) == x * x;
        const double s = (u(rng) - 0.5) * 1000.0;  // odd and even symmetry
        const bool symmetric = m::sin(-s) == -m::sin(s) && m::cos(-s) == m::cos(s);
        if (!ok || !symmetric) {
            ++failures;
            ADD_FAILURE() << at(x) << " s=" << s;
        }
    }
    for (int k = -1074; k <= 1023; ++k) {
        const double p = std::ldexp(1.0, k);
        ASSERT_EQ(m::pow(2.0, k), p) << k;
        ASSERT_EQ(m::pow(p, 0.5), std::sqrt(p)) << k;
        if (k != 0) {
            ASSERT_LE(ulpError(m::log(p), k * std::numbers::ln2_v<long double>), kHalfUlp) << k;
        }
    }
    double ten = 1.0;
    for (int k = 0; k <= 22; ++k, ten *= 10.0) {  // 10^k is exact up to 10^22
        ASSERT_EQ(m::pow(10.0, k), ten) << k;
        ASSERT_EQ(m::pow(10.0, -k), 1.0 / ten) << k;  // 1/10^k correctly rounded
    }
    EXPECT_EQ(m::exp(1.0), std::numbers::e);
    EXPECT_EQ(m::log(std::numbers::e), 1.0);
    EXPECT_EQ(m::sin(std::numbers::pi / 2), 1.0);
    EXPECT_EQ(m::cos(std::numbers::pi), -1.0);
    // sin(pi - d) = d - d^3/6: the double nearest pi is short by d = 0x1.1a62633145c07p-53.
    EXPECT_EQ(m::sin(std::numbers::pi), 0x1.1a62633145c07p-53);
    EXPECT_EQ(m::cos(std::numbers::pi / 2), 0x1.1a62633145c07p-54);
}

}  // namespace

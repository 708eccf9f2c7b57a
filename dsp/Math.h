#pragma once
// The transcendental functions of the audio path, of the product's own.
// The C libraries of the platforms differ in the last bit of pow, exp, log,
// sin and cos, and a coefficient made with one of them carries that into every
// sample. These are built from additions, multiplications and divisions alone
// (no fused multiply-add, no library call), carried in double-double precision
// (about 100 bits) and rounded once at the end: the same bits on every
// platform, and the correctly rounded result but for inputs whose exact value
// lies within about 2^-100 relative of a rounding boundary.
//
// Domain of that accuracy: log and pow for all finite positive arguments,
// exp for all finite arguments (results in the subnormal range may be off by
// one unit in the last place), sin and cos for |x| < 2^20 * pi/2; beyond that
// sin and cos are still deterministic but lose accuracy. Special values
// follow the usual C conventions (pow(x, 0) = 1, log(0) = -inf, NaN in, NaN out).
// Not for the per-sample path: a call costs some hundred operations.

namespace dsp::math {

double exp(double x);
double log(double x);
double pow(double x, double y);
double sin(double x);
double cos(double x);

}  // namespace dsp::math

#include "dsp/EngineSimd.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace dsp::simd {

namespace {
constexpr int kHistory = 128;
constexpr int kLanes = 4;   // output samples summed at the same time

// The copy of history h in buffer m that is 16 bytes out of step with h modulo 32 (m has one
// element more than h). Both are members of one object, so the choice never changes.
v2d* mirrorOf(const v2d* h, v2d* m) {
    const bool inStep = ((reinterpret_cast<std::uintptr_t>(h) ^ reinterpret_cast<std::uintptr_t>(m)) & 16) == 0;
    return m + (inStep ? 1 : 0);
}
}  // namespace

void FatResampler::capVectorIsa(VectorIsa cap) {
    cap_ = cap;
    selectIsa();
}

void FatResampler::selectIsa() {
    isa_ = std::min(widestVectorIsa(), cap_);
    if (isa_ == VectorIsa::kAvx2) {
        std::memcpy(static_cast<void*>(mirrorOf(upHist_, upMirror_)), upHist_, sizeof upHist_);
        std::memcpy(static_cast<void*>(mirrorOf(downEven_, downMirror_)), downEven_, sizeof downEven_);
    }
}

void FatResampler::setCoefficients(const double* up, const double* down) {
    for (int i = 0; i <= kHalf; ++i) {
        cUp_[i] = up[i];
        cDown_[i] = down[i];
    }
    selectIsa();
}

void FatResampler::clear() {
    std::memset(static_cast<void*>(upHist_), 0, sizeof upHist_);
    std::memset(static_cast<void*>(downEven_), 0, sizeof downEven_);
    std::memset(static_cast<void*>(downOdd_), 0, sizeof downOdd_);
    std::memset(static_cast<void*>(upMirror_), 0, sizeof upMirror_);
    std::memset(static_cast<void*>(downMirror_), 0, sizeof downMirror_);
    std::memset(static_cast<void*>(delayInRing_), 0, sizeof delayInRing_);
    std::memset(static_cast<void*>(delayOutRing_), 0, sizeof delayOutRing_);
    delayInIndex_ = delayOutIndex_ = 0;
}

// Wide-vector versions for processors with AVX-512: four output samples of both channels per
// vector, each lane doing exactly the operations of the pair code (no fused multiply-add).
typedef compiler::Double8 v8d;

// Term m = u + 4Q of group Q: acc += (l + h[j-128+m+4Q ..]) * c[127-2m], hi pointing at h[j-128+u].
template <int Q>
EMBERLINE_TARGET_AVX512F EMBERLINE_ALWAYS_INLINE void skewedTerm(const double* hi, const double* c, int u,
                                                                const v8d& l, v8d& acc) {
    const int m = u + 4 * Q;
    v8d x;
    std::memcpy(&x, hi + 16 * Q, sizeof x);
    acc += (l + x) * c[FatResampler::kHalf - 2 * m];
}

// Steps u0 .. u1 of the skewed walk for the groups QMin .. QMax (those whose m = u + 4q is in 0 .. 63).
template <int QMin, int QMax>
EMBERLINE_TARGET_AVX512F EMBERLINE_ALWAYS_INLINE void skewedSteps(const double* h, const double* c, int j,
                                                                 int u0, int u1, v8d& s0, v8d& s1, v8d& s2,
                                                                 v8d& s3, v8d& s4, v8d& s5, v8d& s6, v8d& s7) {
    for (int u = u0; u <= u1; ++u) {
        v8d l;
        std::memcpy(&l, h + 2 * (j - 1 - u), sizeof l);
        const double* hi = h + 2 * (j - 128 + u);
        if constexpr (QMin <= 0 && 0 <= QMax) skewedTerm<0>(hi, c, u, l, s0);
        if constexpr (QMin <= 1 && 1 <= QMax) skewedTerm<1>(hi, c, u, l, s1);
        if constexpr (QMin <= 2 && 2 <= QMax) skewedTerm<2>(hi, c, u, l, s2);
        if constexpr (QMin <= 3 && 3 <= QMax) skewedTerm<3>(hi, c, u, l, s3);
        if constexpr (QMin <= 4 && 4 <= QMax) skewedTerm<4>(hi, c, u, l, s4);
        if constexpr (QMin <= 5 && 5 <= QMax) skewedTerm<5>(hi, c, u, l, s5);
        if constexpr (QMin <= 6 && 6 <= QMax) skewedTerm<6>(hi, c, u, l, s6);
        if constexpr (QMin <= 7 && 7 <= QMax) skewedTerm<7>(hi, c, u, l, s7);
    }
}

// 32 outputs from j. The four outputs of group q (j + 4q ..) need the window h[j+4q-1-m ..] at term
// m, which is the window of group q - 1 at term m - 4: so group q is run four terms ahead of group
// q - 1, and one load of the lower window serves all eight groups. Each group still sums its
// terms from m = 0 upwards with the same operations, so the sums are the pair code's.
EMBERLINE_TARGET_AVX512F static void firBlock32(const v2d* h, const double* c, int j, v2d* sums) {
    const v8d z = {0, 0, 0, 0, 0, 0, 0, 0};
    v8d s0 = z, s1 = z, s2 = z, s3 = z, s4 = z, s5 = z, s6 = z, s7 = z;
    const double* x = reinterpret_cast<const double*>(h);
#define EMBERLINE_STEPS(qmin, qmax, u0, u1) \
    skewedSteps<qmin, qmax>(x, c, j, u0, u1, s0, s1, s2, s3, s4, s5, s6, s7)
    EMBERLINE_STEPS(7, 7, -28, -25);
    EMBERLINE_STEPS(6, 7, -24, -21);
    EMBERLINE_STEPS(5, 7, -20, -17);
    EMBERLINE_STEPS(4, 7, -16, -13);
    EMBERLINE_STEPS(3, 7, -12, -9);
    EMBERLINE_STEPS(2, 7, -8, -5);
    EMBERLINE_STEPS(1, 7, -4, -1);
    EMBERLINE_STEPS(0, 7, 0, 35);
    EMBERLINE_STEPS(0, 6, 36, 39);
    EMBERLINE_STEPS(0, 5, 40, 43);
    EMBERLINE_STEPS(0, 4, 44, 47);
    EMBERLINE_STEPS(0, 3, 48, 51);
    EMBERLINE_STEPS(0, 2, 52, 55);
    EMBERLINE_STEPS(0, 1, 56, 59);
    EMBERLINE_STEPS(0, 0, 60, 63);
#undef EMBERLINE_STEPS
    const v8d all[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
    std::memcpy(sums, all, sizeof all);
}

EMBERLINE_TARGET_AVX512F static void firBlocks8(const v2d* h, const double* c, int j0, int count,
                                                          v2d* sums) {
    // sums[k] for outputs j0 + k, k < count (count a multiple of 8): sum over m of
    // (h[j-1-m] + h[j-128+m]) * c[127-2m].
    int k = 0;
    for (; k + 32 <= count; k += 32) firBlock32(h, c, j0 + k, sums + k);
    for (; k < count; k += 8) {
        const int j = j0 + k;
        v8d s0 = {0, 0, 0, 0, 0, 0, 0, 0};
        v8d s1 = s0;
        for (int m = 0; m < FatResampler::kTerms; ++m) {
            const double cm = c[FatResampler::kHalf - 2 * m];
            v8d lo0, hi0, lo1, hi1;
            std::memcpy(&lo0, h + j - 1 - m, sizeof lo0);
            std::memcpy(&hi0, h + j - 128 + m, sizeof hi0);
            std::memcpy(&lo1, h + j + 3 - m, sizeof lo1);
            std::memcpy(&hi1, h + j - 124 + m, sizeof hi1);
            s0 += (lo0 + hi0) * cm;
            s1 += (lo1 + hi1) * cm;
        }
        std::memcpy(sums + k, &s0, sizeof s0);
        std::memcpy(sums + k + 4, &s1, sizeof s1);
    }
}

// The AVX2 versions: two output samples of both channels per vector, the windows of two frames
// loaded aligned, from the history itself or from its copy out of step with it (frames f, f + 1
// at even + 2f for even f, at odd + 2f for odd f).
typedef compiler::Double4 v4d;

EMBERLINE_TARGET_AVX2 EMBERLINE_ALWAYS_INLINE void loadWindow(v4d& x, const double* base, int f) {
    std::memcpy(&x, __builtin_assume_aligned(base + 2 * f, 32), sizeof x);
}

// One term of G groups: group q adds (lower window at frame lo + 2q + upper window at frame
// hi + 2q) * cm to its accumulator.
template <int G>
EMBERLINE_TARGET_AVX2 EMBERLINE_ALWAYS_INLINE void termAvx2(v4d* s, const double* lower, int lo, const double* upper,
                                                           int hi, double cm) {
    EMBERLINE_UNROLL(8)
    for (int q = 0; q < G; ++q) {
        v4d l, h;
        loadWindow(l, lower, lo + 2 * q);
        loadWindow(h, upper, hi + 2 * q);
        s[q] += (l + h) * cm;
    }
}

// 2G outputs from j (even) in G groups of two, each group in its own accumulator. At term m
// group q takes the lower window at frame j + 2q - 1 - m and the upper one at j + 2q - 128 + m:
// of opposite parity, so one comes from each copy, and both are aligned. Every group sums its
// terms from m = 0 upwards with the pair code's operations.
template <int G>
EMBERLINE_TARGET_AVX2 EMBERLINE_ALWAYS_INLINE void firGroupsAvx2(const double* even, const double* odd, const double* c,
                                                                int j, v2d* sums) {
    v4d s[G];
    EMBERLINE_UNROLL(8)
    for (int q = 0; q < G; ++q) s[q] = v4d{0, 0, 0, 0};
    for (int m = 0; m < FatResampler::kTerms; m += 2) {
        termAvx2<G>(s, odd, j - 1 - m, even, j - 128 + m, c[FatResampler::kHalf - 2 * m]);
        termAvx2<G>(s, even, j - 2 - m, odd, j - 127 + m, c[FatResampler::kHalf - 2 * (m + 1)]);
    }
    EMBERLINE_UNROLL(8)
    for (int q = 0; q < G; ++q) {
        const v4d t = s[q];
        std::memcpy(static_cast<void*>(sums + 2 * q), &t, sizeof t);
    }
}

// sums[k] for outputs j0 + k, k < count (count a multiple of 4, j0 even), over the history h and
// its copy hm out of step with it: sixteen outputs at a time (eight accumulators keep both adders
// busy), then four.
EMBERLINE_TARGET_AVX2 static void firBlocksAvx2(const v2d* h, const v2d* hm, const double* c, int j0, int count,
                                                v2d* sums) {
    const bool hEven = (reinterpret_cast<std::uintptr_t>(h) & 16) == 0;
    const double* even = reinterpret_cast<const double*>(hEven ? h : hm);
    const double* odd = reinterpret_cast<const double*>(hEven ? hm : h);
    int k = 0;
    for (; k + 16 <= count; k += 16) firGroupsAvx2<8>(even, odd, c, j0 + k, sums + k);
    for (; k < count; k += 4) firGroupsAvx2<2>(even, odd, c, j0 + k, sums + k);
}

// The half-band FIR sums of the outputs j0 .. j0 + count - 1 over the history h (hm: its copy out
// of step, for AVX2), each handed to put(k, sum) for output j0 + k: for each j, the sum over
// m = 0 .. 63, from m = 0 upwards, of (h[j-1-m] + h[j-128+m]) * c[127-2m]. With isa: whole groups
// of eight outputs (AVX-512) or of four (AVX2) first, then four at a time in the pair code, then
// one by one.
template <class Put>
EMBERLINE_ALWAYS_INLINE void firSums(const v2d* h, const v2d* hm, const double* c, int j0, int count, VectorIsa isa,
                                     Put&& put) {
    constexpr int kHalf = FatResampler::kHalf, kTerms = FatResampler::kTerms;
    int k = 0;
    if (isa != VectorIsa::kSse2) {
        v2d sums[FatResampler::kMaxBlock];
        if (isa == VectorIsa::kAvx512) {
            k = count & ~7;
            firBlocks8(h, c, j0, k, sums);
        } else {
            k = count & ~3;
            firBlocksAvx2(h, hm, c, j0, k, sums);
        }
        for (int q = 0; q < k; ++q) put(q, sums[q]);
    }
    for (; k + kLanes <= count; k += kLanes) {
        const int j = j0 + k;
        v2d s0 = splat(0.0), s1 = splat(0.0), s2 = splat(0.0), s3 = splat(0.0);
        for (int m = 0; m < kTerms; ++m) {
            const double cm = c[kHalf - 2 * m];
            const v2d* lo = h + j - 1 - m;
            const v2d* hi = h + j - 128 + m;
            s0 += (lo[0] + hi[0]) * cm;
            s1 += (lo[1] + hi[1]) * cm;
            s2 += (lo[2] + hi[2]) * cm;
            s3 += (lo[3] + hi[3]) * cm;
        }
        put(k, s0);
        put(k + 1, s1);
        put(k + 2, s2);
        put(k + 3, s3);
    }
    for (; k < count; ++k) {
        const int j = j0 + k;
        v2d s = splat(0.0);
        for (int m = 0; m < kTerms; ++m) s += (h[j - 1 - m] + h[j - 128 + m]) * c[kHalf - 2 * m];
        put(k, s);
    }
}

// Output pair of input x[j]: first = the FIR sum at j, second = x[j-64] * c[0].
void FatResampler::upsample(double* a, double* b, int n) {
    v2d* h = upHist_;
    v2d* hm = mirrorOf(h, upMirror_);
    for (int i = 0; i < n; ++i) h[kHistory + i] = v2d{a[i], b[i]};
    if (isa_ == VectorIsa::kAvx2) std::memcpy(static_cast<void*>(hm + kHistory), h + kHistory, n * sizeof(v2d));
    firSums(h, hm, cUp_, kHistory, n, isa_, [&](int i, v2d sum) {
        const v2d second = h[kHistory + i - 64] * cUp_[0];
        a[2 * i] = sum[0];
        b[2 * i] = sum[1];
        a[2 * i + 1] = second[0];
        b[2 * i + 1] = second[1];
    });
    std::memmove(static_cast<void*>(h), static_cast<const void*>(h + n), kHistory * sizeof(v2d));
    if (isa_ == VectorIsa::kAvx2)
        std::memmove(static_cast<void*>(hm), static_cast<const void*>(hm + n), kHistory * sizeof(v2d));
}

// Output of pair p: the FIR sum over the even samples u0 at p, plus u1[p-65] * c[0].
void FatResampler::downsample(double* a, double* b, int n2) {
    const int n = n2 / 2;
    v2d* e = downEven_;
    v2d* em = mirrorOf(e, downMirror_);
    v2d* o = downOdd_;
    for (int p = 0; p < n; ++p) {
        e[kHistory + p] = v2d{a[2 * p], b[2 * p]};
        o[kHistory + p] = v2d{a[2 * p + 1], b[2 * p + 1]};
    }
    if (isa_ == VectorIsa::kAvx2) std::memcpy(static_cast<void*>(em + kHistory), e + kHistory, n * sizeof(v2d));
    firSums(e, em, cDown_, kHistory, n, isa_, [&](int p, v2d sum) {
        const v2d out = sum + o[kHistory + p - 65] * cDown_[0];
        a[p] = out[0];
        b[p] = out[1];
    });
    std::memmove(static_cast<void*>(e), static_cast<const void*>(e + n), kHistory * sizeof(v2d));
    std::memmove(static_cast<void*>(o), static_cast<const void*>(o + n), kHistory * sizeof(v2d));
    if (isa_ == VectorIsa::kAvx2)
        std::memmove(static_cast<void*>(em), static_cast<const void*>(em + n), kHistory * sizeof(v2d));
}

}  // namespace dsp::simd

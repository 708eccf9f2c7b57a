#include "dsp/EngineSimd.h"

#include <cstring>

namespace dsp::simd {

namespace {
constexpr int kHistory = 128;
constexpr int kLanes = 4;   // output samples summed at the same time
}  // namespace

void FatResampler::setCoefficients(const double* up, const double* down) {
    wide_ = compiler::cpuHasAvx512f();
    for (int i = 0; i <= kHalf; ++i) {
        cUp_[i] = up[i];
        cDown_[i] = down[i];
    }
}

void FatResampler::clear() {
    std::memset(static_cast<void*>(upHist_), 0, sizeof upHist_);
    std::memset(static_cast<void*>(downEven_), 0, sizeof downEven_);
    std::memset(static_cast<void*>(downOdd_), 0, sizeof downOdd_);
    std::memset(static_cast<void*>(delayInRing_), 0, sizeof delayInRing_);
    std::memset(static_cast<void*>(delayOutRing_), 0, sizeof delayOutRing_);
    delayInIndex_ = delayOutIndex_ = 0;
}

// Wide-vector versions for processors with AVX-512: four output samples of both channels per
// vector, each lane doing exactly the operations of the pair code (no fused multiply-add).
typedef compiler::Double8 v8d;

EMBERLINE_TARGET_AVX512F static void firBlocks8(const v2d* h, const double* c, int j0, int count,
                                                          v2d* sums) {
    // sums[k] for outputs j0 + k, k < count (count a multiple of 8): sum over m of
    // (h[j-1-m] + h[j-128+m]) * c[127-2m].
    int k = 0;
    for (; k + 32 <= count; k += 32) {
        // 32 outputs in flight, so that the additions of one sum do not wait for each other.
        const int j = j0 + k;
        v8d s0 = {0, 0, 0, 0, 0, 0, 0, 0};
        v8d s1 = s0, s2 = s0, s3 = s0, s4 = s0, s5 = s0, s6 = s0, s7 = s0;
        for (int m = 0; m < FatResampler::kTerms; ++m) {
            const double cm = c[FatResampler::kHalf - 2 * m];
            const v2d* lo = h + j - 1 - m;
            const v2d* hi = h + j - 128 + m;
#define EMBERLINE_FIR_TERM(acc, q)                     \
    {                                                  \
        v8d l, u;                                      \
        std::memcpy(&l, lo + 4 * (q), sizeof l);       \
        std::memcpy(&u, hi + 4 * (q), sizeof u);       \
        acc += (l + u) * cm;                           \
    }
            EMBERLINE_FIR_TERM(s0, 0)
            EMBERLINE_FIR_TERM(s1, 1)
            EMBERLINE_FIR_TERM(s2, 2)
            EMBERLINE_FIR_TERM(s3, 3)
            EMBERLINE_FIR_TERM(s4, 4)
            EMBERLINE_FIR_TERM(s5, 5)
            EMBERLINE_FIR_TERM(s6, 6)
            EMBERLINE_FIR_TERM(s7, 7)
#undef EMBERLINE_FIR_TERM
        }
        const v8d all[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
        std::memcpy(sums + k, all, sizeof all);
    }
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


// The half-band FIR sums of the outputs j0 .. j0 + count - 1 over the history h, each handed to
// put(k, sum) for output j0 + k: for each j, the sum over m = 0 .. 63, from m = 0 upwards, of
// (h[j-1-m] + h[j-128+m]) * c[127-2m]. Eight outputs per vector where the processor has AVX-512,
// four at a time in the pair code, then one by one.
template <class Put>
EMBERLINE_ALWAYS_INLINE void firSums(const v2d* h, const double* c, int j0, int count, bool wide, Put&& put) {
    constexpr int kHalf = FatResampler::kHalf, kTerms = FatResampler::kTerms;
    int k = 0;
    if (wide) {
        v2d sums[FatResampler::kMaxBlock];
        k = count & ~7;
        firBlocks8(h, c, j0, k, sums);
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
    for (int i = 0; i < n; ++i) h[kHistory + i] = v2d{a[i], b[i]};
    firSums(h, cUp_, kHistory, n, wide_, [&](int i, v2d sum) {
        const v2d second = h[kHistory + i - 64] * cUp_[0];
        a[2 * i] = sum[0];
        b[2 * i] = sum[1];
        a[2 * i + 1] = second[0];
        b[2 * i + 1] = second[1];
    });
    std::memmove(static_cast<void*>(h), static_cast<const void*>(h + n), kHistory * sizeof(v2d));
}

// Output of pair p: the FIR sum over the even samples u0 at p, plus u1[p-65] * c[0].
void FatResampler::downsample(double* a, double* b, int n2) {
    const int n = n2 / 2;
    v2d* e = downEven_;
    v2d* o = downOdd_;
    for (int p = 0; p < n; ++p) {
        e[kHistory + p] = v2d{a[2 * p], b[2 * p]};
        o[kHistory + p] = v2d{a[2 * p + 1], b[2 * p + 1]};
    }
    firSums(e, cDown_, kHistory, n, wide_, [&](int p, v2d sum) {
        const v2d out = sum + o[kHistory + p - 65] * cDown_[0];
        a[p] = out[0];
        b[p] = out[1];
    });
    std::memmove(static_cast<void*>(e), static_cast<const void*>(e + n), kHistory * sizeof(v2d));
    std::memmove(static_cast<void*>(o), static_cast<const void*>(o + n), kHistory * sizeof(v2d));
}

}  // namespace dsp::simd

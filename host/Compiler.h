// Compiler-specific spellings in one place: vector types, forced inlining,
// per-function instruction sets, processor feature queries and bit scans.
// GCC and Clang (MinGW included) spell them alike; another compiler needs
// its own branch here and nowhere else.
#pragma once

#include <cstdint>

#if !defined(__GNUC__)
#error "host/Compiler.h: GCC or Clang (or MinGW) is needed"
#endif

// Forced inlining of a small hot function (the call would cost more than its body).
#define EMBERLINE_ALWAYS_INLINE inline __attribute__((always_inline))

// Compiles one function for AVX-512F; call it only where cpuHasAvx512f() says so.
#define EMBERLINE_TARGET_AVX512F __attribute__((target("avx512f")))
// Compiles one function for AVX2 (without FMA: the results stay those of separate operations),
// or for AVX-512 with its 128- and 256-bit forms; call them only where cpuHasAvx2() or
// cpuHasAvx512() says so.
#define EMBERLINE_TARGET_AVX2 __attribute__((target("avx2")))
#define EMBERLINE_TARGET_AVX512 __attribute__((target("avx512f,avx512vl")))
// A lambda whose body is always inlined into its caller (and compiled for the caller's set).
#define EMBERLINE_INLINE_LAMBDA __attribute__((always_inline))

// Unrolls the loop that follows n times (a short fixed count: per-band work).
#define EMBERLINE_PRAGMA(x) _Pragma(#x)
#define EMBERLINE_UNROLL(n) EMBERLINE_PRAGMA(GCC unroll n)

// Symbols the loadable library exports, and a second exported name for a function.
#define EMBERLINE_EXPORT __attribute__((visibility("default")))
#define EMBERLINE_EXPORT_ALIAS(target) __attribute__((visibility("default"), alias(target)))

namespace compiler {

// Vectors of two doubles, two 64-bit integers, four and eight doubles: element-wise
// arithmetic, comparisons giving all-ones masks, and v[i] for one element.
typedef double Double2 __attribute__((vector_size(16)));
typedef std::int64_t Int64x2 __attribute__((vector_size(16)));
typedef double Double4 __attribute__((vector_size(32)));
typedef double Double8 __attribute__((vector_size(64)));

// Whether the processor running the program has AVX-512F.
inline bool cpuHasAvx512f() { return __builtin_cpu_supports("avx512f"); }
// Whether it has AVX2, and AVX-512F with the 128- and 256-bit forms (AVX-512VL).
inline bool cpuHasAvx2() { return __builtin_cpu_supports("avx2"); }
inline bool cpuHasAvx512() { return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"); }

// Index of the lowest set bit; x must not be 0.
inline int lowestSetBit(std::uint64_t x) { return __builtin_ctzll(x); }

}  // namespace compiler

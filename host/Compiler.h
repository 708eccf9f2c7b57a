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
// Compiles one function for AVX2 (without FMA); call it only where cpuHasAvx2() says so.
#define EMBERLINE_TARGET_AVX2 __attribute__((target("avx2")))

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
// Whether it has AVX2.
inline bool cpuHasAvx2() { return __builtin_cpu_supports("avx2"); }

// Index of the lowest set bit; x must not be 0.
inline int lowestSetBit(std::uint64_t x) { return __builtin_ctzll(x); }

}  // namespace compiler

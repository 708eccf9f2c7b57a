// The instruction sets the engine's hot loops are compiled for, chosen at run time: the widest
// the processor has, unless a benchmark or test caps it. Every set gives the same results to the
// last bit (the same operations in the same order, never fused multiply-add); the wider ones
// only have more and wider registers.
#pragma once

#include "host/Compiler.h"

namespace dsp::simd {

// Narrowest first.
enum class VectorIsa { kSse2, kAvx2, kAvx512 };

// The widest set the processor has, within the cap of the process.
VectorIsa widestVectorIsa();
// Caps what widestVectorIsa gives from now on (to time and compare the narrower paths); the
// engines and resamplers built or set up afterwards use it.
void capVectorIsaForProcess(VectorIsa cap);

template <class F> EMBERLINE_TARGET_AVX2 void runForAvx2(F& f) { f(); }
template <class F> EMBERLINE_TARGET_AVX512 void runForAvx512(F& f) { f(); }

// Runs f compiled for isa. f must be an always-inlined lambda (EMBERLINE_INLINE_LAMBDA): its body,
// and every inline function it calls, are compiled into the function for that set.
template <class F> EMBERLINE_ALWAYS_INLINE void withVectorIsa(VectorIsa isa, F&& f) {
    if (isa == VectorIsa::kAvx512)
        runForAvx512(f);
    else if (isa == VectorIsa::kAvx2)
        runForAvx2(f);
    else
        f();
}

}  // namespace dsp::simd

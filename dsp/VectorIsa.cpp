#include "dsp/VectorIsa.h"

#include <algorithm>
#include <atomic>

namespace dsp::simd {

namespace {
std::atomic<VectorIsa> processCap{VectorIsa::kAvx512};
}  // namespace

VectorIsa widestVectorIsa() {
    VectorIsa widest = VectorIsa::kSse2;
    if (compiler::cpuHasAvx512()) widest = VectorIsa::kAvx512;
    else if (compiler::cpuHasAvx2()) widest = VectorIsa::kAvx2;
    return std::min(widest, processCap.load(std::memory_order_relaxed));
}

void capVectorIsaForProcess(VectorIsa cap) { processCap.store(cap, std::memory_order_relaxed); }

}  // namespace dsp::simd

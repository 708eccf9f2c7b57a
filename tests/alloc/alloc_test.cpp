// The audio path allocates nothing: every kernel, FAT on and off, meters on
// and off, with parameter changes applied between blocks, counted through
// operator new and the C allocator (malloc, calloc and realloc are wrapped at
// link time for everything this program links, the product's core included).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "effect/Edition.h"
#include "tests/support/EmberlineTestAccess.h"
#include "tests/support/PrivateConfig.h"

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;
}  // namespace

extern "C" {
void* __real_malloc(size_t);
void* __real_calloc(size_t, size_t);
void* __real_realloc(void*, size_t);
void* __wrap_malloc(size_t n) {
    if (counting) ++allocations;
    return __real_malloc(n);
}
void* __wrap_calloc(size_t a, size_t b) {
    if (counting) ++allocations;
    return __real_calloc(a, b);
}
void* __wrap_realloc(void* p, size_t n) {
    if (counting) ++allocations;
    return __real_realloc(p, n);
}
}

void* operator new(size_t n) {
    if (counting) ++allocations;
    if (void* p = __real_malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    if (counting) ++allocations;
    return __real_malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

using namespace edition;

vst::intptr host(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

TEST(AudioPath, AllocatesNothingOnAnyKernel) {
    testing_support::PrivateConfig config;
    Emberline effect(host);
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(512);
    effect.resume();

    const int n = 512;
    std::vector<float> inL(n), inR(n), outL(n), outR(n);
    std::vector<double> dinL(n), dinR(n), doutL(n), doutR(n);
    for (int i = 0; i < n; ++i) {
        inL[i] = (float)(1.5 * std::sin(0.05 * i));
        inR[i] = (float)(1.2 * std::sin(0.031 * i));
        dinL[i] = inL[i];
        dinR[i] = inR[i];
    }
    float* fin[2] = {inL.data(), inR.data()};
    float* fout[2] = {outL.data(), outR.data()};
    double* din[2] = {dinL.data(), dinR.data()};
    double* dout[2] = {doutL.data(), doutR.data()};

    std::set<int> kernels;
    std::set<bool> fat;
    for (int config = 0; config < 64; ++config) {
        effect.setParameter(toHost(kProcess), (config & 39) == 32 ? 0.0f : 1.0f);  // bypass: one layout, meters on
        effect.setParameter(toHost(kMode), (config & 1) ? 1.0f : 0.0f);
        effect.setParameter(toHost(kMonoStereo), (config & 2) ? 1.0f : 0.0f);
        effect.setParameter(toHost(kLink), (config & 4) ? 1.0f : 0.0f);
        if (kSecond) effect.setParameter(toHost(kFat), (config & 8) ? 1.0f : 0.0f);
        effect.setParameter(toHost(kBrickwall), (config & 16) ? 1.0f : 0.0f);
        effect.setMetersActive(config & 32);
        long here = 0;
        // About a second of audio, with automation between the blocks.
        for (int block = 0; block < 94; ++block) {
            effect.setParameter(toHost(kDrive), (float)(block % 10) / 10.0f);
            effect.setParameter(toHost(kRelease), (float)(block % 7) / 7.0f);
            counting = true;
            allocations = 0;
            if (block % 2) effect.processReplacing(fin, fout, n);
            else effect.processDoubleReplacing(din, dout, n);
            counting = false;
            here += allocations;
        }
        const dsp::CEngine& engine = EmberlineTestAccess::engine(effect);
        kernels.insert((int)engine.chooseKernel());
        fat.insert(engine.fatRunning());
        EXPECT_EQ(here, 0) << "configuration " << config << ", kernel " << (int)engine.chooseKernel();
    }
    std::string seen;
    for (int k : kernels) seen += std::to_string(k) + " ";
    EXPECT_EQ(kernels.size(), 7u) << seen;
    EXPECT_EQ(fat.size(), kSecond ? 2u : 1u);

    // The counting itself works: an allocation in the counted span is seen.
    counting = true;
    allocations = 0;
    auto* probe = new std::vector<double>(10);
    void* volatile raw = std::malloc(64);
    counting = false;
    EXPECT_EQ(allocations, 3);
    delete probe;
    std::free(raw);
}

}  // namespace

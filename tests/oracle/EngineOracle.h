// The engine's reference: the same block wrapper, rings and state, run with
// the per-sample kernels (every layout, one sample through the whole chain at
// a time), the plain per-channel resamplers and the slot-by-slot window
// maximum. The unit tests compare the engine's own paths with it bit for bit.
#pragma once

#include "dsp/CEngine.h"
#include "dsp/EngineKernels.h"
#include "tests/oracle/PlainOversampler.h"

namespace dsp {

namespace oracle {

// The window maximum of one detector as the definition tells it, slot by slot on the ring: write
// v at w, carry it backwards over every smaller slot up to the read slot r, raise r to v if
// smaller, read r and clear it.
double slotWalkPeakHold(double* ring, int w, int r, int mask, double v);

}  // namespace oracle

class EngineOracle {
public:
    // Takes over the engine's resampling with plain resamplers until it is destroyed. Build it
    // before the engine's full reset (the plain resamplers start cleared, the engine's own
    // resampler is left as it is).
    explicit EngineOracle(CEngine& engine);
    ~EngineOracle();
    EngineOracle(const EngineOracle&) = delete;
    EngineOracle& operator=(const EngineOracle&) = delete;

    // The engine's process() with the reference kernels.
    void process(const float* inA, const float* inB, float* outA, float* outB, int frames);
    void process(const double* inA, const double* inB, double* outA, double* outB, int frames);

    // Ring positions of an engine (its own kernels or these).
    struct Positions { int w1, r1, r3, w2, r2, fatIndex; };
    static Positions positions(const CEngine& engine);

private:
    // Ring slots of one sample.
    struct Slots { int w1, r1, r3, m1; };

    void runBlock(int n);
    template <Layout L, bool Multi> void kernel(int n, bool meters);
    template <Layout L>
    void wideBand(const double x[2], double off, Slots s, const KernelConstants& k, double y[2], double gain[2]);
    template <Layout L>
    void multiBand(const double x[2], double off, Slots s, const KernelConstants& k, double y[2], double gain[2]);
    template <Layout L>
    void route(int i, const double out[2], double passDry, const double in[2], double pass, const double gain[2],
               const KernelConstants& k, bool meters);
    double peakStep(double* ring, int w, int r, int mask, double v) {
        return oracle::slotWalkPeakHold(ring, w, r, mask, v);
    }

    CEngine& e_;
    oracle::PlainStereoResampler resampler_;
};

}  // namespace dsp

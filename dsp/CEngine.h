// The processing engine: block wrapper, the seven kernels, the delay rings
// and the meter detectors. The effect owns one engine, fills `params` and
// asks for the recomputations and resets a change needs; the audio thread
// calls process(). Everything is allocated when the engine is built.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "dsp/CBiquad.h"
#include "dsp/COversampler.h"
#include "dsp/EngineParams.h"
#include "dsp/EnginePeakHold.h"
#include "dsp/EngineSimd.h"
#include "dsp/FixedFilters.h"
#include "dsp/Transfer.h"

namespace dsp {

class CEngine {
public:
    explicit CEngine(const EngineConfig& config);
    CEngine(const CEngine&) = delete;
    CEngine& operator=(const CEngine&) = delete;

    EngineParams params;

    void setSampleRate(double hostRate);
    double sampleRate() const { return hostRate_; }
    int lookAheadSize() const { return s1_; }
    int delaySize() const { return s2_; }
    int latencySamples() const;
    // Kernel rate as the block wrapper runs it (twice the host rate with FAT).
    double kernelRate() const;
    // FAT as the block wrapper applies it: configured, switched on and host rate at most 100 kHz.
    bool fatRunning() const;

    void resetPositions();          // w1 = S1 - 1, w2 = S2 - 1, FAT ring index = S2 - 1; read positions from the windows
    void clearSignalState();        // zero every ring, block buffer, the FAT ring and both over flags
    void resetDynamics();           // envelopes, fixed filter states, smoothers (redesigned at the kernel rate)
    void fullReset();               // clearSignalState + resetDynamics + the resampler and delays
    void recomputeFilters();        // fixed filters and every CBiquad at the filter design rate
    void recomputeTimeConstants();  // windows and coefficients from params; read positions from w1 / w2
    void recomputeCurveConstants();
    void recomputeSmallSignalGain();   // the Drive-only step
    void retuneVuFilters();         // 700 / vuIntegrationMs Hz, redesigned and cleared
    void resetMeters();             // meter values and over counts to rest

    // Block wrapper. inB may equal inA and outB may equal outA (A is written first, then B);
    // inputs and outputs may be the same buffers. NaN and infinite input samples are taken as
    // silence; every output sample is finite. frames may be 0.
    void process(const float* inA, const float* inB, float* outA, float* outB, int frames);
    void process(const double* inA, const double* inB, double* outA, double* outB, int frames);

    std::atomic<float> meterValue[2];
    std::atomic<float> overFlag[2];
    std::atomic<int> metersActive{0};

    const TimeConstants& timeConstants() const { return tc_; }
    const CurveConstants& curveConstants() const { return cc_; }

    // Ring positions, for tests.
    struct Positions { int w1, r1, r3, w2, r2, fatIndex; };
    Positions positions() const { return {w1_, r1_, r3_, w2_, r2_, fatIndex_}; }

    // Kernel identifiers (the choice process() makes for a block).
    enum Kernel { kBypass, kMonoSingle, kMonoMulti, kLinkedSingle, kLinkedMulti, kUnlinkedSingle, kUnlinkedMulti };
    Kernel chooseKernel() const;

    typedef simd::v2d v2d;

    // Runs the plain per-channel kernels and COversampler's resampling instead of the
    // channel-pair code; the results are the same. Set before processing starts (tests).
    bool referenceMode = false;

private:
    template <class T> void processBlocks(const T* inA, const T* inB, T* outA, T* outB, int frames);
    void runBlock(int n);
    template <int Ch, bool Multi> void kernel(int n, bool meters);
    template <bool Linked, bool Multi> void pairKernel(int n, bool meters);
    void syncSmoothers(bool clearHistory);
    void bypassKernel(int n, bool meters);
    void runMeters(int n);
    void overLatch();
    void derivePositions();

    EngineConfig config_;
    int s1Max_, s2Max_;
    int s1_ = 0, s2_ = 0;
    double hostRate_ = 44100;

    // Ring positions.
    int w1_ = 0, r1_ = 0, r3_ = 0, w2_ = 0, r2_ = 0, fatIndex_ = 0;
    double denormalOffset_ = 1e-16;

    // One contiguous allocation holds every ring and block buffer; each ring
    // entry is a channel pair (lane 0: channel A, lane 1: channel B).
    std::unique_ptr<v2d[]> memory_;
    size_t memorySize_ = 0;
    v2d* dryRing_ = nullptr;        // s2Max
    v2d* outputRing_ = nullptr;     // s2Max
    v2d* fatRing_ = nullptr;        // s2Max
    v2d* lookAheadRing_ = nullptr;  // s1Max
    v2d* bandRing_ = nullptr;       // 3 * s1Max
    // Peak-hold rings, one plain ring of s1Max doubles per detector: channel c at + c * s1Max,
    // band b of channel c at + (2 * b + c) * s1Max.
    double* widePeak_ = nullptr;
    double* bandPeak_ = nullptr;
    double* finalPeak_ = nullptr;
    // Their input histories and block maxima: wide A, B; bands (low A, low B, mid A, ...); final A, B.
    std::unique_ptr<double[]> holdHistory_;
    std::unique_ptr<double[]> holdSuffix_;
    PeakHold wideHold_[2], bandHold_[3][2], finalHold_[2];
    double peakStep(PeakHold& hold, double* ring, int w, int r, int mask, double v) {
        return referenceMode ? walkPeakHold(ring, w, r, mask, v) : hold.step(w, r, mask, v);
    }

    static constexpr int kBlockCapacity = 512;
    double* inBuf_[2] = {nullptr, nullptr};
    double* outBuf_[2] = {nullptr, nullptr};
    // Per-sample values the meters need (kernel rate): input and gain per meter channel.
    double* meterIn_[2] = {nullptr, nullptr};
    double* meterGain_[2] = {nullptr, nullptr};

    // Per-sample values the stages of the pair kernels hand on (kernel block of at most 128 samples):
    // denormal offset, dry signal from the dry ring, signal after the gains, gain applied; per
    // detector (wide band, or low / mid / high) the delayed signal read from its ring and the level.
    static constexpr int kStageCapacity = 128;   // twice the block wrapper's block (FAT)
    double stageOff_[kStageCapacity] = {};
    v2d stageDry_[kStageCapacity] = {};
    v2d stageY_[kStageCapacity] = {};
    v2d stageGain_[kStageCapacity] = {};
    v2d stageDelayed_[3][kStageCapacity] = {};
    v2d stageLevel_[3][kStageCapacity] = {};
    double stageEnv_[3][kStageCapacity] = {};   // linked multi-band: each band envelope after each sample

    // Fixed filters.
    SubsonicCoeffs subC_{};
    CrossoverCoeffs lowC_{}, highC_{};
    SubsonicState subS_[2]{};
    CrossoverState lowS_[2]{}, highS_[2]{};

    // Envelopes.
    double envWide_[2] = {0.0001, 0.0001};
    double envBand_[2][3] = {{0.0001, 0.0001, 0.0001}, {0.0001, 0.0001, 0.0001}};
    double envFinal_[2] = {0.0001, 0.0001};

    // Control smoothers: 0..7 channel A (low, mid, high, wide/final; fast then slow), 8..15 channel B.
    // The CBiquad objects hold the designs; the kernels step the states below with their coefficients.
    std::vector<CBiquad> smoothers_;
    simd::SmootherState smoothState_[16];
    simd::FatResampler fatResampler_;
    std::vector<CBiquad> vuFilters_;
    std::vector<COversampler> oversamplers_;

    TimeConstants tc_{};
    CurveConstants cc_{};

    // Meters.
    float meterState_[2] = {0, 0};
    float overCount_[2] = {0, 0};
    double meterOffsetStart_ = 0;   // denormalOffset before the block's first sample
};

}  // namespace dsp

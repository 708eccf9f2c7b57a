// The processing engine: block wrapper, the seven kernels, the delay rings
// and the meter detectors. The effect owns one engine, fills `params` and
// asks for the recomputations and resets a change needs; the audio thread
// calls process(). Everything is allocated when the engine is built.
//
// CEngine.cpp holds the shell (rings, positions, resets, block wrapper),
// EngineMonoKernels.cpp the bypass and mono kernels, EnginePairKernels.cpp the
// stereo kernels with both channels as the lanes of one vector pair, and
// EngineMeters.cpp the meter detectors.
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
#include "dsp/StereoResampler.h"
#include "dsp/Transfer.h"
#include "dsp/VectorIsa.h"

namespace dsp {

// Channel layout of a processing kernel: one processed channel (routed by L R), or both
// channels with one detector chain (linked) or one per channel (unlinked).
enum class Layout { Mono, Linked, Unlinked };

struct KernelConstants;

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

    // Kernel identifiers (the choice process() makes for a block).
    enum Kernel { kBypass, kMonoSingle, kMonoMulti, kLinkedSingle, kLinkedMulti, kUnlinkedSingle, kUnlinkedMulti };
    Kernel chooseKernel() const;

private:
    // Runs the engine's blocks with other kernels and resamplers (a test library).
    friend class EngineOracle;
    typedef simd::v2d v2d;

    void runBlock(int n);
    int enterBlock(int n);                       // resampling in and the FAT ring; returns the kernel frames
    void leaveBlock(int n, int m, bool meters);  // meters, resampling out and the FAT clamp
    KernelConstants kernelConstants(bool scaleAuto) const;
    template <bool Multi> void monoKernel(int n, bool meters);
    template <Layout L, bool Multi> void pairKernel(int n, bool meters);
    template <Layout L, bool Multi> EMBERLINE_ALWAYS_INLINE void pairKernelBody(int n, bool meters);
    template <bool Multi> EMBERLINE_ALWAYS_INLINE void monoKernelBody(int n, bool meters);
    struct MonoSteps;                 // the stages of monoKernel
    template <Layout L, bool Multi> struct PairStages;   // the stages of pairKernel
    void syncSmoothers(bool clearHistory);
    void bypassKernel(int n, bool meters);
    void runMeters(int n);
    void overLatch();
    void derivePositions();
    // The ring positions and the denormal offset a kernel has reached at the end of its block.
    void keepPositions(int w1, int r1, int r3, int w2, int r2, double off) {
        w1_ = w1;
        r1_ = r1;
        r3_ = r3;
        w2_ = w2;
        r2_ = r2;
        denormalOffset_ = off;
    }

    EngineConfig config_;
    simd::VectorIsa isa_ = simd::widestVectorIsa();   // of the kernels
    int s1Max_, s2Max_;
    int s1_ = 0, s2_ = 0;
    double hostRate_ = 44100;

    // Ring positions; each advances by one per kernel sample.
    int w1_ = 0;        // write slot of the look-ahead, band and peak-hold rings (S1)
    int r1_ = 0;        // read slot of the look-ahead (single-band) and band rings: w1 - attackWindow - 1
    int r3_ = 0;        // read slot of the multi-band final stage's look-ahead: w1 - limiterWindow - 1
    int w2_ = 0;        // write slot of the dry and output rings (S2); dry is read at w2 + 1
    int r2_ = 0;        // read slot of the output ring, set so that every path has the latency S2 - 1
    int fatIndex_ = 0;  // write slot of the FAT delay ring (S2, oversampled frames)
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

    static constexpr int kBlockCapacity = 512;
    double* inBuf_[2] = {nullptr, nullptr};
    double* outBuf_[2] = {nullptr, nullptr};
    // Per-sample values the meters need (kernel rate): input and gain per meter channel.
    double* meterIn_[2] = {nullptr, nullptr};
    double* meterGain_[2] = {nullptr, nullptr};

    // Per-sample values the stages of the pair kernels hand on (kernel block of at most 128 samples):
    // denormal offset, dry signal from the dry ring, signal after the gains, gain applied; per
    // detector (wide band, or low / mid / high) the delayed signal read from its ring and the level.
    // The mono kernels hand theirs on in the same buffers, one double per sample.
    static constexpr int kStageCapacity = 2 * kMaxBlockFrames;   // oversampled (FAT) block
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
    StereoResampler* resampler_ = &fatResampler_;   // FAT resampling and the FAT-off delays
    COversampler fatDesign_{COversampler::kProductFlags};   // coefficients and latency count
    std::vector<CBiquad> vuFilters_;

    TimeConstants tc_{};
    CurveConstants cc_{};

    // Meters.
    float meterState_[2] = {0, 0};
    float overCount_[2] = {0, 0};
    double meterOffsetStart_ = 0;   // denormalOffset before the block's first sample
};

}  // namespace dsp

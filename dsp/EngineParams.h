// The quantities the processing engine reads, derived from the stored
// parameter values by the effect. The engine owns one instance; the effect
// fills it (between blocks, or while processing is stopped) and then asks the
// engine for the recomputations and resets a change requires.
#pragma once

namespace dsp {

// The block wrapper runs host calls in blocks of at most this many frames (twice as many
// at the kernel rate with FAT); the effect applies parameter changes between such blocks.
inline constexpr int kMaxBlockFrames = 64;

// Build-time differences between the two editions that the engine cares about.
struct EngineConfig {
    bool hasFat = true;     // second edition: FAT oversampler and the FAT-off delays
    int ringShift = 0;      // 0: S1 = 256/512/1024, S2 = 512/1024/2048; 2: a quarter of that (first edition)
};

enum class ChannelRouting { Mono = 0, Left = 1, Right = 2 };

struct EngineParams {
    // Switches.
    int processOn = 1;
    int multiBand = 0;      // Mode
    double modeValue = 0;   // stored Mode value (the kernels and read positions use multiBand)
    int stereo = 1;         // Mono Stereo on
    ChannelRouting routing = ChannelRouting::Mono;  // from L R; used by mono kernels only
    int linked = 1;
    int fatActive = 0;      // FAT on and host rate at most 100 kHz
    int longRelease = 0;
    int autoRelease = 0;
    int brickwallOn = 1;

    // Gains (linear).
    double driveGain = 1;
    double ceilingGain = 1;
    double outputGain = 1;
    double mixAmount = 1;
    double lowAdjustGain = 1;
    double highAdjustGain = 1;
    double bandSatGain[3] = {1, 1, 1};     // low, mid, high
    double bandSatInverse[3] = {1, 1, 1};

    // Dynamics.
    double speed = 1;                        // stored Speed value
    double releaseValue = 0.5;               // stored Release value (for autoReleaseScale)
    double releaseScale = 1;
    double bandReleaseScale[3] = {1, 1, 1};
    int kneeType = 0;
    double kneeAmount = 0;

    // Filters.
    double highFreqHz = 2000;
    double lowFreqHz = 100;   // design frequency of the low crossover (half the shown value)

    // Meters.
    int meterSource = 0;      // 0 Pre, 1 GainRed, 2 Post
    int meterTypePpm = 0;     // MeterType on: PPM
    double vuIntegrationMs = 300;
    double vuReference = 0.1;
    double vuReferenceInverse = 10;
    double ppmIntegrationMs = 10;
    double ppmReturnMs = 1000;
    float ppmRatio = 0.01f;
    double overThreshold = 3;
};

}  // namespace dsp

// The stored parameter values of one effect instance and everything the host
// and the editor read from them: names, labels, value texts, engineering
// values. Values are written by the thread that sets parameters and may be read
// by any thread, so every stored value is an atomic.
#pragma once

#include <atomic>

#include "effect/Edition.h"

class ParameterSet {
public:
    ParameterSet();

    // What storing a value did.
    struct StoreResult {
        bool stored = false;        // false: the value was ignored (not finite, or no such parameter)
        float passOn = 0;           // the value to hand to the program store (23 raised to 0.125)
        bool channelModeReset = false;  // ChannelMode moved to another hundredth
    };

    // Stores v for a logical index with the quantisations of the parameter set.
    // ChannelMode writes Mono Stereo and L R directly.
    StoreResult store(int logical, float v);

    // The raw stored value of a logical index (0 where nothing is stored).
    double stored(int logical) const {
        return (logical >= 0 && logical < edition::kNumLogical)
                   ? values_[logical].load(std::memory_order_relaxed)
                   : 0.0;
    }
    // Writes a stored value without any quantisation (construction defaults).
    void setStored(int logical, double v) {
        if (logical >= 0 && logical < edition::kNumLogical)
            values_[logical].store(v, std::memory_order_relaxed);
    }

    // What getParameter answers for a logical index.
    float get(int logical) const;

    // The range scale 0.125 .. 1 that FineTune selects.
    double fineTuneScale() const;

    // The engineering value the editor displays (logical index).
    float displayValue(int logical) const;

    // Host texts, by host (edition) index. text must hold at least 25 bytes.
    void name(int hostIndex, char* text) const;
    void label(int hostIndex, char* text) const;
    void display(int hostIndex, char* text) const;

private:
    std::atomic<double> values_[edition::kNumLogical];
    std::atomic<double> channelModeCopy_{0.0};
};

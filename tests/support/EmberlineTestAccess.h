// The tests' access to the effect's engine and pending changes, which the
// product keeps private.
#pragma once

#include "effect/Emberline.h"

struct EmberlineTestAccess {
    // Runs what is pending now; only while no process call runs.
    static void applyPending(Emberline& effect) { effect.applyPending(); }
    static const dsp::CEngine& engine(const Emberline& effect) { return effect.engine_; }
    // For tests that stand in for the audio thread's meter outputs.
    static dsp::CEngine& mutableEngine(Emberline& effect) { return effect.engine_; }
    static bool isStateCleared(const Emberline& effect) { return effect.stateCleared_; }
};

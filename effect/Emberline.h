// The product effect: parameter storage and texts, lifecycle, and the
// translation of parameter changes into processing state.
//
// Threads: the host sets parameters and calls the dispatcher on one thread and
// processes on another. setParameter only writes atomics (the stored values and
// a mask of what changed); the audio thread derives the engine's quantities and
// runs the recomputations and resets between two blocks. suspend, resume and
// the sample-rate change touch the engine directly: the host does not process
// while it calls them.
#pragma once

#include <atomic>
#include <cstdint>

#include "dsp/CEngine.h"
#include "effect/EditorReadouts.h"
#include "effect/Edition.h"
#include "effect/ParameterSet.h"
#include "effect/ParameterTable.h"
#include "presets/CPresetSystemEffect.h"

class Emberline : public CPresetSystemEffect {
public:
    explicit Emberline(vst::audioMasterCallback audioMaster);
    ~Emberline() override;

    // Interface operations.
    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, vst::int32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, vst::int32 sampleFrames) override;
    void setParameter(vst::int32 index, float value) override;
    float getParameter(vst::int32 index) override;
    void getParameterLabel(vst::int32 index, char* label) override;
    void getParameterDisplay(vst::int32 index, char* text) override;
    void getParameterName(vst::int32 index, char* text) override;
    bool getParameterProperties(vst::int32 index, vst::VstParameterProperties* p) override;
    bool getInputProperties(vst::int32 index, vst::VstPinProperties* p) override;
    bool getOutputProperties(vst::int32 index, vst::VstPinProperties* p) override;
    bool setProcessPrecision(vst::int32 precision) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    vst::int32 getVendorVersion() override;
    vst::int32 getPlugCategory() override;
    vst::intptr vendorSpecific(vst::int32 index, vst::intptr value, void* ptr, float opt) override;

    // Operations the effect adds.
    virtual float getDisplayValue(vst::int32 index);
    virtual float getLatencyMs();
    virtual float getLatencySamples();
    virtual float getLookAheadSize();
    virtual float getDelaySize();

    // Shared with the editor.
    std::atomic<int> knobModeChanged{1};
    float meterValue(int channel) const {
        return engine_.meterValue[channel & 1].load(std::memory_order_relaxed);
    }
    // Reads an over flag and clears it.
    bool takeOverFlag(int channel) {
        return engine_.overFlag[channel & 1].exchange(0.0f, std::memory_order_relaxed) >= 1.0f;
    }
    void setMetersActive(bool on) { engine_.metersActive.store(on ? 1 : 0, std::memory_order_relaxed); }
    // The installed editor's readouts, if it has them.
    CEditorReadouts* editorReadouts() const { return dynamic_cast<CEditorReadouts*>(presetEditor()); }

private:
    // The tests' window on the engine and the pending changes (defined by the tests only).
    friend struct EmberlineTestAccess;

    // Resets ride in the top bits of the change mask, so that a value and the
    // reset it needs are published together and applied in the same block.
    static constexpr uint64_t kClearSignal = uint64_t(1) << 61;
    static constexpr uint64_t kResetDynamics = uint64_t(1) << 62;
    static constexpr uint64_t kFullReset = uint64_t(1) << 63;
    static constexpr uint64_t kWorkMask = kClearSignal | kResetDynamics | kFullReset;
    static_assert(edition::kNumLogical <= 61, "logical indices must leave the work bits free");

    void markChanged(int logical, uint64_t work = 0) {
        changed_.fetch_or((uint64_t(1) << logical) | work, std::memory_order_release);
    }
    void markAllChanged();

    // Derives the engine's quantities for everything that changed and runs the
    // recomputations and resets that asks for. Runs between blocks on the audio
    // thread, or on the dispatcher thread while the host does not process.
    void applyPending();
    // Sets the engine quantity of one row from its stored value v and law value x.
    void deliver(const params::Row& row, double v, double x, double k);

    void limitSampleRate();        // limits the host rate to the rates the effect runs at
    double effectiveRate() const;  // the host rate as the engine uses it (44100 outside those)

    template <class T>
    void processAny(T** inputs, T** outputs, vst::int32 sampleFrames);

    ParameterSet params_;
    dsp::CEngine engine_;
    std::atomic<uint64_t> changed_{0};
    bool stateCleared_ = false;
};

// The product editor of an effect, or null when it cannot be made (defined
// with the editor).
CPresetSystemEditor* createEmberlineEditor(Emberline* effect);

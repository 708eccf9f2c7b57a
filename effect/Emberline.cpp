#include "effect/Emberline.h"

#include <cmath>
#include <cstdio>

#include "host/entry.h"
#include "presets/SettingsStore.h"

using namespace vst;
using namespace edition;

namespace {

constexpr dsp::EngineConfig kEngineConfig{kSecond, kSecond ? 0 : 2};

// The ring lengths the effect's sample rate selects.
int delaySizeFor(double rate) {
    int s2 = rate < 50000 ? 512 : (rate < 100000 ? 1024 : 2048);
    return kSecond ? s2 : s2 / 4;
}

int hostIndex(int logical) { return toHost(logical); }

// The settings kept per user, in the order the destructor writes them.
constexpr int kSettingsOrder[] = {kVuIntegr, kVuRefer, kPpmIntegr, kPpmReturn, kKnobMode, kOverIndic};

inline int roundSwitch(double v) { return (int)(v + 0.5); }

// The window-less editor held while no real one exists: it takes what the
// effect tells an editor and opens nothing.
class StandInEditor final : public CPresetSystemEditor, public CEditorReadouts {
public:
    using CPresetSystemEditor::CPresetSystemEditor;
    bool open(void*) override { return false; }
    void refreshLatencyReadouts() override {}
    void restMeters() override {}
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    // Nothing may escape into the host: an instance that cannot be built is none.
    try {
        return new Emberline(audioMaster);
    } catch (...) {
        return nullptr;
    }
}

Emberline::Emberline(audioMasterCallback audioMaster)
    : CPresetSystemEffect(audioMaster), engine_(kEngineConfig) {
    // Neutral derived quantities are the engine parameters' defaults.
    stateCleared_ = false;
    engine_.metersActive.store(0);
    knobModeChanged.store(1);

    // The user settings of the meters.
    for (int logical : {kVuIntegr, kVuRefer, kPpmIntegr, kPpmReturn})
        setParameter(hostIndex(logical), presets::loadSetting(hostIndex(logical), 0.5f));

    params_.setStored(kMeterScale, 0.0);
    setParameter(hostIndex(kOverIndic), presets::loadSetting(hostIndex(kOverIndic), 0.5f));

    params_.setStored(kFineTune, 1.0);
    params_.setStored(kHidden, 0.0);
    params_.setStored(kMeters, 0.0);
    params_.setStored(kMode, 0.0);
    for (int logical : {kLowSat, kMidSat, kHighSat, kLowRel, kMidRel, kHighRel})
        params_.setStored(logical, 0.5);
    setParameter(hostIndex(kKnobMode), presets::loadSetting(hostIndex(kKnobMode), 0.5f));

    numParams = kNumParams;  // the first edition shows 48
    cEffect.numParams = kNumParams;
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing();
    canDoubleReplacing();
    setUniqueID(kUniqueId);
    setInitialDelay((int32)getLatencySamples());

    if (sampleRate < 22050.0f) sampleRate = 22050.0f;
    if (sampleRate > 192000.0f) sampleRate = 192000.0f;
    engine_.setSampleRate(sampleRate);
    applyPending();
    engine_.resetPositions();
    engine_.resetDynamics();
    engine_.resetMeters();

    initFactoryPrograms();
    selectProgram(0);

    markAllChanged();
    applyPending();
    engine_.recomputeFilters();
    engine_.recomputeTimeConstants();
    engine_.clearSignalState();

    // The window-less stand-in editor: it takes what the effect tells an
    // editor, but the host is not told that there is one to open.
    setEditor(new (std::nothrow) StandInEditor(this), false);

    suspend();
    resume();
    suspend();
}

Emberline::~Emberline() {
    // The editor goes first, while the engine it may still talk to exists.
    CPresetSystemEditor* ownEditor = presetEditor();
    setEditor(nullptr);
    delete ownEditor;

    int ids[6];
    float values[6];
    int n = 0;
    for (int logical : kSettingsOrder) {
        ids[n] = hostIndex(logical);
        values[n] = (float)params_.stored(logical);
        ++n;
    }
    presets::saveSettingsForEdition(edition::kEdition, ids, values, n);
}

void Emberline::markAllChanged() {
    // Every parameter this edition has.
    static const uint64_t mask = [] {
        uint64_t m = 0;
        for (int logical = 0; logical < kNumLogical; ++logical)
            if (toHost(logical) >= 0) m |= uint64_t(1) << logical;
        return m;
    }();
    changed_.fetch_or(mask, std::memory_order_release);
}

double Emberline::effectiveRate() const {
    double rate = sampleRate;
    if (rate < 22050.0 || rate > 192000.0) rate = 44100.0;
    return rate;
}

// ---------------------------------------------------------------------------
// Lifecycle

void Emberline::suspend() {
    engine_.retuneVuFilters();
    if (sampleRate < 22050.0f) sampleRate = 22050.0f;
    if (sampleRate > 192000.0f) sampleRate = 192000.0f;
    engine_.fullReset();
    engine_.clearSignalState();
    engine_.resetDynamics();
    engine_.resetMeters();
    setParameter(hostIndex(kKnobMode), (float)params_.stored(kKnobMode));
    if (CEditorReadouts* readouts = editorReadouts()) readouts->restMeters();
    stateCleared_ = true;
    resume();
    stateCleared_ = true;
}

void Emberline::resume() {
    if (!stateCleared_) suspend();
    const double rate = effectiveRate();
    setInitialDelay((int32)getLatencySamples());
    engine_.setSampleRate(rate);
    // Derive everything from the stored values at this rate (FAT follows it).
    markAllChanged();
    applyPending();
    engine_.resetPositions();
    engine_.fullReset();
    engine_.recomputeFilters();
    engine_.recomputeTimeConstants();
    if (CEditorReadouts* readouts = editorReadouts()) readouts->refreshLatencyReadouts();
    stateCleared_ = false;
}

void Emberline::setSampleRate(float rate) {
    if (!std::isfinite(rate)) return;
    sampleRate = rate;
    suspend();
    resume();
}

// ---------------------------------------------------------------------------
// Processing

template <class T>
void Emberline::processAny(T** inputs, T** outputs, int32 sampleFrames) {
    applyPending();
    if (sampleFrames <= 0 || !inputs || !outputs || !inputs[0] || !outputs[0]) return;
    const T* inA = inputs[0];
    const T* inB = (inputs[1] && isInputConnected(1)) ? inputs[1] : inputs[0];
    T* outA = outputs[0];
    T* outB = (outputs[1] && isOutputConnected(1)) ? outputs[1] : outputs[0];
    // A change made while a long host buffer is being processed takes effect
    // at the next block of at most 64 frames, not at the next host call.
    constexpr int32 kBlock = 64;
    for (int32 done = 0; done < sampleFrames; done += kBlock) {
        if (done) applyPending();
        const int32 n = sampleFrames - done < kBlock ? sampleFrames - done : kBlock;
        engine_.process(inA + done, inB + done, outA + done, outB + done, n);
    }
}

void Emberline::processReplacing(float** inputs, float** outputs, int32 sampleFrames) {
    processAny(inputs, outputs, sampleFrames);
}

void Emberline::processDoubleReplacing(double** inputs, double** outputs, int32 sampleFrames) {
    processAny(inputs, outputs, sampleFrames);
}

// ---------------------------------------------------------------------------
// Parameter application

void Emberline::setParameter(int32 index, float value) {
    // A value that is not a number is ignored; one outside 0..1 is limited to
    // that range, as the programs keep it, so that no gain or index derived
    // from it can leave its range.
    if (!std::isfinite(value)) return;
    if (value < 0.0f) value = 0.0f;
    if (value > 1.0f) value = 1.0f;
    const int logical = toLogical(index);
    const ParameterSet::StoreResult stored = params_.store(logical, value);
    float passOn = value;
    if (stored.stored) {
        passOn = stored.passOn;
        switch (logical) {
            case kProcess: markChanged(logical, kClearSignal); break;
            case kMode: markChanged(logical, kResetDynamics); break;
            case kFat: markChanged(logical, kFullReset); break;
            case kKnobMode:
                markChanged(logical);
                knobModeChanged.store(1, std::memory_order_relaxed);
                break;
            case kChannelMode:
                changed_.fetch_or((uint64_t(1) << kMonoStereo) | (uint64_t(1) << kLR) |
                                      (stored.channelModeReset ? kFullReset : 0),
                                  std::memory_order_release);
                break;
            case kFineTune:
                markChanged(logical);
                // The five scaled gains follow the new range at once.
                for (int dependent : {kCeiling, kDrive, kHighAdjust, kLowAdjust, kOutput})
                    setParameter(hostIndex(dependent), (float)params_.stored(dependent));
                break;
            default: markChanged(logical); break;
        }
    }
    CPresetSystemEffect::setParameter(index, passOn);
    if (isGlobalHostIndex(index)) writeGlobal(index, passOn);
    if (CPresetSystemEditor* ed = presetEditor()) ed->setParameter(index, value);
}

void Emberline::applyPending() {
    uint64_t changed = changed_.exchange(0, std::memory_order_acquire);
    if (!changed) return;
    const uint64_t work = changed & kWorkMask;
    changed &= ~kWorkMask;

    dsp::EngineParams& p = engine_.params;
    const double k = params_.fineTuneScale();
    const double s = std::sqrt(k);
    const bool rateAllowsFat = engine_.sampleRate() <= 100000.0;
    bool curve = false, smallSignal = false, time = false, filters = false, vu = false;

    while (changed) {
        const int logical = __builtin_ctzll(changed);
        changed &= changed - 1;
        const double v = params_.stored(logical);
        switch (logical) {
            case kProcess: p.processOn = roundSwitch(v); break;
            case kMode:
                p.modeValue = v;
                p.multiBand = roundSwitch(v);
                filters = time = true;
                break;
            case kMonoStereo: p.stereo = roundSwitch(v); break;
            case kLink: p.linked = roundSwitch(v); break;
            case kDrive:
                p.driveGain = std::pow(std::pow(256.0, k), v) / std::pow(16.0, k);
                smallSignal = true;
                break;
            case kKnee:
                dsp::kneeFromValue(v, p.kneeType, p.kneeAmount);
                curve = true;
                break;
            case kSpeed:
                p.speed = v;
                time = true;
                break;
            case kRelease:
                p.releaseValue = v;
                p.releaseScale = 0.25 * std::pow(16.0, v);
                time = true;
                break;
            case kHighAdjust: p.highAdjustGain = std::pow(std::pow(16.0, k), v) / std::pow(4.0, k); break;
            case kLowAdjust: p.lowAdjustGain = std::pow(std::pow(16.0, k), v) / std::pow(4.0, k); break;
            case kHighFreq:
                p.highFreqHz = 1000.0 * std::pow(16.0, v);
                filters = true;
                break;
            case kLowFreq:
                p.lowFreqHz = 12.5 * std::pow(16.0, v);
                filters = true;
                break;
            case kMix: p.mixAmount = v; break;
            case kCeiling:
                p.ceilingGain = std::pow(std::pow(16.0, s), v) / std::pow(4.0, s);
                curve = true;
                break;
            case kOutput: p.outputGain = std::pow(std::pow(16.0, s), v) / std::pow(4.0, s); break;
            case kLowSat:
            case kMidSat:
            case kHighSat: {
                const int band = logical - kLowSat;
                p.bandSatGain[band] = kSecond ? 0.25 * std::pow(16.0, v) : 0.5 * std::pow(4.0, v);
                p.bandSatInverse[band] = 1.0 / p.bandSatGain[band];
                break;
            }
            case kLowRel:
            case kMidRel:
            case kHighRel:
                p.bandReleaseScale[logical - kLowRel] =
                    kSecond ? 0.0625 * std::pow(256.0, v) : 0.25 * std::pow(16.0, v);
                time = true;
                break;
            case kMeters: {
                int source = (int)(3.0 * v);
                p.meterSource = source > 2 ? 2 : (source < 0 ? 0 : source);
                break;
            }
            case kMeterType: p.meterTypePpm = v >= 0.5 ? 1 : 0; break;
            case kHidden:
                if (!rateAllowsFat) p.fatActive = 0;
                break;
            case kFat:
                p.fatActive = (kSecond && rateAllowsFat) ? roundSwitch(v) : 0;
                filters = time = true;
                break;
            case kVestigialFat: p.fatActive = 0; break;
            case kLong:
                p.longRelease = roundSwitch(v);
                time = true;
                break;
            case kAuto: p.autoRelease = roundSwitch(v); break;
            case kBrickwall: p.brickwallOn = roundSwitch(v); break;
            case kLR:
                p.routing = v < 0.333 ? dsp::ChannelRouting::Mono
                                      : (v < 0.66 ? dsp::ChannelRouting::Left : dsp::ChannelRouting::Right);
                break;
            case kVuIntegr:
                p.vuIntegrationMs = 30.0 * std::pow(100.0, v);
                vu = true;
                break;
            case kVuRefer:
                p.vuReference = std::pow(0.06125, 1.0 - v);
                p.vuReferenceInverse = 1.0 / p.vuReference;
                break;
            case kPpmIntegr:
            case kPpmReturn:
                p.ppmIntegrationMs = std::pow(101.0, params_.stored(kPpmIntegr)) - 1.0;
                p.ppmReturnMs = 100.0 * std::pow(100.0, params_.stored(kPpmReturn));
                p.ppmRatio = (float)(p.ppmIntegrationMs / p.ppmReturnMs);
                break;
            case kOverIndic: p.overThreshold = 9.0 * v + 1.0; break;
            default: break;
        }
    }

    if (work & kFullReset) {
        engine_.fullReset();
    } else {
        if (work & kClearSignal) engine_.clearSignalState();
        if (work & kResetDynamics) engine_.resetDynamics();
    }
    if (filters) engine_.recomputeFilters();
    if (time) engine_.recomputeTimeConstants();
    if (curve)
        engine_.recomputeCurveConstants();
    else if (smallSignal)
        engine_.recomputeSmallSignalGain();
    if (vu) engine_.retuneVuFilters();
}

// ---------------------------------------------------------------------------
// Parameter texts and properties

float Emberline::getParameter(int32 index) { return params_.get(toLogical(index)); }

void Emberline::getParameterLabel(int32 index, char* label) { params_.label(index, label); }

void Emberline::getParameterDisplay(int32 index, char* text) { params_.display(index, text); }

void Emberline::getParameterName(int32 index, char* text) { params_.name(index, text); }

float Emberline::getDisplayValue(int32 index) {
    const int logical = toLogical(index);
    if (logical == kFat)
        return (float)((kSecond && sampleRate <= 100000.0f) ? roundSwitch(params_.stored(kFat)) : 0);
    return params_.displayValue(logical);
}

bool Emberline::getParameterProperties(int32 index, VstParameterProperties* p) {
    const int logical = toLogical(index);
    int32 flags = 0, maxInteger = 0;
    switch (logical) {
        case kProcess:
        case kMode:
        case kMonoStereo:
        case kLink:
        case kMeterType:
        case kMeterScale:
        case kFat:
        case kVestigialFat:
        case kLong:
        case kAuto:
        case kBrickwall:
            flags = kVstParameterIsSwitch | kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
            maxInteger = 1;
            break;
        case kMeters:
            flags = kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
            maxInteger = 2;
            break;
        case kFineTune:
            flags = kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
            maxInteger = 3;
            break;
        default: return false;
    }
    // Only host-visible switch rows answer (the settings above 41 have no properties).
    if (index < 0 || index >= kNumParams) return false;
    p->flags = flags;
    p->minInteger = 0;
    p->maxInteger = maxInteger;
    p->stepInteger = 1;
    p->largeStepInteger = 1;
    return true;
}

static bool pinProperties(int32 index, VstPinProperties* p, const char* kind) {
    if (index != 0 && index != 1) return false;
    std::snprintf(p->label, sizeof p->label, "My %1d %s", index + 1, kind);
    p->flags = index == 0 ? (kVstPinIsActive | kVstPinIsStereo) : kVstPinIsActive;
    return true;
}

bool Emberline::getInputProperties(int32 index, VstPinProperties* p) {
    return pinProperties(index, p, "In");
}

bool Emberline::getOutputProperties(int32 index, VstPinProperties* p) {
    return pinProperties(index, p, "Out");
}

bool Emberline::setProcessPrecision(int32) { return true; }

bool Emberline::getEffectName(char* name) {
    vst_strncpy(name, kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool Emberline::getVendorString(char* text) {
    vst_strncpy(text, kVendorString, kVstMaxVendorStrLen);
    return true;
}

bool Emberline::getProductString(char* text) {
    vst_strncpy(text, kProductString, kVstMaxProductStrLen);
    return true;
}

int32 Emberline::getVendorVersion() { return kVendorVersion; }

int32 Emberline::getPlugCategory() { return kPlugCategMastering; }

float Emberline::getLatencySamples() {
    const int s2 = delaySizeFor(sampleRate);
    return (float)(kSecond ? s2 + 127 : s2 - 1);
}

float Emberline::getLatencyMs() {
    double rate = sampleRate;
    if (rate > 200000.0 || rate < 20000.0) rate = 44100.0;
    return (float)(getLatencySamples() * 1000.0 / rate);
}

float Emberline::getLookAheadSize() { return (float)(delaySizeFor(sampleRate) / 2); }

float Emberline::getDelaySize() { return (float)delaySizeFor(sampleRate); }

#include "effect/Emberline.h"

#include <bit>
#include <cmath>
#include <cstdio>

#include "effect/ParameterTable.h"
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

// The host rates the effect runs at; a rate outside is limited to them.
constexpr float kMinRate = 22050.0f;
constexpr float kMaxRate = 192000.0f;
// FAT oversamples only up to this host rate.
constexpr double kFatRateLimit = 100000.0;

// The settings kept per user, in the order the destructor writes them.
constexpr int kSettingsOrder[] = {kVuIntegr, kVuRefer, kPpmIntegr, kPpmReturn, kKnobMode, kOverIndic};

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

    limitSampleRate();
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

    // The window; without one (no memory for it) the host is told of none.
    CPresetSystemEditor* window = createEmberlineEditor(this);
    setEditor(window, window != nullptr);

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
    presets::saveSettingsForEdition(::kEdition, ids, values, n);
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

void Emberline::limitSampleRate() {
    if (sampleRate < kMinRate) sampleRate = kMinRate;
    if (sampleRate > kMaxRate) sampleRate = kMaxRate;
}

double Emberline::effectiveRate() const {
    double rate = sampleRate;
    if (rate < kMinRate || rate > kMaxRate) rate = 44100.0;
    return rate;
}

// ---------------------------------------------------------------------------
// Lifecycle

void Emberline::suspend() {
    engine_.retuneVuFilters();
    limitSampleRate();
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
    // at the next block of the engine, not at the next host call.
    constexpr int32 kBlock = dsp::kMaxBlockFrames;
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
        const params::Row& row = *params::rowOf(logical);
        uint64_t work = 0;
        if (row.work & params::kClearSignal) work |= kClearSignal;
        if (row.work & params::kResetDynamics) work |= kResetDynamics;
        if ((row.work & params::kFullReset) || stored.channelModeReset) work |= kFullReset;
        if (row.store == params::Store::ChannelPair)
            changed_.fetch_or((uint64_t(1) << kMonoStereo) | (uint64_t(1) << kLR) | work,
                              std::memory_order_release);
        else
            markChanged(logical, work);
        if (row.work & params::kKnobModeFlag) knobModeChanged.store(1, std::memory_order_relaxed);
        // The scaled gains follow a new range at once.
        if (row.work & params::kRescaleGains)
            for (int dependent : params::kRescaledByFineTune)
                setParameter(hostIndex(dependent), (float)params_.stored(dependent));
    }
    CPresetSystemEffect::setParameter(index, passOn);
    if (params::isGlobalHostIndex(index)) writeGlobal(index, passOn);
    if (CPresetSystemEditor* ed = presetEditor()) ed->setParameter(index, value);
}

// Sets the engine quantity of one parameter from its stored value v and its
// law's value x.
void Emberline::deliver(const params::Row& row, double v, double x, double k) {
    dsp::EngineParams& p = engine_.params;
    using params::Applied;
    switch (row.applied) {
        case Applied::Nothing: break;
        case Applied::ProcessOn: p.processOn = (int)x; break;
        case Applied::Mode:
            p.modeValue = v;
            p.multiBand = (int)x;
            break;
        case Applied::Stereo: p.stereo = (int)x; break;
        case Applied::Linked: p.linked = (int)x; break;
        case Applied::DriveGain: p.driveGain = params::dbGain(row.law, v, k); break;
        case Applied::Knee: dsp::kneeFromValue(v, p.kneeType, p.kneeAmount); break;
        case Applied::Speed: p.speed = v; break;
        case Applied::Release:
            p.releaseValue = v;
            p.releaseScale = x;
            break;
        case Applied::HighAdjustGain: p.highAdjustGain = params::dbGain(row.law, v, k); break;
        case Applied::LowAdjustGain: p.lowAdjustGain = params::dbGain(row.law, v, k); break;
        case Applied::HighFreq: p.highFreqHz = x; break;
        case Applied::LowFreq: p.lowFreqHz = 0.5 * x; break;  // designed at half the shown frequency
        case Applied::Mix: p.mixAmount = v; break;
        case Applied::CeilingGain: p.ceilingGain = params::dbGain(row.law, v, k); break;
        case Applied::OutputGain: p.outputGain = params::dbGain(row.law, v, k); break;
        case Applied::BandSat:
            p.bandSatGain[row.logical - kLowSat] = x;
            p.bandSatInverse[row.logical - kLowSat] = 1.0 / x;
            break;
        case Applied::BandRelease: p.bandReleaseScale[row.logical - kLowRel] = x; break;
        case Applied::MeterSource: {
            const int source = (int)(3.0 * v);
            p.meterSource = source > 2 ? 2 : (source < 0 ? 0 : source);
            break;
        }
        case Applied::MeterType: p.meterTypePpm = v >= 0.5 ? 1 : 0; break;
        case Applied::FatGuard:
            if (engine_.sampleRate() > kFatRateLimit) p.fatActive = 0;
            break;
        case Applied::Fat: p.fatActive = (kSecond && engine_.sampleRate() <= kFatRateLimit) ? (int)x : 0; break;
        case Applied::FatOff: p.fatActive = 0; break;
        case Applied::LongRelease: p.longRelease = (int)x; break;
        case Applied::AutoRelease: p.autoRelease = (int)x; break;
        case Applied::Brickwall: p.brickwallOn = (int)x; break;
        case Applied::Routing: p.routing = (dsp::ChannelRouting)(int)(2.0 * x); break;
        case Applied::VuIntegration: p.vuIntegrationMs = x; break;
        case Applied::VuReference:
            p.vuReference = x;
            p.vuReferenceInverse = 1.0 / x;
            break;
        case Applied::Ppm: {
            const params::Row& integration = *params::rowOf(kPpmIntegr);
            const params::Row& ret = *params::rowOf(kPpmReturn);
            p.ppmIntegrationMs = params::lawValue(integration.law, params_.stored(kPpmIntegr), k);
            p.ppmReturnMs = params::lawValue(ret.law, params_.stored(kPpmReturn), k);
            p.ppmRatio = (float)(p.ppmIntegrationMs / p.ppmReturnMs);
            break;
        }
        case Applied::OverThreshold: p.overThreshold = x; break;
    }
}

void Emberline::applyPending() {
    uint64_t changed = changed_.exchange(0, std::memory_order_acquire);
    if (!changed) return;
    const uint64_t work = changed & kWorkMask;
    changed &= ~kWorkMask;

    const double k = params_.fineTuneScale();
    unsigned recompute = 0;
    while (changed) {
        const int logical = std::countr_zero(changed);
        changed &= changed - 1;
        const params::Row* row = params::rowOf(logical);
        if (!row) continue;
        const double v = params_.stored(logical);
        deliver(*row, v, params::lawValue(row->law, v, k), k);
        recompute |= row->work & params::kRecomputations;
    }

    if (work & kFullReset) {
        engine_.fullReset();
    } else {
        if (work & kClearSignal) engine_.clearSignalState();
        if (work & kResetDynamics) engine_.resetDynamics();
    }
    if (recompute & params::kFilters) engine_.recomputeFilters();
    if (recompute & params::kTimeConstants) engine_.recomputeTimeConstants();
    if (recompute & params::kCurveConstants)
        engine_.recomputeCurveConstants();
    else if (recompute & params::kSmallSignalGain)
        engine_.recomputeSmallSignalGain();
    if (recompute & params::kVuFilters) engine_.retuneVuFilters();
}

// ---------------------------------------------------------------------------
// Parameter texts and properties

float Emberline::getParameter(int32 index) { return params_.get(toLogical(index)); }

void Emberline::getParameterLabel(int32 index, char* label) { params_.label(index, label); }

void Emberline::getParameterDisplay(int32 index, char* text) { params_.display(index, text); }

void Emberline::getParameterName(int32 index, char* text) { params_.name(index, text); }

intptr Emberline::vendorSpecific(int32 index, intptr value, void* ptr, float opt) {
    // The host's content-scale message is the window's.
    if (CPresetSystemEditor* ed = presetEditor()) return ed->vendorSpecific(index, value, ptr, opt);
    return 0;
}

float Emberline::getDisplayValue(int32 index) {
    const int logical = toLogical(index);
    if (logical == kFat)
        return (float)((kSecond && sampleRate <= kFatRateLimit) ? params::roundSwitch(params_.stored(kFat)) : 0);
    return params_.displayValue(logical);
}

bool Emberline::getParameterProperties(int32 index, VstParameterProperties* p) {
    // Only host-visible stepped parameters answer (the settings above 41 have no properties).
    const params::Row* row = params::rowOf(toLogical(index));
    if (!row || row->hostMax == 0 || index < 0 || index >= kNumParams) return false;
    p->flags = kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
    if (row->hostMax == 1) p->flags |= kVstParameterIsSwitch;
    p->minInteger = 0;
    p->maxInteger = row->hostMax;
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

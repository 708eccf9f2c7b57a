#include "host/AudioEffect.h"

#include "host/NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace vst;

namespace {

// Entry-level callbacks stored in the AEffect record.
extern "C" intptr dispatchEffectClass(AEffect* e, int32 opcode, int32 index, intptr value, void* ptr,
                                      float opt) {
    auto* effect = static_cast<AudioEffect*>(e->object);
    if (opcode == effClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

extern "C" void processClass(AEffect* e, float** inputs, float** outputs, int32 sampleFrames) {
    static_cast<AudioEffect*>(e->object)->process(inputs, outputs, sampleFrames);
}

extern "C" void setParameterClass(AEffect* e, int32 index, float value) {
    static_cast<AudioEffect*>(e->object)->setParameter(index, value);
}

extern "C" float getParameterClass(AEffect* e, int32 index) {
    return static_cast<AudioEffect*>(e->object)->getParameter(index);
}

extern "C" void processReplacingClass(AEffect* e, float** inputs, float** outputs,
                                      int32 sampleFrames) {
    static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
}

extern "C" void processDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                            int32 sampleFrames) {
    static_cast<AudioEffect*>(e->object)->processDoubleReplacing(inputs, outputs, sampleFrames);
}

}  // namespace

void vst_strncpy(char* dst, const char* src, int maxLen) {
    if (!dst) return;
    int n = 0;
    if (src)
        while (n < maxLen && src[n]) {
            dst[n] = src[n];
            ++n;
        }
    dst[n] = 0;
}

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32 numPrograms, int32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingClass;
    cEffect.processDoubleReplacing = processDoubleReplacingClass;
}

AudioEffect::~AudioEffect() {
    delete editor;
    editor = nullptr;
}

void AudioEffect::setEditor(AEffEditor* newEditor, bool advertise) {
    editor = newEditor;
    if (editor && advertise)
        cEffect.flags |= effFlagsHasEditor;
    else
        cEffect.flags &= ~effFlagsHasEditor;
}

intptr AudioEffect::callHost(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

intptr AudioEffect::dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 0;
        case effSetProgram:
            if (value < numPrograms) setProgram((int32)value);
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            if (ptr) setProgramName((char*)ptr);
            return 0;
        case effGetProgramName:
            if (ptr) getProgramName((char*)ptr);
            return 0;
        case effGetParamLabel:
            if (ptr) getParameterLabel(index, (char*)ptr);
            return 0;
        case effGetParamDisplay:
            if (ptr) getParameterDisplay(index, (char*)ptr);
            return 0;
        case effGetParamName:
            if (ptr) getParameterName(index, (char*)ptr);
            return 0;
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            setBlockSize((int32)value);
            return 0;
        case effMainsChanged:
            if (value)
                resume();
            else
                suspend();
            return 0;
        case effEditGetRect:
            return (editor && editor->getRect((ERect**)ptr)) ? 1 : 0;
        case effEditOpen:
            return (editor && editor->open(ptr)) ? 1 : 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effIdentify:
            return kIdentify;
        case effGetChunk:
            return ptr ? getChunk((void**)ptr, index != 0) : 0;
        case effSetChunk:
            return setChunk(ptr, (int32)value, index != 0);
        default:
            return 0;
    }
}

void AudioEffect::processReplacing(float**, float**, int32) {}
void AudioEffect::processDoubleReplacing(double**, double**, int32) {}

void AudioEffect::setParameterAutomated(int32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::canProcessReplacing(bool state) {
    if (state)
        cEffect.flags |= effFlagsCanReplacing;
    else
        cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::canDoubleReplacing(bool state) {
    if (state)
        cEffect.flags |= effFlagsCanDoubleReplacing;
    else
        cEffect.flags &= ~effFlagsCanDoubleReplacing;
}

void AudioEffect::programsAreChunks(bool state) {
    if (state)
        cEffect.flags |= effFlagsProgramChunks;
    else
        cEffect.flags &= ~effFlagsProgramChunks;
}

int32 AudioEffect::getMasterVersion() {
    if (!audioMaster) return 1;
    int32 version = (int32)callHost(audioMasterVersion);
    return version ? version : 1;
}

int32 AudioEffect::getCurrentUniqueId() { return (int32)callHost(audioMasterCurrentId); }

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(int32 input) {
    if (!audioMaster) return true;
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(int32 output) {
    if (!audioMaster) return true;
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

void AudioEffect::float2string(float value, char* text, int32 maxLen) {
    if (value >= 99999999.0f || value <= -9999999.0f || !std::isfinite(value)) {
        vst_strncpy(text, "Huge!", maxLen < kMaxHostText ? maxLen : kMaxHostText);
        return;
    }
    char buf[32];
    writeEightCharacters((double)value, buf);
    vst_strncpy(text, buf, maxLen < kMaxHostText ? maxLen : kMaxHostText);
}

void AudioEffect::dB2string(float value, char* text, int32 maxLen) {
    if (value <= 0)
        vst_strncpy(text, "-oo", maxLen);
    else
        float2string((float)(20.0 * std::log10((double)value)), text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, int32 maxLen) {
    if (!samples)
        float2string(0, text, maxLen);
    else
        float2string(sampleRate / samples, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, int32 maxLen) {
    float2string((float)(samples * 1000.0 / sampleRate), text, maxLen);
}

void AudioEffect::int2string(int32 value, char* text, int32 maxLen) {
    char buf[16];
    if (value >= 100000000) {
        vst_strncpy(text, "Huge!", maxLen);
        return;
    }
    std::snprintf(buf, sizeof buf, "%d", value);
    vst_strncpy(text, buf, maxLen);
}

// ---------------------------------------------------------------------------

// The modifier keys a host passes in opt: a byte of flags. Anything that is
// not a whole number of that range (NaN, infinities, negative or huge values)
// carries no modifier.
static uint8_t modifierBits(float opt) {
    return (opt >= 0.0f && opt <= 255.0f) ? (uint8_t)(int)opt : 0;
}

intptr AudioEffectX::dispatcher(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    switch (opcode) {
        case effProcessEvents:
            return processEvents(ptr);
        case effCanBeAutomated:
            return canParameterBeAutomated(index) ? 1 : 0;
        case effString2Parameter:
            return (ptr && string2parameter(index, (char*)ptr)) ? 1 : 0;
        case effGetProgramNameIndexed:
            return (ptr && getProgramNameIndexed((int32)value, index, (char*)ptr)) ? 1 : 0;
        case effGetInputProperties:
            return (ptr && getInputProperties(index, (VstPinProperties*)ptr)) ? 1 : 0;
        case effGetOutputProperties:
            return (ptr && getOutputProperties(index, (VstPinProperties*)ptr)) ? 1 : 0;
        case effGetPlugCategory:
            return getPlugCategory();
        case effSetBypass:
            return setBypass(value != 0) ? 1 : 0;
        case effGetEffectName:
            return (ptr && getEffectName((char*)ptr)) ? 1 : 0;
        case effGetVendorString:
            return (ptr && getVendorString((char*)ptr)) ? 1 : 0;
        case effGetProductString:
            return (ptr && getProductString((char*)ptr)) ? 1 : 0;
        case effGetVendorVersion:
            return getVendorVersion();
        case effVendorSpecific:
            return vendorSpecific(index, value, ptr, opt);
        case effCanDo:
            return ptr ? canDo((char*)ptr) : 0;
        case effGetTailSize:
            return getTailSize();
        case effGetParameterProperties:
            return (ptr && getParameterProperties(index, (VstParameterProperties*)ptr)) ? 1 : 0;
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp:
            if (editor) {
                VstKeyCode key{};
                key.character = index;
                key.virt = (uint8_t)value;
                key.modifier = modifierBits(opt);
                bool handled = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
                return handled ? 1 : 0;
            }
            return 0;
        case effSetEditKnobMode:
            return (editor && editor->setKnobMode((int32)value)) ? 1 : 0;
        case effGetCurrentMidiProgram:
            return getCurrentMidiProgram(index, ptr);
        case effBeginSetProgram:
            return beginSetProgram() ? 1 : 0;
        case effEndSetProgram:
            return endSetProgram() ? 1 : 0;
        case effGetSpeakerArrangement: {
            // ptr holds one arrangement pointer's address, value the other's.
            void* dummyIn = nullptr;
            void* dummyOut = nullptr;
            void** in = value ? (void**)(intptr_t)value : &dummyIn;
            void** out = ptr ? (void**)ptr : &dummyOut;
            return getSpeakerArrangement(in, out) ? 1 : 0;
        }
        case effSetTotalSampleToProcess:
            return value;
        case effBeginLoadBank:
            return beginLoadBank(ptr);
        case effBeginLoadProgram:
            return beginLoadProgram(ptr);
        case effSetProcessPrecision:
            return setProcessPrecision((int32)value) ? 1 : 0;
        case effGetNumMidiInputChannels:
            return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels:
            return getNumMidiOutputChannels();
        default:
            if (opcode >= effProcessEvents) return 0;
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::beginEdit(int32 index) {
    return audioMaster && callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int32 index) {
    return audioMaster && callHost(audioMasterEndEdit, index) != 0;
}

bool AudioEffectX::ioChanged() { return audioMaster && callHost(audioMasterIOChanged) != 0; }

bool AudioEffectX::updateDisplay() {
    return audioMaster && callHost(audioMasterUpdateDisplay) != 0;
}

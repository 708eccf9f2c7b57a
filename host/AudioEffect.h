// The interface base classes: AudioEffect owns the AEffect record handed to the
// host and turns its calls into virtual operations; AudioEffectX adds the
// VST 2.x operations. Product classes derive from AudioEffectX.
#pragma once

#include "host/vst2.h"

class AudioEffect;

// Base of every editor. The effect owns it; the host reaches it through the
// editor opcodes of the dispatcher.
class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual bool getRect(vst::ERect** rect) {
        if (rect) *rect = nullptr;
        return false;
    }
    virtual bool open(void* ptr) {
        systemWindow = ptr;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(vst::VstKeyCode&) { return false; }
    virtual bool onKeyUp(vst::VstKeyCode&) { return false; }
    virtual bool setKnobMode(vst::int32) { return false; }

    AudioEffect* getEffect() const { return effect; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};

class AudioEffect {
public:
    AudioEffect(vst::audioMasterCallback audioMaster, vst::int32 numPrograms, vst::int32 numParams);
    virtual ~AudioEffect();

    virtual vst::intptr dispatcher(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr,
                                   float opt);
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(vst::int32 size) { blockSize = size; }
    virtual void processReplacing(float** inputs, float** outputs, vst::int32 sampleFrames);
    virtual void processDoubleReplacing(double** inputs, double** outputs, vst::int32 sampleFrames);
    virtual void setParameter(vst::int32 /*index*/, float /*value*/) {}
    virtual float getParameter(vst::int32 /*index*/) { return 0; }
    virtual void setParameterAutomated(vst::int32 index, float value);
    virtual vst::int32 getProgram() { return curProgram; }
    virtual void setProgram(vst::int32 program) { curProgram = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { *name = 0; }
    virtual void getParameterLabel(vst::int32 /*index*/, char* label) { *label = 0; }
    virtual void getParameterDisplay(vst::int32 /*index*/, char* text) { *text = 0; }
    virtual void getParameterName(vst::int32 /*index*/, char* text) { *text = 0; }
    virtual vst::int32 getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual vst::int32 setChunk(void* /*data*/, vst::int32 /*byteSize*/, bool /*isPreset*/) {
        return 0;
    }
    virtual void setUniqueID(vst::int32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(vst::int32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(vst::int32 outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true);
    virtual void canDoubleReplacing(bool state = true);
    virtual void programsAreChunks(bool state = true);
    virtual void setInitialDelay(vst::int32 delay) { cEffect.initialDelay = delay; }
    virtual AEffEditor* getEditor() { return editor; }
    virtual vst::AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual vst::int32 getBlockSize() { return blockSize; }
    virtual vst::int32 getMasterVersion();
    virtual vst::int32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(vst::int32 input);
    virtual bool isOutputConnected(vst::int32 output);
    virtual void dB2string(float value, char* text, vst::int32 maxLen);
    virtual void Hz2string(float samples, char* text, vst::int32 maxLen);
    virtual void ms2string(float samples, char* text, vst::int32 maxLen);
    virtual void float2string(float value, char* text, vst::int32 maxLen);
    virtual void int2string(vst::int32 value, char* text, vst::int32 maxLen);
    // Deprecated operations, kept in their places.
    virtual void process(float** /*inputs*/, float** /*outputs*/, vst::int32 /*sampleFrames*/) {}
    virtual float getVu() { return 0; }
    virtual void hasVu(bool /*state*/ = true) {}
    virtual void hasClip(bool /*state*/ = true) {}
    virtual void canMono(bool /*state*/ = true) {}
    virtual void setRealtimeQualities(vst::int32 /*qualities*/) {}
    virtual void setOfflineQualities(vst::int32 /*qualities*/) {}

    // The editor registers itself here; clearing the pointer clears the flag.
    // A stand-in editor that has no window is held without advertising one.
    void setEditor(AEffEditor* newEditor, bool advertise = true);

    // Calls the host, with this effect's record as first argument; 0 when no
    // host callback is stored.
    vst::intptr callHost(vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0,
                         void* ptr = nullptr, float opt = 0.0f);
    bool hasHost() const { return audioMaster != nullptr; }

protected:
    vst::audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    vst::int32 blockSize = 1024;
    vst::int32 numPrograms;
    vst::int32 numParams;
    vst::int32 curProgram = 0;
    vst::AEffect cEffect;
};

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(vst::audioMasterCallback audioMaster, vst::int32 numPrograms, vst::int32 numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    vst::intptr dispatcher(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr,
                           float opt) override;

    virtual bool canParameterBeAutomated(vst::int32 /*index*/) { return true; }
    virtual bool string2parameter(vst::int32 /*index*/, char* /*text*/) { return false; }
    virtual bool getParameterProperties(vst::int32 /*index*/, vst::VstParameterProperties*) {
        return false;
    }
    virtual bool beginEdit(vst::int32 index);
    virtual bool endEdit(vst::int32 index);
    virtual bool getProgramNameIndexed(vst::int32 /*category*/, vst::int32 /*index*/, char* /*text*/) {
        return false;
    }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual vst::int32 beginLoadBank(void* /*ptr*/) { return 0; }
    virtual vst::int32 beginLoadProgram(void* /*ptr*/) { return 0; }
    virtual bool ioChanged();
    virtual bool updateDisplay();
    virtual bool getInputProperties(vst::int32 /*index*/, vst::VstPinProperties*) { return false; }
    virtual bool getOutputProperties(vst::int32 /*index*/, vst::VstPinProperties*) { return false; }
    virtual bool setBypass(bool /*onOff*/) { return false; }
    virtual bool setProcessPrecision(vst::int32 /*precision*/) { return false; }
    virtual vst::int32 getNumMidiInputChannels() { return 0; }
    virtual vst::int32 getNumMidiOutputChannels() { return 0; }
    virtual vst::int32 processEvents(void* /*events*/) { return 0; }
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual vst::int32 getVendorVersion() { return 0; }
    virtual vst::intptr vendorSpecific(vst::int32, vst::intptr, void*, float) { return 0; }
    virtual vst::int32 canDo(char* /*text*/) { return 0; }
    virtual vst::int32 getVstVersion() { return vst::kVstVersion; }
    virtual vst::int32 getPlugCategory() { return vst::kPlugCategUnknown; }
    virtual vst::int32 getTailSize() { return 0; }
    virtual vst::int32 getCurrentMidiProgram(vst::int32 /*channel*/, void* /*program*/) { return -1; }
    virtual bool getSpeakerArrangement(void** input, void** output) {
        *input = nullptr;
        *output = nullptr;
        return false;
    }
};

// Copies at most maxLen characters of src and a terminator into dst.
void vst_strncpy(char* dst, const char* src, int maxLen);

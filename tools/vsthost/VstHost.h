// A minimal VST 2.4 host: loads a plug-in library (dlopen; LoadLibrary on
// Windows) and talks to it only through the binary interface. Used by the
// command-line host and by the tests, which can record every callback the
// plug-in makes.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/vst2.h"

namespace vsthost {

struct HostCall {
    vst::int32 opcode;
    vst::int32 index;
    vst::intptr value;
    float opt;
};

class Plugin {
public:
    // Loads the library and runs its entry point. On failure returns null and
    // sets error to a one-line reason that names the file.
    static std::unique_ptr<Plugin> load(const std::string& path, std::string& error,
                                        vst::intptr hostVersion = vst::kVstVersion);
    ~Plugin();  // closes the effect (effClose) and unloads the library

    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    vst::AEffect* effect() const { return effect_; }
    const std::string& path() const { return path_; }

    vst::intptr dispatch(vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0,
                         void* ptr = nullptr, float opt = 0.0f);
    void setParameter(int index, float value);
    float getParameter(int index);

    // Texts through the dispatcher, read from a generous zeroed buffer.
    std::string paramName(int index);
    std::string paramLabel(int index);
    std::string paramDisplay(int index);
    std::string effectName();
    std::string vendor();
    std::string product();
    std::string programName();

    void setSampleRate(float rate);
    void setBlockSize(int frames);
    void resume();
    void suspend();

    void process(float** inputs, float** outputs, int frames);
    void processDouble(double** inputs, double** outputs, int frames);

    // Closes the effect now (effClose) and answers what the dispatcher
    // returned; the destructor then only unloads the library.
    vst::intptr close();

    // What the host answers when the plug-in asks whether pin 1 is connected.
    std::atomic<bool> input1Connected{true};
    std::atomic<bool> output1Connected{true};
    // The answer to audioMasterBeginEdit/EndEdit/UpdateDisplay (non-zero: handled).
    std::atomic<int> editAnswer{1};

    // Recording of the callbacks the plug-in makes (off by default).
    void setRecording(bool on);
    std::vector<HostCall> calls() const;
    void clearCalls();

    // The host callback handed to every plug-in this class loads.
    static vst::intptr callback(vst::AEffect* effect, vst::int32 opcode, vst::int32 index,
                                vst::intptr value, void* ptr, float opt);

private:
    Plugin() = default;
    vst::intptr answer(vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr,
                       float opt);

    void* handle_ = nullptr;
    vst::AEffect* effect_ = nullptr;
    std::string path_;
    vst::intptr hostVersion_ = vst::kVstVersion;
    float sampleRate_ = 44100.0f;
    int blockSize_ = 1024;
    bool closed_ = false;

    mutable std::mutex callsMutex_;
    std::atomic<bool> recording_{false};
    std::vector<HostCall> calls_;
};

// The two editions as built next to the command-line host.
std::string editionLibraryName(int edition);  // "Emberline2x64.so" or "Emberline_x64.so"

}  // namespace vsthost

#include "tools/vsthost/VstHost.h"

#if defined(_WIN32)
#include <windows.h>

#include "host/win32/SystemText.h"
#else
#include <dlfcn.h>
#endif

#include <cstring>

using namespace vst;

namespace vsthost {

namespace {
// The plug-in being created on this thread: its constructor may call back
// before the host knows its AEffect record.
thread_local Plugin* tConstructing = nullptr;

Plugin* pluginOf(AEffect* effect) {
    if (effect && effect->resvd1) return reinterpret_cast<Plugin*>(effect->resvd1);
    return tConstructing;
}

std::string readText(Plugin& p, int32 opcode, int32 index) {
    char buf[256];
    std::memset(buf, 0, sizeof buf);
    p.dispatch(opcode, index, 0, buf, 0.0f);
    buf[sizeof buf - 1] = 0;
    return buf;
}

#if defined(_WIN32)
// LoadLibrary: a name without a folder is taken from the current folder, and
// the loader wants backslashes.
void* openLibrary(const std::string& path) {
    std::string file = path.find_first_of("/\\") == std::string::npos ? ".\\" + path : path;
    for (char& c : file)
        if (c == '/') c = '\\';
    return reinterpret_cast<void*>(::LoadLibraryA(file.c_str()));
}
void* findSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}
void closeLibrary(void* library) { ::FreeLibrary(static_cast<HMODULE>(library)); }
std::string loadError() { return win32::systemText(::GetLastError()); }
#else
// dlopen: a name without a folder is a file here, not a library to look up on
// the search path.
void* openLibrary(const std::string& path) {
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void* findSymbol(void* library, const char* name) { return dlsym(library, name); }
void closeLibrary(void* library) { dlclose(library); }
std::string loadError() {
    const char* why = dlerror();
    return why ? why : "unknown reason";
}
#endif
}  // namespace

std::string editionLibraryName(int edition) {
#if defined(_WIN32)
    return edition == 1 ? "Emberline_x64.dll" : "Emberline2x64.dll";
#else
    return edition == 1 ? "Emberline_x64.so" : "Emberline2x64.so";
#endif
}

std::unique_ptr<Plugin> Plugin::load(const std::string& path, std::string& error,
                                     intptr hostVersion) {
    std::unique_ptr<Plugin> plugin(new Plugin());
    plugin->path_ = path;
    plugin->hostVersion_ = hostVersion;
    plugin->handle_ = openLibrary(path);
    if (!plugin->handle_) {
        error = path + ": cannot load library: " + loadError();
        return nullptr;
    }
    auto entry = reinterpret_cast<VstEntryProc>(findSymbol(plugin->handle_, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<VstEntryProc>(findSymbol(plugin->handle_, "main"));
    if (!entry) {
        error = path + ": no VST 2.4 entry point (VSTPluginMain or main)";
        return nullptr;
    }
    tConstructing = plugin.get();
    AEffect* effect = entry(&Plugin::callback);
    tConstructing = nullptr;
    if (!effect) {
        error = path + ": the entry point returned no effect";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        error = path + ": the entry point returned a record without the VstP magic";
        return nullptr;
    }
    effect->resvd1 = reinterpret_cast<intptr>(plugin.get());
    plugin->effect_ = effect;
    plugin->dispatch(effOpen);
    return plugin;
}

Plugin::~Plugin() {
    close();
    if (handle_) closeLibrary(handle_);
}

intptr Plugin::close() {
    intptr answer = 0;
    if (effect_ && !closed_) {
        closed_ = true;
        answer = effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
        effect_ = nullptr;
    }
    return answer;
}

intptr Plugin::dispatch(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    if (!effect_) return 0;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void Plugin::setParameter(int index, float value) {
    if (effect_) effect_->setParameter(effect_, index, value);
}

float Plugin::getParameter(int index) {
    return effect_ ? effect_->getParameter(effect_, index) : 0.0f;
}

std::string Plugin::paramName(int index) { return readText(*this, effGetParamName, index); }
std::string Plugin::paramLabel(int index) { return readText(*this, effGetParamLabel, index); }
std::string Plugin::paramDisplay(int index) { return readText(*this, effGetParamDisplay, index); }
std::string Plugin::effectName() { return readText(*this, effGetEffectName, 0); }
std::string Plugin::vendor() { return readText(*this, effGetVendorString, 0); }
std::string Plugin::product() { return readText(*this, effGetProductString, 0); }
std::string Plugin::programName() { return readText(*this, effGetProgramName, 0); }

void Plugin::setSampleRate(float rate) {
    sampleRate_ = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void Plugin::setBlockSize(int frames) {
    blockSize_ = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void Plugin::resume() { dispatch(effMainsChanged, 0, 1); }
void Plugin::suspend() { dispatch(effMainsChanged, 0, 0); }

void Plugin::process(float** inputs, float** outputs, int frames) {
    if (effect_ && effect_->processReplacing)
        effect_->processReplacing(effect_, inputs, outputs, frames);
}

void Plugin::processDouble(double** inputs, double** outputs, int frames) {
    if (effect_ && effect_->processDoubleReplacing)
        effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
}

void Plugin::setRecording(bool on) { recording_.store(on); }

std::vector<HostCall> Plugin::calls() const {
    std::lock_guard<std::mutex> lock(callsMutex_);
    return calls_;
}

void Plugin::clearCalls() {
    std::lock_guard<std::mutex> lock(callsMutex_);
    calls_.clear();
}

intptr Plugin::callback(AEffect* effect, int32 opcode, int32 index, intptr value, void* ptr,
                        float opt) {
    Plugin* plugin = pluginOf(effect);
    if (opcode == audioMasterVersion) {
        // Asked at entry, before any record exists.
        return plugin ? plugin->hostVersion_ : kVstVersion;
    }
    if (!plugin) return 0;
    return plugin->answer(opcode, index, value, ptr, opt);
}

intptr Plugin::answer(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    if (recording_.load(std::memory_order_relaxed)) {
        std::lock_guard<std::mutex> lock(callsMutex_);
        calls_.push_back({opcode, index, value, opt});
    }
    switch (opcode) {
        case audioMasterPinConnected:
            if (index == 0) return 0;
            if (index == 1)
                return (value == 0 ? input1Connected.load() : output1Connected.load()) ? 0 : 1;
            return 1;
        case audioMasterGetSampleRate: return (intptr)sampleRate_;
        case audioMasterGetBlockSize: return blockSize_;
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
        case audioMasterUpdateDisplay:
            return editAnswer.load();
        case audioMasterGetVendorString:
            if (ptr) std::strcpy((char*)ptr, "Emberline tools");
            return ptr ? 1 : 0;
        case audioMasterGetProductString:
            if (ptr) std::strcpy((char*)ptr, "emberline");
            return ptr ? 1 : 0;
        case audioMasterCurrentId: return 0;
        default: return 0;
    }
}

}  // namespace vsthost

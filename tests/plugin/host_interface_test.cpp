// The exported interface of both built libraries, exercised as a host does.
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/plugin/PluginFixture.h"

using namespace vst;
using testing_support::libraryPath;
using testing_support::loadEdition;
using testing_support::PrivateConfig;

namespace {

class HostInterface : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        plugin = loadEdition(GetParam());
        ASSERT_TRUE(plugin);
        e = plugin->effect();
    }
    int edition() const { return GetParam(); }

    PrivateConfig config;
    std::unique_ptr<vsthost::Plugin> plugin;
    AEffect* e = nullptr;
};

TEST_P(HostInterface, FillsTheEffectRecord) {
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, edition() == 2 ? 42 : 48);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsHasEditor | effFlagsCanReplacing | effFlagsCanDoubleReplacing)
        << "an editor, and programs are not chunks";
    // The window's size is known before it opens, and the knob mode is taken.
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect, 0.0f), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 450);
    EXPECT_EQ(rect->bottom - rect->top, 460);
    EXPECT_EQ(plugin->dispatch(effSetEditKnobMode, 0, 2, nullptr, 0.0f), 1);
    EXPECT_EQ(plugin->dispatch(effSetEditKnobMode, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(e->initialDelay, edition() == 2 ? 639 : 127);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->uniqueID, edition() == 2 ? fourCC('Z', 'E', 'M', 'L') : fourCC('Z', 'e', 'M', 'L'));
    EXPECT_EQ(e->version, 1);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
}

TEST_P(HostInterface, AnswersTheIdentityOpcodes) {
    EXPECT_EQ(plugin->effectName(), edition() == 2 ? "Zev Emberline2" : "Zev Emberline");
    EXPECT_EQ(plugin->product(), edition() == 2
                                     ? "Zev Emberline2 - analog saturation & compression emulator"
                                     : "Zev Emberline - analog saturation & compression emulator");
    EXPECT_FALSE(plugin->vendor().empty());
    EXPECT_LE(plugin->vendor().size(), 64u);
    EXPECT_EQ(plugin->dispatch(effGetEffectName, 0, 0, nullptr), 0) << "no buffer, no answer";
    EXPECT_EQ(plugin->dispatch(effIdentify), fourCC('N', 'v', 'E', 'f'));
    EXPECT_EQ(plugin->dispatch(effGetPlugCategory), kPlugCategMastering);
    EXPECT_EQ(plugin->dispatch(effGetVendorVersion), 2310);
    EXPECT_EQ(plugin->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plugin->dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(plugin->dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(plugin->dispatch(effSetProcessPrecision, 0, kVstProcessPrecision32), 1);
    EXPECT_EQ(plugin->dispatch(effSetProcessPrecision, 0, kVstProcessPrecision64), 1);
    for (int i = 0; i < e->numParams + 20; ++i)
        EXPECT_EQ(plugin->dispatch(effCanBeAutomated, i), 1) << i;
}

TEST_P(HostInterface, ClaimsNoCapabilities) {
    for (const char* what : {"receiveVstTimeInfo", "bypass", "sendVstEvents", "receiveVstEvents",
                             "offline", "", "x"}) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s", what);
        EXPECT_EQ(plugin->dispatch(effCanDo, 0, 0, buf), 0) << what;
    }
}

TEST_P(HostInterface, KeepsOneHostVisibleProgram) {
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    plugin->dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    plugin->dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    EXPECT_EQ(plugin->programName(), "Current");

    char name[64] = {};
    EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
    EXPECT_STREQ(name, "Current");
    std::memset(name, 0x55, sizeof name);
    EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, 1, 0, name), 0);
    EXPECT_EQ((unsigned char)name[0], 0x55) << "nothing written for another index";

    char newName[] = "A host name that is far too long for a program";
    plugin->dispatch(effSetProgramName, 0, 0, newName);
    EXPECT_EQ(plugin->programName(), std::string(newName).substr(0, 24));
}

TEST_P(HostInterface, DescribesItsPins) {
    VstPinProperties pin;
    for (int32 opcode : {effGetInputProperties, effGetOutputProperties}) {
        const char* kind = opcode == effGetInputProperties ? "In" : "Out";
        std::memset(&pin, 0x33, sizeof pin);
        ASSERT_EQ(plugin->dispatch(opcode, 0, 0, &pin), 1);
        EXPECT_EQ(std::string(pin.label), std::string("My 1 ") + kind);
        EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
        EXPECT_EQ(pin.arrangementType, 0x33333333) << "left as the host passed it";
        EXPECT_EQ((unsigned char)pin.shortLabel[0], 0x33);

        std::memset(&pin, 0x33, sizeof pin);
        ASSERT_EQ(plugin->dispatch(opcode, 1, 0, &pin), 1);
        EXPECT_EQ(std::string(pin.label), std::string("My 2 ") + kind);
        EXPECT_EQ(pin.flags, kVstPinIsActive);

        std::memset(&pin, 0x33, sizeof pin);
        EXPECT_EQ(plugin->dispatch(opcode, 2, 0, &pin), 0);
        EXPECT_EQ(plugin->dispatch(opcode, -1, 0, &pin), 0);
        EXPECT_EQ((unsigned char)pin.label[0], 0x33) << "nothing written for other pins";
    }
}

TEST_P(HostInterface, ReportsSwitchAndIntegerParameters) {
    std::set<int> switches = edition() == 2 ? std::set<int>{0, 1, 2, 3, 22, 25, 26, 27, 28, 29}
                                            : std::set<int>{0, 1, 2, 3, 22, 31, 32, 33, 34, 35};
    const int meters = 21;
    const int fineTune = edition() == 2 ? 24 : 28;
    for (int i = -2; i < 70; ++i) {
        VstParameterProperties props;
        std::memset(&props, 0x44, sizeof props);
        intptr answer = plugin->dispatch(effGetParameterProperties, i, 0, &props);
        if (switches.count(i)) {
            ASSERT_EQ(answer, 1) << i;
            EXPECT_EQ(props.flags, 11) << i;
            EXPECT_EQ(props.maxInteger, 1) << i;
        } else if (i == meters || i == fineTune) {
            ASSERT_EQ(answer, 1) << i;
            EXPECT_EQ(props.flags, 10) << i;
            EXPECT_EQ(props.maxInteger, i == meters ? 2 : 3) << i;
        } else {
            EXPECT_EQ(answer, 0) << i;
            EXPECT_EQ(props.flags, 0x44444444) << "nothing written for index " << i;
            continue;
        }
        EXPECT_EQ(props.minInteger, 0);
        EXPECT_EQ(props.stepInteger, 1);
        EXPECT_EQ(props.largeStepInteger, 1);
        // Only those five fields are written.
        EXPECT_EQ(props.displayIndex, 0x4444);
        EXPECT_EQ((unsigned char)props.label[0], 0x44);
        float untouched;
        std::memset(&untouched, 0x44, sizeof untouched);
        EXPECT_EQ(std::memcmp(&props.stepFloat, &untouched, sizeof untouched), 0);
    }
}

TEST_P(HostInterface, AnswersZeroToWhatItDoesNotSupport) {
    // Opcodes that answer 0 and must not touch the buffer they are given.
    const std::vector<int32> zero = {
        effOpen, effGetVu, effEditDraw, effEditMouse, effEditKey,
        effEditTop, effEditSleep, effGetChunk, effSetChunk, effProcessEvents, effString2Parameter,
        effGetNumProgramCategories, effCopyProgram, effConnectInput, effConnectOutput,
        effGetCurrentPosition, effGetDestinationBuffer, effOfflineNotify, effOfflinePrepare,
        effOfflineRun, effProcessVarIo, effSetSpeakerArrangement, effSetBlockSizeAndSampleRate,
        effSetBypass, effGetErrorText, effVendorSpecific, effGetTailSize, effIdle, effGetIcon,
        effSetViewPosition, effKeysRequired, effEditKeyDown, effEditKeyUp,
        effGetMidiProgramName, effGetMidiProgramCategory, effHasMidiProgramsChanged,
        effGetMidiKeyName, effBeginSetProgram, effEndSetProgram, effShellGetNextPlugin,
        effStartProcess, effStopProcess, effSetPanLaw, effBeginLoadBank, effBeginLoadProgram,
        effGetNumMidiInputChannels, effGetNumMidiOutputChannels, 80, 100, 12345, -1};
    for (int32 opcode : zero) {
        alignas(8) unsigned char buffer[256];
        std::memset(buffer, 0, sizeof buffer);
        EXPECT_EQ(plugin->dispatch(opcode, 0, 0, buffer, 0.0f), 0) << "opcode " << opcode;
    }
    // The speaker arrangement query writes null into both pointers.
    void* in = (void*)0x1234;
    void* out = (void*)0x5678;
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, (intptr)&in, &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    // Block size and idle opcodes are accepted silently.
    EXPECT_EQ(plugin->dispatch(effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(plugin->dispatch(effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(effEditClose), 0);
}

TEST_P(HostInterface, CloseAnswersOneAndDestroysTheInstance) {
    EXPECT_EQ(plugin->close(), 1);
    // The record is gone with the instance; the host must not use it again.
    EXPECT_EQ(plugin->effect(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, HostInterface, ::testing::Values(2, 1),
                         [](const auto& info) { return "Edition" + std::to_string(info.param); });

// ---------------------------------------------------------------------------

TEST(Entry, FailsWhenTheHostAnswersVersionZero) {
    PrivateConfig config;
    for (int edition : {2, 1}) {
        std::string error;
        auto plugin = vsthost::Plugin::load(libraryPath(edition), error, /*hostVersion=*/0);
        EXPECT_FALSE(plugin);
        EXPECT_NE(error.find("returned no effect"), std::string::npos) << error;
    }
}

#if defined(_WIN32)
TEST(Entry, ReturnsNothingWithoutAHostCallback) {
    // Called without a host callback, the entry returns nothing.
    PrivateConfig config;
    HMODULE handle = ::LoadLibraryA(libraryPath(2));
    ASSERT_NE(handle, nullptr);
    auto entry = reinterpret_cast<VstEntryProc>(::GetProcAddress(handle, "VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
    ::FreeLibrary(handle);
}

// Both names lead to one function (the test command checks with objdump that
// they are the only exports).
TEST(Exports, OnlyTheTwoEntryNamesOfOneFunction) {
    for (int edition : {2, 1}) {
        HMODULE handle = ::LoadLibraryA(libraryPath(edition));
        ASSERT_NE(handle, nullptr);
        FARPROC vst = ::GetProcAddress(handle, "VSTPluginMain");
        EXPECT_NE(vst, nullptr);
        EXPECT_EQ(vst, ::GetProcAddress(handle, "main"));
        EXPECT_EQ(::GetProcAddress(handle, "emberlineEntry"), nullptr);
        ::FreeLibrary(handle);
    }
}
#else
TEST(Entry, ReturnsNothingWithoutAHostCallback) {
    // Called without a host callback, the entry returns nothing.
    PrivateConfig config;
    void* handle = dlopen(libraryPath(2), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    auto entry = reinterpret_cast<VstEntryProc>(dlsym(handle, "VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
    dlclose(handle);
}

// The dynamic symbol table of each library holds the entry under its two names
// and nothing else of ours.
TEST(Exports, OnlyTheTwoEntryNamesOfOneFunction) {
    for (int edition : {2, 1}) {
        std::string command = std::string("nm -D --defined-only ") + libraryPath(edition);
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::vector<std::string> names;
        std::string vstAddress, mainAddress;
        char line[512];
        while (std::fgets(line, sizeof line, pipe)) {
            char address[64], type[8], name[400];
            if (std::sscanf(line, "%63s %7s %399s", address, type, name) != 3) continue;
            names.push_back(name);
            if (std::string(name) == "VSTPluginMain") vstAddress = address;
            if (std::string(name) == "main") mainAddress = address;
        }
        EXPECT_EQ(pclose(pipe), 0);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"VSTPluginMain", "main"})) << libraryPath(edition);
        EXPECT_EQ(vstAddress, mainAddress) << "one function under two names";
    }
}
#endif

}  // namespace

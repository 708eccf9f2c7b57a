// Test support for the preset system: a stand-in product effect, a recording
// host callback and a temporary configuration folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "effect/ParameterTable.h"
#include "presets/CPresetSystemEffect.h"
#include "presets/SettingsStore.h"
#include "tests/support/PrivateConfig.h"

namespace presets_test {

struct HostCall {
    vst::int32 opcode;
    vst::int32 index;
    vst::intptr value;
    void* ptr;
    float opt;
};

inline std::vector<HostCall>& hostCalls() {
    static std::vector<HostCall> calls;
    return calls;
}

inline vst::intptr recordingHost(vst::AEffect*, vst::int32 opcode, vst::int32 index,
                                 vst::intptr value, void* ptr, float opt) {
    hostCalls().push_back({opcode, index, value, ptr, opt});
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// Does what the product effect's setter does around the store: keep the
// value, hand it to the store, apply the global rule, tell the editor.
class TestEffect : public CPresetSystemEffect {
public:
    explicit TestEffect(vst::audioMasterCallback host = recordingHost) : CPresetSystemEffect(host) {
        for (float& v : stored) v = 0;
        initFactoryPrograms();
        selectProgram(0);
    }

    void setParameter(vst::int32 index, float value) override {
        ++setterCalls;
        if (index >= 0 && index < kStored) stored[index] = value;
        CPresetSystemEffect::setParameter(index, value);
        if (params::isGlobalHostIndex(index)) writeGlobal(index, value);
    }
    float getParameter(vst::int32 index) override {
        return index >= 0 && index < kStored ? stored[index] : 0.0f;
    }

    static constexpr int kStored = 64;
    float stored[kStored];
    int setterCalls = 0;
    using CPresetSystemEffect::applyingProgram;
    using CPresetSystemEffect::currentProgram;
};

class RecordingEditor : public CPresetSystemEditor {
public:
    using CPresetSystemEditor::CPresetSystemEditor;
    void programNameChanged(const char* name) override { names.push_back(name ? name : "<null>"); }
    std::vector<std::string> names;
};

// A fresh settings folder for the life of the fixture.
class ConfigDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        config = std::make_unique<testing_support::PrivateConfig>();
        dir = config->path();
        hostCalls().clear();
    }
    void TearDown() override { config.reset(); }
    std::string path(const std::string& rel) const { return dir + "/" + rel; }

    std::unique_ptr<testing_support::PrivateConfig> config;
    std::string dir;
};

inline std::string nameOf(const CProgram* p) {
    char buf[kProgramNameLength + 1];
    p->getName(buf);
    return buf;
}

// Reads its settings when created and writes them when destroyed, as the
// product effect does.
class SettingsEffect : public TestEffect {
public:
    static constexpr int kFirst = kEdition == 2 ? 43 : 49;
    SettingsEffect() {
        for (int id = kFirst; id < kFirst + 6; ++id) setParameter(id, presets::loadSetting(id, 0.5f));
    }
    ~SettingsEffect() override {
        int ids[6];
        float values[6];
        for (int i = 0; i < 6; ++i) values[i] = getParameter(ids[i] = kFirst + i);
        presets::saveSettingsForEdition(kEdition, ids, values, 6);
    }
};

inline std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

inline std::string readText(const std::string& path) {
    auto b = readBytes(path);
    return std::string(b.begin(), b.end());
}

inline void writeText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

inline void putFloat(std::vector<unsigned char>& out, float f) {
    unsigned char b[4];
    std::memcpy(b, &f, 4);  // the test machines are little-endian, like the files
    out.insert(out.end(), b, b + 4);
}

// A header, then a record per name with the given values.
inline std::vector<unsigned char> makeFile(const char ident[4], unsigned char kind,
                                           const std::vector<std::string>& names, int values,
                                           float base) {
    std::vector<unsigned char> out(ident, ident + 4);
    out.push_back(kind);
    for (std::size_t j = 0; j < names.size(); ++j) {
        char name[24] = {};
        std::memcpy(name, names[j].data(), std::min<std::size_t>(24, names[j].size()));
        out.insert(out.end(), name, name + 24);
        for (int k = 0; k < values; ++k) putFloat(out, base + 0.0005f * (float)(j * 50 + k));
    }
    return out;
}

}  // namespace presets_test

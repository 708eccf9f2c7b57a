#include "presets/CPresetSystemEffect.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "presets/FactoryPrograms.h"
#include "presets/FileIO.h"
#include "presets/PresetFiles.h"
#include "presets/SettingsStore.h"

using vst::int32;

namespace {

// The recalled name goes through a 64-byte buffer, terminator included.
constexpr std::size_t kMemoNameBuffer = 64;

const char* memoKey(int slot) { return slot == 0 ? presets::kMemoAKey : presets::kMemoBKey; }

// Reads at most limit bytes of a preset or bank file.
bool readFileBytes(const char* path, std::size_t limit, std::vector<unsigned char>& bytes) {
    return path && fileio::readFile(path, limit, bytes) == fileio::ReadStatus::Ok;
}

// Reads and parses a preset or bank file. Null when it cannot be read or was
// refused (result.error then says why). The buffer holds at most the full
// layout; its size only differs from the file's length when that is longer,
// which is never a legacy length. With wholeFiles a file cut short of its
// layout is refused.
std::unique_ptr<presets::ParsedFile> readParsed(const char* path, std::size_t limit, std::size_t legacySize,
                                                presets::ParsedFile (*parse)(const unsigned char*, std::size_t, int),
                                                bool wholeFiles, PresetFileResult& result) {
    std::vector<unsigned char> bytes;
    if (!readFileBytes(path, limit, bytes)) return nullptr;
    auto parsed = std::make_unique<presets::ParsedFile>(parse(bytes.data(), bytes.size(), kEdition));
    if (!parsed->error && wholeFiles && bytes.size() < limit && bytes.size() != legacySize)
        parsed->error = presets::kErrorInvalidFile;
    if (!parsed->error) return parsed;
    result.error = parsed->error;
    return nullptr;
}

// What a record of a file carries replaces the program's name and values.
void copyRecord(const presets::ProgramRecord& rec, int values, CProgram& program) {
    if (rec.hasName) program.setName(rec.name);
    for (int k = 0; k < values; ++k)
        if (rec.hasValue[k]) program.setValue(k, rec.values[k]);
}

// Saves through a temporary file that then replaces the file; a writable file
// in a folder without write permission is rewritten in place.
bool writeFileBytes(const char* path, const std::vector<unsigned char>& bytes, std::string& reason) {
    if (!path || bytes.empty()) return false;
    fileio::WriteOptions options;
    options.inPlaceFallback = true;
    return fileio::writeFile(path, bytes.data(), bytes.size(), options, &reason);
}

}  // namespace

CPresetSystemEffect::CPresetSystemEffect(vst::audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, 42) {
    curProgram = 0;
    currentProgram = 0;
    programs = new (std::nothrow) CProgram[kNumPrograms];
    if (programs) initFactoryPrograms();
    applyingProgram = false;
}

CPresetSystemEffect::~CPresetSystemEffect() {
    delete[] programs;
    programs = nullptr;
}

CProgram* CPresetSystemEffect::getProgramObject(int32 p) {
    if (!programs || (unsigned)p >= (unsigned)kNumPrograms) return nullptr;
    return &programs[p];
}

const CProgram* CPresetSystemEffect::getProgramObject(int32 p) const {
    if (!programs || (unsigned)p >= (unsigned)kNumPrograms) return nullptr;
    return &programs[p];
}

void CPresetSystemEffect::setParameter(int32 index, float value) {
    if (!programs || (unsigned)index >= (unsigned)kNumProgramValues || applyingProgram) return;
    programs[currentProgram].setValue(index, value);
    programs[0].setValue(index, value);
}

void CPresetSystemEffect::writeGlobal(int32 index, float value) {
    if (!programs) return;
    for (int p = 0; p < kNumPrograms; ++p) programs[p].setValue(index, value);
}

void CPresetSystemEffect::setProgramName(char* name) { setCurrentProgramName(name); }

void CPresetSystemEffect::getProgramName(char* name) {
    if (!name) return;
    if (programs)
        programs[0].getName(name);
    else
        *name = 0;
}

bool CPresetSystemEffect::getProgramNameIndexed(int32, int32 index, char* text) {
    if (index != 0 || !text) return false;
    getProgramName(text);
    return true;
}

void CPresetSystemEffect::setSelectedAndMirrorName(const char* name) {
    if (!programs) return;
    programs[currentProgram].setName(name);
    programs[0].setName(name);
}

void CPresetSystemEffect::setCurrentProgramName(const char* name) {
    char cut[kProgramNameLength + 1] = {};
    if (name) std::strncpy(cut, name, kProgramNameLength);
    setSelectedAndMirrorName(cut);
    if (CPresetSystemEditor* ed = presetEditor()) ed->programNameChanged(cut);
}

void CPresetSystemEffect::renameCurrentProgram(const char* name) {
    setSelectedAndMirrorName(name ? name : "");
    updateDisplay();
}

void CPresetSystemEffect::applyProgramParameter(int32 index, float value) {
    setParameter(index, value);
    if (hasHost()) {
        float reported = getParameter(index);
        callHost(vst::audioMasterBeginEdit, index, 0, nullptr, 0.0f);
        callHost(vst::audioMasterAutomate, index, 0, nullptr, reported);
        callHost(vst::audioMasterAutomate, index, 0, nullptr, value);
        callHost(vst::audioMasterEndEdit, index, 0, nullptr, 0.0f);
    }
}

void CPresetSystemEffect::selectProgram(int32 index) {
    if (!programs || (unsigned)index >= (unsigned)kNumPrograms) return;
    applyingProgram = true;
    currentProgram = index;
    for (int k = 0; k < kNumProgramValues; ++k) {
        applyProgramParameter(k, programs[index].getValue(k));
        // Read again: the effect's setter may have written a global value.
        programs[0].setValue(k, programs[index].getValue(k));
    }
    char name[kProgramNameLength + 1];
    programs[index].getName(name);
    programs[0].setName(name);
    applyingProgram = false;
    updateDisplay();
}

void CPresetSystemEffect::initFactoryPrograms() {
    if (!programs) return;
    const presets::FactoryProgram* table = presets::factoryPrograms(kEdition);
    for (int p = 0; p < kNumPrograms; ++p) {
        programs[p].setName(table[p].name);
        for (int k = 0; k < kNumProgramValues; ++k)
            programs[p].setValue(k, (float)table[p].values[k]);
    }
}

bool CPresetSystemEffect::storeMemo(int slot) {
    try {
        presets::StoreValues values;
        for (int k = 0; k < kNumProgramValues; ++k)
            values[presets::memoValueName(k)] = presets::StoreValue::binaryFloat(getParameter(k));
        if (programs)
            values["name"] = presets::StoreValue::string(programs[currentProgram].name());
        return presets::SettingsKey(memoKey(slot)).write(values);
    } catch (...) {
        return false;
    }
}

bool CPresetSystemEffect::recallMemo(int slot) {
    // Everything is read before anything is applied.
    float values[kNumProgramValues];
    bool present[kNumProgramValues] = {};
    char name[kMemoNameBuffer] = {};
    bool hasName = false;
    try {
        presets::StoreValues stored;
        if (!presets::SettingsKey(memoKey(slot)).read(stored)) return false;
        for (int k = 0; k < kNumProgramValues; ++k)
            present[k] = presets::storeValueAsFloat(stored, presets::memoValueName(k), values[k]);
        auto it = stored.find("name");
        if (it != stored.end() && it->second.type == presets::StoreValue::Type::String &&
            it->second.data.size() + 1 <= kMemoNameBuffer) {
            std::memcpy(name, it->second.data.data(), it->second.data.size());
            hasName = true;
        }
    } catch (...) {
        return false;
    }
    for (int k = 0; k < kNumProgramValues; ++k) {
        if (!present[k]) continue;
        float v = values[k];
        setParameterAutomated(k, v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v);
    }
    if (hasName) setCurrentProgramName(name);
    updateDisplay();
    return true;
}

PresetFileResult CPresetSystemEffect::loadBankFile(const char* path, bool wholeFiles) {
    PresetFileResult result;
    if (!programs) return result;
    try {
        auto parsed = readParsed(path, presets::bankFileSize(kEdition), presets::kLegacyBankSize,
                                 presets::parseBank, wholeFiles, result);
        if (!parsed) return result;
        for (int j = 0; j < parsed->numRecords; ++j) copyRecord(parsed->records[j], parsed->valuesPerRecord, programs[j]);
    } catch (...) {
        return result;
    }
    selectProgram(0);
    result.ok = true;
    return result;
}

PresetFileResult CPresetSystemEffect::loadPresetFile(const char* path, bool wholeFiles) {
    PresetFileResult result;
    if (!programs) return result;
    const int32 c = getCurrentProgramIndex();
    if ((unsigned)c >= (unsigned)kNumPrograms) return result;
    char name[kProgramNameLength + 1] = {};
    bool hasName = false;
    try {
        auto parsed = readParsed(path, presets::presetFileSize(kEdition), presets::kLegacyPresetSize,
                                 presets::parsePreset, wholeFiles, result);
        if (!parsed) return result;
        copyRecord(parsed->records[0], parsed->valuesPerRecord, programs[c]);
        hasName = parsed->records[0].hasName;
        if (hasName) programs[c].getName(name);
    } catch (...) {
        return result;
    }
    if (CPresetSystemEditor* ed = presetEditor(); hasName && ed) ed->programNameChanged(name);
    selectProgram(c);
    result.ok = true;
    return result;
}

PresetFileResult CPresetSystemEffect::saveBankFile(const char* path) {
    PresetFileResult result;
    if (!programs) return result;
    try {
        auto records = std::make_unique<presets::ProgramRecord[]>(kNumPrograms);
        for (int j = 0; j < kNumPrograms; ++j) {
            programs[j].getName(records[j].name);
            for (int k = 0; k < kNumProgramValues; ++k) records[j].values[k] = programs[j].getValue(k);
        }
        result.ok = writeFileBytes(path, presets::serialiseBank(records.get(), kEdition), result.reason);
    } catch (...) {
        result.ok = false;
    }
    return result;
}

PresetFileResult CPresetSystemEffect::savePresetFile(const char* path) {
    PresetFileResult result;
    const CProgram* p = getProgramObject(getCurrentProgramIndex());
    if (!p) return result;
    try {
        presets::ProgramRecord rec;
        p->getName(rec.name);
        for (int k = 0; k < kNumProgramValues; ++k) rec.values[k] = p->getValue(k);
        result.ok = writeFileBytes(path, presets::serialisePreset(rec, kEdition), result.reason);
    } catch (...) {
        result.ok = false;
    }
    return result;
}

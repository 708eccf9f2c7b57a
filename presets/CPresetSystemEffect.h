// The program store between AudioEffectX and the product effect: 31 programs,
// the selected one mirrored in program 0 (the only program the host sees), the
// factory programs, the memo slots in the settings store and the preset and
// bank files.
#pragma once

#include <string>

#include "host/AudioEffect.h"
#include "presets/CPresetSystemEditor.h"
#include "presets/CProgram.h"

// Result of a preset or bank file operation. ok is false with error null when
// the file could not be opened, read or written completely (nothing is shown
// to the user for that); with error set to one of the three format texts of
// PresetFiles.h when the file was refused. A refused or unreadable file
// changes nothing.
struct PresetFileResult {
    bool ok = false;
    const char* error = nullptr;
    // Why a save failed (the system's words), when it is known.
    std::string reason;
};

class CPresetSystemEffect : public AudioEffectX {
public:
    explicit CPresetSystemEffect(vst::audioMasterCallback audioMaster);
    ~CPresetSystemEffect() override;

    // Store part of a parameter change: the value goes into the selected
    // program and into program 0, unless a program is being applied or the
    // index is not a program parameter. The product effect's override calls
    // this after updating its own state, then writeGlobal for a global index.
    void setParameter(vst::int32 index, float value) override;

    vst::int32 getProgram() override { return 0; }
    void setProgram(vst::int32) override {}
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(vst::int32 category, vst::int32 index, char* text) override;

    // Installs the editor (or none); the effect owns it from here on. A
    // stand-in that has no window is held without advertising one to the host.
    void setEditor(CPresetSystemEditor* newEditor, bool advertise = true) {
        presetEditor_ = newEditor;
        AudioEffect::setEditor(newEditor, advertise);
    }
    CPresetSystemEditor* presetEditor() const { return editor ? presetEditor_ : nullptr; }

    virtual vst::int32 getCurrentProgramIndex() { return currentProgram; }
    // Host-side rename: cut to 24 characters, given to the selected program and
    // program 0, then passed to the editor's programNameChanged.
    virtual void setCurrentProgramName(const char* name);
    // Editor-side rename: the selected program and program 0 get the name, then
    // the host is asked to update its display.
    virtual void renameCurrentProgram(const char* name);
    // Makes program index (0..30) current and pushes all its values through
    // applyProgramParameter; program 0 becomes a copy of it. Other indices are
    // ignored.
    virtual void selectProgram(vst::int32 index);
    // Memo slots A and B: the live values and the selected program's name.
    // store* answer whether the slot was written; recall* whether the slot
    // existed. A value that is missing, of the wrong type or size or not a
    // finite number is not applied; values read are limited to 0..1.
    virtual bool storeMemoA() { return storeMemo(0); }
    virtual bool storeMemoB() { return storeMemo(1); }
    virtual bool recallMemoA() { return recallMemo(0); }
    virtual bool recallMemoB() { return recallMemo(1); }
    // Sets one parameter as the user would: the effect's full setter, then
    // begin-edit, two automation reports and end-edit to the host.
    virtual void applyProgramParameter(vst::int32 index, float value);
    // Names and fills all 31 programs from the compiled edition's factory table.
    virtual void initFactoryPrograms();

    // Writes value into parameter index of all 31 programs: the product
    // effect calls it for its global parameters.
    void writeGlobal(vst::int32 index, float value);

    // Program p (0..30), or null.
    CProgram* getProgramObject(vst::int32 p);
    const CProgram* getProgramObject(vst::int32 p) const;
    bool hasPrograms() const { return programs != nullptr; }

    // Preset and bank files by path. A bank load fills the programs from the
    // file and selects program 0; a preset load fills the selected program and
    // selects it again. Saves write the full layout of the compiled edition.
    // With wholeFiles, a file shorter than its layout (and not of a legacy
    // length) is refused as invalid instead of being read as far as it goes.
    PresetFileResult loadBankFile(const char* path, bool wholeFiles = false);
    PresetFileResult saveBankFile(const char* path);
    PresetFileResult loadPresetFile(const char* path, bool wholeFiles = false);
    PresetFileResult savePresetFile(const char* path);

protected:
    bool storeMemo(int slot);
    bool recallMemo(int slot);
    void setSelectedAndMirrorName(const char* name);

    CProgram* programs = nullptr;
    vst::int32 currentProgram = 0;
    bool applyingProgram = false;

private:
    CPresetSystemEditor* presetEditor_ = nullptr;
};

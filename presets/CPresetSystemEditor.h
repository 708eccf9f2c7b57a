// The editor-side base of the product editor: the preset strip along the
// bottom of the window, what the program store tells the editor (host-side
// renames) and what the strip's controls ask of it.
#pragma once

#include <memory>
#include <string>

#include "gui/AEffGUIEditor.h"
#include "gui/CControl.h"
#include "presets/FileDialogs.h"

// The listener of every control of the product editor: the toolkit's
// notifications, the strip's file and program actions, and the typed-value
// entry that the product editor implements.
class CPresetSystemListener : public VSTGUI::CControlListener {
public:
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override = 0;
    vst::int32 controlModifierClicked(VSTGUI::CDrawContext* /*context*/, VSTGUI::CControl* /*control*/,
                                      vst::int32 /*buttons*/) override {
        return 0;
    }
    virtual void loadBank() = 0;
    virtual void saveBank() = 0;
    virtual void loadPreset() = 0;
    virtual void savePreset() = 0;
    virtual void stepProgram(bool up) = 0;
    // A double click on a knob: open the typed-value field for its tag.
    virtual void openValueEntry(vst::int32 tag) = 0;
    // The typed-value field closed with text for the tag (null: cancelled).
    virtual void applyValueEntry(vst::int32 tag, const char* text) = 0;
};

class CPresetSystemEffect;
class CSaveLoadButton;
class CPSRockerSwitch;
class CPSOnOffButton;
namespace VSTGUI {
class CTextEdit;
class COptionMenu;
}

class CPresetSystemEditor : public AEffGUIEditor, public CPresetSystemListener {
public:
    // The strip's tags in the second edition; the first edition's are 8 higher.
    enum StripTag : vst::int32 {
        kTagProgramName = 59,
        kTagProgramStep,
        kTagLoadBank,
        kTagSaveBank,
        kTagLoadPreset,
        kTagSavePreset,
        kTagProgramMenu,
        kTagRecallA,
        kTagRecallB,
        kTagStoreA,
        kTagStoreB,
    };
    // The tag of a strip control in the edition this library is built for.
    static vst::int32 stripTag(StripTag tag);

    explicit CPresetSystemEditor(AudioEffect* effect);
    ~CPresetSystemEditor() override;

    // The selected program was renamed by the host: the name field, the
    // selected list entry and entry 0 show the name.
    virtual void programNameChanged(const char* name);
    // The user typed a new name for the selected program (only its first 24
    // characters are used).
    virtual void renameProgram(const char* name);
    // The user chose program index (0..30) from the list.
    virtual void chooseProgram(vst::int32 index, const char* name);

    // The strip's controls; the product editor calls this first for every
    // control it hears from.
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    // The file buttons: each opens its dialog and returns at once; the file is
    // read or written at the idle call that finds the dialog closed. A press
    // while a dialog is open does nothing.
    void loadBank() override;
    void saveBank() override;
    void loadPreset() override;
    void savePreset() override;
    // One program up or down, without wrapping around.
    void stepProgram(bool up) override;
    void openValueEntry(vst::int32 /*tag*/) override {}
    void applyValueEntry(vst::int32 /*tag*/, const char* /*text*/) override {}

    // A file dialog is open.
    bool isFileDialogOpen() const { return pendingAction != FileAction::None; }
    // The folder the next dialog opens in (with its trailing separator) and
    // the names last chosen in the bank and preset dialogs.
    const std::string& getLastDirectory() const { return lastDirectory; }
    const std::string& getBankFileName() const { return bankFileName; }
    const std::string& getPresetFileName() const { return presetFileName; }

protected:
    enum class FileAction { None, LoadBank, SaveBank, LoadPreset, SavePreset };

    // Builds the strip into the open frame (end of the product editor's open).
    void openPresetStrip();
    // Forgets the strip's controls (the frame destroys them) and closes a
    // file dialog that is still open.
    void closePresetStrip();
    // Highlights the strip control under the pointer and finishes a file
    // dialog that has closed (every idle call).
    void updatePresetHover();
    // The dialog layer; tests put their own in place.
    virtual std::unique_ptr<presets::CFileDialogs> createFileDialogs();

    CPresetSystemEffect* presetEffect() const;

    std::string lastDirectory;
    std::string bankFileName;
    std::string presetFileName;

    VSTGUI::CTextEdit* nameField = nullptr;
    VSTGUI::COptionMenu* programMenu = nullptr;
    CPSRockerSwitch* stepRocker = nullptr;
    CSaveLoadButton* fileButtons[4] = {};  // save bank, load bank, save preset, load preset
    CPSOnOffButton* memoButtons[4] = {};   // store A, recall A, store B, recall B

private:
    void startFileDialog(FileAction action);
    void pollFileDialog();
    void finishFileDialog(FileAction action, const std::string& path);
    void showProgramName(const char* name, bool selectedEntryToo);
    void refreshStripFromStore();

    std::unique_ptr<presets::CFileDialogs> dialogs;
    FileAction pendingAction = FileAction::None;
};

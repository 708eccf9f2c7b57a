// The editor-side base of the product editor: the preset strip along the
// bottom of the window, what the program store tells the editor (host-side
// renames) and what the strip's controls ask of it.
#pragma once

#include "gui/AEffGUIEditor.h"
#include "gui/CControl.h"

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

class CPresetSystemEditor : public AEffGUIEditor, public CPresetSystemListener {
public:
    explicit CPresetSystemEditor(AudioEffect* effect) : AEffGUIEditor(effect) {}

    // The selected program was renamed by the host.
    virtual void programNameChanged(const char* /*name*/) {}
    // The user typed a new name for the selected program.
    virtual void renameProgram(const char* /*name*/) {}
    // The user chose a program from the list.
    virtual void chooseProgram(vst::int32 /*index*/, const char* /*name*/) {}

    // The strip's controls; the product editor calls this first for every
    // control it hears from.
    void valueChanged(VSTGUI::CDrawContext* /*context*/, VSTGUI::CControl* /*control*/) override {}
    void loadBank() override {}
    void saveBank() override {}
    void loadPreset() override {}
    void savePreset() override {}
    void stepProgram(bool /*up*/) override {}
    void openValueEntry(vst::int32 /*tag*/) override {}
    void applyValueEntry(vst::int32 /*tag*/, const char* /*text*/) override {}

protected:
    // Builds the strip into the open frame (end of the product editor's open).
    void openPresetStrip() {}
    // Forgets the strip's controls (the frame destroys them).
    void closePresetStrip() {}
    // Highlights the strip control under the pointer (every idle call).
    void updatePresetHover() {}
};

// The editor-side base of the product editor: what the program store tells
// the editor (host-side renames) and what the preset strip asks of it.
#pragma once

#include "gui/AEffGUIEditor.h"

class CPresetSystemEditor : public AEffGUIEditor {
public:
    explicit CPresetSystemEditor(AudioEffect* effect) : AEffGUIEditor(effect) {}

    // The selected program was renamed by the host.
    virtual void programNameChanged(const char* /*name*/) {}
    // The user typed a new name for the selected program.
    virtual void renameProgram(const char* /*name*/) {}
    // The user chose a program from the list.
    virtual void chooseProgram(vst::int32 /*index*/, const char* /*name*/) {}
};

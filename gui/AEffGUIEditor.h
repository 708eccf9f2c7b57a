// The toolkit's side of the host editor interface: the editor base every
// product editor derives from. It adds what an editor built on the toolkit
// takes from its effect (parameter values to mirror) and gives back (edit
// gestures around a change).
#pragma once

#include "host/AudioEffect.h"

class AEffGUIEditor : public AEffEditor {
public:
    explicit AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {}
    ~AEffGUIEditor() override = default;

    // A parameter changed in the effect; the controls re-read it.
    virtual void setParameter(vst::int32 /*index*/, float /*value*/) {}
    // Edit gestures, passed on to the host through the effect.
    virtual void beginEdit(vst::int32 index) {
        if (effect) static_cast<AudioEffectX*>(effect)->beginEdit(index);
    }
    virtual void endEdit(vst::int32 index) {
        if (effect) static_cast<AudioEffectX*>(effect)->endEdit(index);
    }
};

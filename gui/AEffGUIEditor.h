// The toolkit's side of the host editor interface: the editor base every
// product editor derives from. It adds what an editor built on the toolkit
// takes from its effect (parameter values to mirror) and gives back (edit
// gestures around a change), owns the frame, runs the frame at idle time and
// keeps the window's scale factor.
#pragma once

#include <cstdint>

#include "host/AudioEffect.h"

namespace VSTGUI {
class CFrame;
}

class AEffGUIEditor : public AEffEditor {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    // The window rectangle, grown by the scale factor; false (and null) for
    // an editor without a rectangle, which has no window.
    bool getRect(vst::ERect** rect) override;
    // Remembers the parent window and the scale for the bitmaps the editor
    // loads next; the derived editor then creates its frame. A second open
    // without a close closes first.
    bool open(void* ptr) override;
    // Destroys the frame (and everything in it); harmless when not open.
    void close() override;
    // Handles window events and repaints what changed.
    void idle() override;
    bool onKeyDown(vst::VstKeyCode& keyCode) override;
    bool onKeyUp(vst::VstKeyCode& keyCode) override;
    bool setKnobMode(vst::int32 val) override;

    // A parameter changed in the effect; the controls re-read it.
    virtual void setParameter(vst::int32 /*index*/, float /*value*/) {}
    // Edit gestures, passed on to the host through the effect.
    virtual void beginEdit(vst::int32 index);
    virtual void endEdit(vst::int32 index);
    // The idle hook controls run while the mouse is held: at most about every
    // 46 ms it runs the editor's idle and the host's.
    virtual void doIdleStuff();

    bool isOpen() const { return systemWindow != nullptr; }
    VSTGUI::CFrame* getFrame() const { return frame; }
    uint32_t getTicks() const;
    static vst::int32 getKnobMode() { return knobMode; }

    // The window's scale factor: the host's content-scale message, unless
    // EMBERLINE_UI_SCALE overrides it. Limited to 1..4.
    double getScaleFactor() const;
    void setScaleFactor(double scale);
    // The effect passes its vendor-specific calls here; answers 1 for the
    // content-scale message, 0 for anything else.
    vst::intptr vendorSpecific(vst::int32 index, vst::intptr value, void* ptr, float opt);

protected:
    vst::ERect rect{};  // at scale 1; the derived editor sets it
    VSTGUI::CFrame* frame = nullptr;
    static vst::int32 knobMode;

private:
    vst::ERect scaledRect{};
    double hostScale = 1.0;
    bool inIdleStuff = false;
    uint32_t lastIdleStuff = 0;
};

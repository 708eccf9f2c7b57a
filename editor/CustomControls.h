// The product's knobs, buttons, switches, page switch, label, typed-value
// field and frame: toolkit controls with their own drawing and mouse
// handling. Drags are event driven: a press starts them, the frame's mouse
// capture brings the moves and the release.
#pragma once

#include "gui/CControls.h"
#include "gui/CFrame.h"
#include "gui/CParamDisplay.h"

namespace VSTGUI {

// A film-strip knob with the product's press handling: Control-click
// default, double click to type a value, linear or circular drag (Alt swaps),
// Shift for fine movement, rebased when Shift changes mid-drag.
class CAnimKnob2 : public CAnimKnob {
public:
    CAnimKnob2(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
               int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint());
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) override;
    void mouseUp(CDrawContext* context, CPoint& where, int32_t buttons) override;

protected:
    // Whether the listener hears of every pointer move of a drag, moved or
    // not (the column knob) or only of value changes.
    virtual bool notifiesEveryMove() const { return false; }
    virtual bool registersControlClick() const { return true; }
    // One pass of the drag at a pointer position with the button state.
    void dragPass(CDrawContext* context, const CPoint& where, int32_t buttons);
    bool firstPass = false;
};

// The same knob drawn from a strip laid out in columns: frames run down the
// first column of cellWidth pixels, then on at the top of the next.
class CAnimKnob3 : public CAnimKnob2 {
public:
    CAnimKnob3(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
               int32_t cellWidth, int32_t heightOfOneImage, CBitmap* background,
               const CPoint& offset = CPoint());
    void draw(CDrawContext* context) override;
    // Source of the current frame within the strip.
    CPoint frameOrigin() const;

protected:
    bool notifiesEveryMove() const override { return true; }
    bool registersControlClick() const override { return false; }
    int32_t cellWidth;
    int32_t bitmapHeight;
    int32_t rowsPerColumn;
};

// Upper half of the bitmap below 0.5, lower half from 0.5.
class CMyOnOffButton : public COnOffButton {
public:
    using COnOffButton::COnOffButton;
    void draw(CDrawContext* context) override;
};

// The four-way channel-mode button: left 0.33, right 0.67, lower 1.0,
// upper 0.0; anywhere else the value at the press. Four frames.
class CMyLRUDButton : public COnOffButton {
public:
    using COnOffButton::COnOffButton;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) override;
    void mouseUp(CDrawContext* context, CPoint& where, int32_t buttons) override;
    // The value a point (frame coordinates of the control's container) means.
    float zoneValue(const CPoint& where, float pressValue) const;
    int32_t frameIndex() const;

protected:
    bool tracking = false;
    float pressValue = 0;
};

// A vertical switch drawn at frame min(floor(N * value), N - 1).
class CMyVerticalSwitch : public CVerticalSwitch {
public:
    using CVerticalSwitch::CVerticalSwitch;
    void draw(CDrawContext* context) override;
    int32_t frameIndex() const;
};

// An invisible area whose click toggles its value between 0 and 1.
class CViewContainerSwitch : public CControl {
public:
    CViewContainerSwitch(const CRect& size, CControlListener* listener, int32_t tag);
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
};

// A fixed text, left aligned, black, without a background.
class CLabel2 : public CParamDisplay {
public:
    CLabel2(const CRect& size, const char* text);
    void setLabel(const char* text);
    const char* getLabel() const { return label; }
    void draw(CDrawContext* context) override;

protected:
    char label[256] = {};
};

// The typed-value field: setTarget opens it for a parameter tag; losing the
// focus hands its text to the listener's applyValueEntry once.
class CMyTextEdit : public CTextEdit {
public:
    CMyTextEdit(const CRect& size, CControlListener* listener, int32_t tag);
    virtual void setTarget(int32_t tag);
    int32_t getTarget() const { return targetTag; }
    void looseFocus(CDrawContext* context = nullptr) override;
    int32_t onKeyDown(vst::VstKeyCode& keyCode) override;
    bool removed(CView* parent) override;
    // Ends an editing period without handing its text to anyone (the field
    // or its window is going away).
    void abandon();

protected:
    // Hands the text of the period to the listener, once.
    // Ends the editing period: hands the text to the listener, or nothing
    // (a null text) when the typing was cancelled.
    void finish(bool cancelled = false);
    int32_t targetTag = -1;
    bool periodOpen = false;
    bool editSent = false;
    bool closing = false;
};

// The editor's frame: a press first closes the typed-value field (applying
// it), then goes where it would have gone; the wheel goes to the view under
// the pointer.
class CMyFrame : public CFrame {
public:
    CMyFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor);
    ~CMyFrame() override;
    // The field to close on the next press (null: none).
    void setValueEntry(CMyTextEdit* entry) { valueEntry = entry; }
    CMyTextEdit* getValueEntry() const { return valueEntry; }
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    void viewRemoved(CView* view) override;

protected:
    CMyTextEdit* valueEntry = nullptr;
};

}  // namespace VSTGUI

// The preset strip's own controls: file buttons, the previous/next rocker and
// the memo buttons. Each can be highlighted while the pointer is over it.
#pragma once

#include "gui/CControls.h"

class CPresetSystemListener;

// A strip control that acts on the preset system once per press and shows its
// pressed look until released: frames of kFrameHeight pixels, frameIndex()
// choosing which. Moving the pointer while it is held changes nothing.
template <class Control>
class CStripActionControl : public Control {
public:
    static constexpr int32_t kFrameHeight = 14;

    virtual int32_t frameIndex() const = 0;
    void draw(VSTGUI::CDrawContext* context) override;
    void mouseMoved(VSTGUI::CDrawContext*, VSTGUI::CPoint&, int32_t) override {}

protected:
    template <class... ControlArgs>
    explicit CStripActionControl(CPresetSystemListener* target, ControlArgs... args)
        : Control(args...), target(target) {}

    CPresetSystemListener* target;
    bool held = false;
};

// Runs one file action of the listener when pressed. Frames: 0 normal,
// 1 highlighted, 2 pressed.
class CSaveLoadButton : public CStripActionControl<VSTGUI::CKickButton> {
public:
    enum Action { kLoadBank = 0, kSaveBank = 1, kLoadPreset = 2, kSavePreset = 3 };

    CSaveLoadButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                    VSTGUI::CBitmap* background, int32_t action, CPresetSystemListener* target);

    virtual void setHighlight(bool on);
    bool getHighlight() const { return highlight; }
    int32_t getAction() const { return action; }
    int32_t frameIndex() const override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
    void mouseUp(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) override;

protected:
    int32_t action;
    bool highlight = false;
};

// Steps to the previous program with its left half and to the next with its
// right half. Frames: 0 normal, 1 left half highlighted, 2 right half
// highlighted, 3 left pressed, 4 right pressed.
class CPSRockerSwitch : public CStripActionControl<VSTGUI::CRockerSwitch> {
public:
    CPSRockerSwitch(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                    VSTGUI::CBitmap* background, CPresetSystemListener* target);

    // Outside: no half highlighted; inside: the half under the point (a
    // point in neither keeps the one there was).
    virtual void setHighlight(bool inside, const VSTGUI::CPoint& where);
    int32_t getHoverHalf() const { return hoverHalf; }
    int32_t frameIndex() const override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
    void mouseUp(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) override;

protected:
    int32_t hoverHalf = 0;
    VSTGUI::CRect leftHalf, rightHalf;
};

// Tells its listener once, when pressed (the memo operations run then); its
// value never changes. Frames (a quarter of the bitmap each): 0 normal,
// 1 highlighted, 2 pressed, 3 disabled.
class CPSOnOffButton : public VSTGUI::COnOffButton {
public:
    CPSOnOffButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                   VSTGUI::CBitmap* background);

    virtual void setHighlight(bool on);
    bool getHighlight() const { return highlight; }
    bool isPressed() const { return pressed; }
    void setEnabled(bool on);
    bool isEnabled() const { return enabled; }
    int32_t frameIndex() const;

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
    void mouseUp(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) override;

protected:
    bool highlight = false;
    bool enabled = true;
    bool pressed = false;
};

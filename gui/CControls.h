// The toolkit's bitmap controls: knobs, buttons and switches.
#pragma once

#include "gui/CControl.h"

namespace VSTGUI {

class CKnob : public CControl {
public:
    CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
          CBitmap* handle, const CPoint& offset = CPoint());
    ~CKnob() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) override;
    void mouseUp(CDrawContext* context, CPoint& where, int32_t buttons) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    int32_t onKeyDown(vst::VstKeyCode& keyCode) override;

    // The angle mapping: 225 degrees (lower left) is the minimum, clockwise
    // over 270 degrees to -45 degrees (lower right) the maximum. Points are
    // relative to the control's top left.
    virtual float valueFromPoint(const CPoint& point) const;
    virtual CPoint valueToPoint() const;
    void setZoomFactor(float factor) { zoomFactor = factor; }
    float getZoomFactor() const { return zoomFactor; }
    void setColorHandle(CColor color) { colorHandle = color; }
    bool isDragging() const { return dragging; }

protected:
    // Adds steps wheel increments (a tenth with Shift), with the edit gesture.
    bool step(float steps, bool fine);
    void dragTo(CDrawContext* context, const CPoint& where, int32_t buttons);
    // A circular drag: the value under the pointer (frame coordinates), or
    // the end of the range the pointer left by crossing the gap at the bottom.
    void turnTo(const CPoint& where);

    CBitmap* pHandle;
    CPoint offset;
    float zoomFactor = 1.5f;
    CColor colorHandle = kWhiteCColor;
    // The drag in progress.
    bool dragging = false;
    bool linear = false;
    CPoint firstPoint, lastPoint;
    int32_t dragButtons = 0;
    float entryValue = 0, coef = 0, reference = 0;
};

// A knob drawn from a film strip of subPixmaps frames of heightOfOneImage.
class CAnimKnob : public CKnob {
public:
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
              int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint());
    void draw(CDrawContext* context) override;
    int32_t getNumSubPixmaps() const { return subPixmaps; }
    int32_t getHeightOfOneImage() const { return heightOfOneImage; }
    // The strip's frame for the current value.
    int32_t frameIndex() const;

protected:
    int32_t subPixmaps;
    int32_t heightOfOneImage;
};

// Upper half of the bitmap when the value is 0, lower half otherwise.
class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                 int32_t style = 0);
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

protected:
    int32_t style;
};

// A switch of iMaxPositions positions in vertical bands; the strip has
// subPixmaps frames.
class CVerticalSwitch : public CControl {
public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                    int32_t heightOfOneImage, int32_t iMaxPositions, CBitmap* background,
                    const CPoint& offset = CPoint());
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) override;
    void mouseUp(CDrawContext* context, CPoint& where, int32_t buttons) override;

protected:
    void track(CDrawContext* context, const CPoint& where);
    int32_t subPixmaps, heightOfOneImage, iMaxPositions;
    CPoint offset;
    bool dragging = false;
    int32_t dragButtons = 0;
};

// A control whose value follows the pointer while the button is held and goes
// back to rest (0) when it is released; valueAt says what the pointer means.
class CMomentaryControl : public CControl {
public:
    using CControl::CControl;
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
    void mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) override;
    void mouseUp(CDrawContext* context, CPoint& where, int32_t buttons) override;

protected:
    virtual float valueAt(const CPoint& where) const = 0;
    bool pressed = false;
};

// Value 1 while pressed with the pointer inside, 0 otherwise; two frames.
class CKickButton : public CMomentaryControl {
public:
    CKickButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
                CBitmap* background, const CPoint& offset = CPoint());
    void draw(CDrawContext* context) override;

protected:
    float valueAt(const CPoint& where) const override { return size.pointInside(where) ? 1.0f : 0.0f; }
    int32_t heightOfOneImage;
    CPoint offset;
};

// Value -1 or +1 while one half is held, 0 at rest. Frames top to bottom:
// -1, rest, +1.
class CRockerSwitch : public CMomentaryControl {
public:
    enum { kHorizontal = 1, kVertical = 2 };
    CRockerSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                  int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(),
                  int32_t style = kHorizontal);
    void draw(CDrawContext* context) override;

protected:
    float valueAt(const CPoint& where) const override;
    int32_t heightOfOneImage;
    CPoint offset;
    int32_t style;
};

}  // namespace VSTGUI

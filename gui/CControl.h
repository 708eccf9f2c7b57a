// Controls: views with a value in a range, a tag and a listener.
#pragma once

#include "gui/CView.h"

namespace VSTGUI {

class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // Non-zero: the control must not handle this click.
    virtual int32_t controlModifierClicked(CDrawContext* /*context*/, CControl* /*control*/,
                                           int32_t /*buttons*/) {
        return 0;
    }
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0,
             CBitmap* background = nullptr);
    ~CControl() override = default;

    bool isDirty() const override;
    void setDirty(bool val = true) override;

    virtual void doIdleStuff();
    virtual void setValue(float val) { value = val; }
    virtual float getValue() const { return value; }
    virtual void setMin(float val) { vmin = val; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float val) { vmax = val; }
    virtual float getMax() const { return vmax; }
    virtual void setOldValue(float val) { oldValue = val; }
    virtual float getOldValue() const { return oldValue; }
    virtual void setDefaultValue(float val) { defaultValue = val; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setTag(int32_t val) { tag = val; }
    virtual int32_t getTag() const { return tag; }
    virtual void beginEdit();
    virtual void endEdit();
    virtual void setBackOffset(const CPoint& offset) override { CView::setBackOffset(offset); }
    virtual void copyBackOffset();
    virtual void setWheelInc(float val) { wheelInc = val; }
    virtual float getWheelInc() const { return wheelInc; }
    virtual void bounceValue();
    // Exactly left button plus Control: the default value, inside
    // beginEdit/endEdit, the listener told when it changed. True when taken.
    virtual bool checkDefaultValue(CDrawContext* context, int32_t buttons);

    // Redraws a dirty control now (with a context) or at the next paint.
    virtual void update(CDrawContext* context);
    // A press less than the double-click interval after the previous one;
    // a detected double click forgets the previous press.
    bool isDoubleClick();
    void setListener(CControlListener* l) { listener = l; }
    CControlListener* getListener() const { return listener; }
    // Refreshes where from the live pointer, in this control's coordinates.
    void getMouseLocation(CDrawContext* context, CPoint& where);
    int32_t getDoubleClickTime() const { return doubleClickTime; }

protected:
    // One frame of a film strip, from source, over the whole control.
    void drawStrip(CDrawContext* context, CBitmap* bitmap, const CPoint& source) const {
        drawBitmap(context, bitmap, size, source);
    }
    void notify(CDrawContext* context);
    // A press with a modifier that the listener claims (non-zero answer).
    bool modifierClaimed(CDrawContext* context, int32_t buttons);
    int32_t currentButtons();
    // A press this control acts on: it takes the mouse and the press holds the
    // left button. buttons -1 (not given) becomes the live buttons first.
    bool takesLeftPress(int32_t& buttons);
    // Takes v as the value and tells the listener when that is a change.
    // True when it was.
    bool changeValue(CDrawContext* context, float v);

    CControlListener* listener;
    int32_t tag;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    float value = 0.0f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float wheelInc = 0.1f;
    int64_t lastClickTime = -1;
    int32_t doubleClickTime;
};

}  // namespace VSTGUI

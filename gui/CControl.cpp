#include "gui/CControl.h"

#include <algorithm>

#include "gui/CFrame.h"

namespace VSTGUI {

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size), listener(listener), tag(tag) {
    if (background) setBackground(background);
    doubleClickTime = (int32_t)std::max<uint32_t>(250, platform::current().doubleClickTime());
}

bool CControl::isDirty() const { return oldValue != value || CView::isDirty(); }

void CControl::setDirty(bool val) {
    CView::setDirty(val);
    if (!val) oldValue = value;
}

void CControl::doIdleStuff() {
    if (pParentFrame) pParentFrame->doIdleStuff();
}

void CControl::beginEdit() {
    if (!pParentFrame) return;
    pParentFrame->setFocusView(this);
    pParentFrame->beginEdit(tag);
}

void CControl::endEdit() {
    if (pParentFrame) pParentFrame->endEdit(tag);
}

void CControl::copyBackOffset() {
    backOffset = CPoint(size.left, size.top);
}

void CControl::bounceValue() {
    if (value > vmax) value = vmax;
    if (value < vmin) value = vmin;
}

void CControl::notify(CDrawContext* context) {
    if (listener) listener->valueChanged(context, this);
}

bool CControl::modifierClaimed(CDrawContext* context, int32_t buttons) {
    return listener && (buttons & kModifierMask) &&
           listener->controlModifierClicked(context, this, buttons) != 0;
}

int32_t CControl::currentButtons() { return pParentFrame ? pParentFrame->getCurrentButtons() : 0; }

bool CControl::takesLeftPress(int32_t& buttons) {
    if (!mouseEnabled) return false;
    if (buttons == -1) buttons = currentButtons();
    return (buttons & kLButton) != 0;
}

bool CControl::changeValue(CDrawContext* context, float v) {
    if (v == value) return false;
    value = v;
    notify(context);
    return true;
}

bool CControl::checkDefaultValue(CDrawContext* context, int32_t buttons) {
    if (buttons != (kLButton | kControl)) return false;
    float old = value;
    beginEdit();
    value = defaultValue;
    if (value != old) notify(context);
    endEdit();
    return true;
}

void CControl::update(CDrawContext* context) {
    if (!isDirty()) return;
    if (context)
        draw(context);
    else
        invalid();
    setDirty(false);
}

bool CControl::isDoubleClick() {
    int64_t now = pParentFrame ? pParentFrame->getTicks() : platform::current().tickCount();
    if (lastClickTime >= 0 && now - lastClickTime < doubleClickTime) {
        lastClickTime = -1;
        return true;
    }
    lastClickTime = now;
    return false;
}

void CControl::getMouseLocation(CDrawContext*, CPoint& where) {
    if (!pParentFrame) return;
    CPoint p;
    if (!pParentFrame->getCurrentLocation(p)) return;
    CPoint origin = getFrameOrigin();
    where = CPoint(p.h - origin.h, p.v - origin.v);
}

}  // namespace VSTGUI

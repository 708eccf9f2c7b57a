#include "presets/PresetStripControls.h"

#include "gui/CFrame.h"
#include "presets/CPresetSystemEditor.h"

using namespace VSTGUI;

namespace {

void drawFrame(CControl* control, CDrawContext* context, CBitmap* bitmap, int32_t index, int32_t height) {
    if (bitmap && context) bitmap->draw(context, control->getViewSize(), CPoint(0, index * height));
    control->setDirty(false);
}

bool leftButton(CControl* control, int32_t& buttons) {
    if (buttons == -1 && control->getFrame()) buttons = control->getFrame()->getCurrentButtons();
    return (buttons & kLButton) != 0;
}

}  // namespace

// ---- CStripActionControl -----------------------------------------------------

template <class Control>
void CStripActionControl<Control>::draw(CDrawContext* context) {
    drawFrame(this, context, this->pBackground, frameIndex(), kFrameHeight);
}

template class CStripActionControl<CKickButton>;
template class CStripActionControl<CRockerSwitch>;

// ---- CSaveLoadButton ---------------------------------------------------------

CSaveLoadButton::CSaveLoadButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                                 int32_t action, CPresetSystemListener* target)
    : CStripActionControl(target, size, listener, tag, kFrameHeight, background, CPoint(0, 0)), action(action) {}

void CSaveLoadButton::setHighlight(bool on) {
    if (on == highlight) return;
    highlight = on;
    setDirty();
}

int32_t CSaveLoadButton::frameIndex() const {
    if (value > 0.5f) return 2;
    return highlight ? 1 : 0;
}

void CSaveLoadButton::mouse(CDrawContext*, CPoint&, int32_t buttons) {
    if (!mouseEnabled || !pParentFrame || !target || held) return;
    if (!leftButton(this, buttons)) return;
    value = 1.0f;
    setDirty();
    held = true;
    pParentFrame->captureMouse(this);
    switch (action) {
        case kLoadBank: target->loadBank(); break;
        case kSaveBank: target->saveBank(); break;
        case kLoadPreset: target->loadPreset(); break;
        case kSavePreset: target->savePreset(); break;
        default: break;
    }
}

void CSaveLoadButton::mouseUp(CDrawContext*, CPoint&, int32_t) {
    if (!held) return;
    held = false;
    if (pParentFrame) pParentFrame->endEdit(tag);
    value = 0.0f;
    setDirty();
}

// ---- CPSRockerSwitch ---------------------------------------------------------

CPSRockerSwitch::CPSRockerSwitch(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                                 CPresetSystemListener* target)
    : CStripActionControl(target, size, listener, tag, kFrameHeight, background, CPoint(0, 0), kHorizontal) {
    const int32_t m = size.left + (size.right - size.left) / 2;
    leftHalf = CRect(size.left, size.top, m, size.bottom);
    rightHalf = CRect(m, size.top, size.right, size.bottom);
}

void CPSRockerSwitch::setHighlight(bool inside, const CPoint& where) {
    int32_t half = hoverHalf;
    if (!inside)
        half = 0;
    else if (leftHalf.pointInside(where))
        half = 1;
    else if (rightHalf.pointInside(where))
        half = 2;
    if (half == hoverHalf) return;
    hoverHalf = half;
    setDirty();
}

int32_t CPSRockerSwitch::frameIndex() const {
    if (value < 0) return 3;
    if (value > 0) return 4;
    return hoverHalf;
}

void CPSRockerSwitch::mouse(CDrawContext*, CPoint& where, int32_t buttons) {
    if (!mouseEnabled || !target || held) return;
    if (!leftButton(this, buttons)) return;
    const int32_t m = size.left + (size.right - size.left) / 2;
    const bool within = where.v >= size.top && where.v < size.bottom;
    if (within && where.h >= size.left && where.h <= m)
        value = -1.0f;
    else if (within && where.h > m && where.h < size.right)
        value = 1.0f;
    else
        return;
    setDirty();
    // The pressed frame is drawn before the program changes.
    doIdleStuff();
    target->stepProgram(value > 0);
    if (pParentFrame) {
        // The pressed look lasts until the button is released.
        held = true;
        pParentFrame->captureMouse(this);
    } else {
        value = 0.0f;
    }
    setDirty();
}

void CPSRockerSwitch::mouseUp(CDrawContext*, CPoint&, int32_t) {
    if (!held) return;
    held = false;
    value = 0.0f;
    setDirty();
}

// ---- CPSOnOffButton ----------------------------------------------------------

CPSOnOffButton::CPSOnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : COnOffButton(size, listener, tag, background, 0) {}

void CPSOnOffButton::setHighlight(bool on) {
    if (on == highlight) return;
    highlight = on;
    setDirty();
}

void CPSOnOffButton::setEnabled(bool on) {
    if (on == enabled) return;
    enabled = on;
    setDirty();
}

int32_t CPSOnOffButton::frameIndex() const {
    if (!enabled) return 3;
    if (pressed) return 2;
    return highlight ? 1 : 0;
}

void CPSOnOffButton::draw(CDrawContext* context) {
    drawFrame(this, context, pBackground, frameIndex(), pBackground ? pBackground->getHeight() / 4 : 0);
}

void CPSOnOffButton::mouse(CDrawContext* context, CPoint&, int32_t buttons) {
    if (!mouseEnabled || pressed) return;
    if (!leftButton(this, buttons)) return;
    if (listener) listener->valueChanged(context, this);
    pressed = true;
    setDirty();
    if (pParentFrame)
        pParentFrame->captureMouse(this);
    else
        pressed = false;
}

void CPSOnOffButton::mouseUp(CDrawContext*, CPoint&, int32_t) {
    if (!pressed) return;
    pressed = false;
    setDirty();
}

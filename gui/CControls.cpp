#include "gui/CControls.h"

#include <cmath>

#include "gui/CFrame.h"

namespace VSTGUI {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr float kLinearRange = 200.0f;
}  // namespace

// ---- CKnob -------------------------------------------------------------------

CKnob::CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
             CBitmap* handle, const CPoint& offset)
    : CControl(size, listener, tag, background), pHandle(handle), offset(offset) {
    if (pHandle) pHandle->remember();
}

CKnob::~CKnob() {
    if (pHandle) pHandle->forget();
}

float CKnob::valueFromPoint(const CPoint& point) const {
    double dx = point.h - size.width() / 2.0;
    double dy = size.height() / 2.0 - point.v;
    double angle = std::atan2(dy, dx) * 180.0 / kPi;  // -180..180, up positive
    if (angle < -90.0) angle += 360.0;                 // -90..270: the gap is at the bottom
    double v = (225.0 - angle) / 270.0;
    v = std::clamp(v, 0.0, 1.0);
    return (float)(vmin + v * (vmax - vmin));
}

CPoint CKnob::valueToPoint() const {
    double range = vmax - vmin;
    double v = range != 0 ? (value - vmin) / range : 0;
    double angle = (225.0 - 270.0 * v) * kPi / 180.0;
    double radius = std::min(size.width(), size.height()) / 2.0 - 3.0;
    return CPoint((int32_t)std::lround(size.width() / 2.0 + radius * std::cos(angle)),
                  (int32_t)std::lround(size.height() / 2.0 - radius * std::sin(angle)));
}

void CKnob::draw(CDrawContext* context) {
    if (pBackground) drawStrip(context, pBackground, offset);
    CPoint tip = valueToPoint();
    if (pHandle) {
        CRect r(0, 0, pHandle->getWidth(), pHandle->getHeight());
        r.offset(size.left + tip.h - r.width() / 2, size.top + tip.v - r.height() / 2);
        pHandle->drawTransparent(context, r);
    } else {
        context->setFrameColor(colorHandle);
        context->setLineWidth(2);
        context->moveTo(CPoint(size.left + size.width() / 2, size.top + size.height() / 2));
        context->lineTo(CPoint(size.left + tip.h, size.top + tip.v));
        context->setLineWidth(1);
    }
    setDirty(false);
}

void CKnob::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    if (modifierClaimed(context, buttons)) return;
    if (checkDefaultValue(context, buttons)) return;

    bool linearMode = pParentFrame && pParentFrame->getKnobMode() == kLinearMode;
    linear = (buttons & kAlt) ? !linearMode : linearMode;
    firstPoint = lastPoint = where;
    entryValue = value;
    coef = (vmax - vmin) / (kLinearRange * ((buttons & kShift) ? zoomFactor : 1.0f));
    reference = valueFromPoint(CPoint(where.h - size.left, where.v - size.top));
    dragButtons = buttons;
    dragging = true;
    beginEdit();
    if (pParentFrame) pParentFrame->captureMouse(this);
}

void CKnob::dragTo(CDrawContext* context, const CPoint& where, int32_t) {
    float old = value;
    if (linear) {
        float d = (float)((firstPoint.v - where.v) + (where.h - firstPoint.h));
        value = entryValue + d * coef;
        bounceValue();
    } else {
        turnTo(where);
    }
    if (value != old) notify(context);
}

void CKnob::turnTo(const CPoint& where) {
    float v = valueFromPoint(CPoint(where.h - size.left, where.v - size.top));
    float half = (vmax - vmin) / 2.0f;
    if (reference - v > half)
        value = vmax;  // crossed the gap from the top end
    else if (v - reference > half)
        value = vmin;
    else
        value = reference = v;
}

void CKnob::mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!dragging) return;
    if (linear && buttons != dragButtons) {
        // Shift pressed or released: the value goes on from where it is.
        float d = (float)((firstPoint.v - lastPoint.v) + (lastPoint.h - firstPoint.h));
        float newCoef = (vmax - vmin) / (kLinearRange * ((buttons & kShift) ? zoomFactor : 1.0f));
        entryValue += d * (coef - newCoef);
        coef = newCoef;
    }
    dragButtons = buttons;
    if (where == lastPoint) return;
    lastPoint = where;
    dragTo(context, where, buttons);
    doIdleStuff();
}

void CKnob::mouseUp(CDrawContext*, CPoint&, int32_t) {
    if (!dragging) return;
    dragging = false;
    endEdit();
}

bool CKnob::step(float steps, bool fine) {
    float old = value;
    value += steps * wheelInc * (fine ? 0.1f : 1.0f);
    bounceValue();
    if (value == old) return false;
    beginEdit();
    notify(nullptr);
    endEdit();
    return true;
}

bool CKnob::onWheel(CDrawContext*, const CPoint&, float distance) {
    if (!mouseEnabled) return false;
    step(distance, (currentButtons() & kShift) != 0);
    return true;
}

int32_t CKnob::onKeyDown(vst::VstKeyCode& key) {
    bool fine = (key.modifier & MODIFIER_SHIFT) != 0;
    switch (key.virt) {
        case VKEY_UP:
        case VKEY_RIGHT:
            step(1.0f, fine);
            return 1;
        case VKEY_DOWN:
        case VKEY_LEFT:
            step(-1.0f, fine);
            return 1;
        default:
            return -1;
    }
}

// ---- CAnimKnob -----------------------------------------------------------------

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                     int32_t heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKnob(size, listener, tag, background, nullptr, offset),
      subPixmaps(subPixmaps < 1 ? 1 : subPixmaps),
      heightOfOneImage(heightOfOneImage < 1 ? 1 : heightOfOneImage) {}

int32_t CAnimKnob::frameIndex() const {
    if (value < 0) return 0;
    int32_t h = heightOfOneImage;
    int32_t y = (int32_t)(value * (float)(subPixmaps - 1) * (float)h);
    return std::min(y / h, subPixmaps - 1);
}

void CAnimKnob::draw(CDrawContext* context) {
    drawStrip(context, pBackground, CPoint(offset.h, offset.v + frameIndex() * heightOfOneImage));
    setDirty(false);
}

// ---- COnOffButton ---------------------------------------------------------------

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, int32_t tag,
                           CBitmap* background, int32_t style)
    : CControl(size, listener, tag, background), style(style) {}

void COnOffButton::draw(CDrawContext* context) {
    int32_t off = (value == 0.0f || !pBackground) ? 0 : pBackground->getHeight() / 2;
    drawStrip(context, pBackground, CPoint(0, off));
    setDirty(false);
}

void COnOffButton::mouse(CDrawContext* context, CPoint&, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    if (modifierClaimed(context, buttons)) return;
    value = ((int32_t)value) ? 0.0f : 1.0f;
    doIdleStuff();
    beginEdit();
    notify(context);
    endEdit();
}

// ---- CVerticalSwitch ---------------------------------------------------------------

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                                 int32_t subPixmaps, int32_t heightOfOneImage,
                                 int32_t iMaxPositions, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background),
      subPixmaps(subPixmaps < 1 ? 1 : subPixmaps),
      heightOfOneImage(heightOfOneImage < 1 ? 1 : heightOfOneImage),
      iMaxPositions(iMaxPositions < 2 ? 2 : iMaxPositions),
      offset(offset) {
    defaultValue = 0.0f;
}

void CVerticalSwitch::draw(CDrawContext* context) {
    int32_t frame = (int32_t)((subPixmaps - 1) * value + 0.5f);
    frame = std::clamp(frame, 0, subPixmaps - 1);
    drawStrip(context, pBackground, CPoint(offset.h, offset.v + frame * heightOfOneImage));
    setDirty(false);
}

void CVerticalSwitch::track(CDrawContext* context, const CPoint& where) {
    double band = (double)heightOfOneImage / (double)iMaxPositions;
    float old = value;
    value = (float)(std::floor((where.v - size.top) / band) / (double)(iMaxPositions - 1));
    bounceValue();
    if (value != old) notify(context);
}

void CVerticalSwitch::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    if (checkDefaultValue(context, buttons)) return;
    dragButtons = buttons;
    dragging = true;
    beginEdit();
    track(context, where);
    if (pParentFrame) pParentFrame->captureMouse(this);
}

void CVerticalSwitch::mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!dragging) return;
    if (buttons != dragButtons) {  // the tracking lasts while the state is unchanged
        mouseUp(context, where, buttons);
        if (pParentFrame && pParentFrame->getMouseCapture() == this) pParentFrame->captureMouse(nullptr);
        return;
    }
    track(context, where);
    doIdleStuff();
}

void CVerticalSwitch::mouseUp(CDrawContext*, CPoint&, int32_t) {
    if (!dragging) return;
    dragging = false;
    endEdit();
}

// ---- CKickButton ---------------------------------------------------------------------

CKickButton::CKickButton(const CRect& size, CControlListener* listener, int32_t tag,
                         int32_t heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CMomentaryControl(size, listener, tag, background), heightOfOneImage(heightOfOneImage), offset(offset) {}

void CKickButton::draw(CDrawContext* context) {
    int32_t off = value > 0.5f ? heightOfOneImage : 0;
    drawStrip(context, pBackground, CPoint(offset.h, offset.v + off));
    setDirty(false);
}

// ---- CRockerSwitch -------------------------------------------------------------------

CRockerSwitch::CRockerSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                             int32_t heightOfOneImage, CBitmap* background, const CPoint& offset,
                             int32_t style)
    : CMomentaryControl(size, listener, tag, background),
      heightOfOneImage(heightOfOneImage),
      offset(offset),
      style(style) {
    vmin = -1.0f;
    vmax = 1.0f;
    value = 0.0f;
    defaultValue = 0.0f;
}

void CRockerSwitch::draw(CDrawContext* context) {
    int32_t frame = value < 0 ? 0 : (value > 0 ? 2 : 1);
    drawStrip(context, pBackground, CPoint(offset.h, offset.v + frame * heightOfOneImage));
    setDirty(false);
}

float CRockerSwitch::valueAt(const CPoint& where) const {
    if (!size.pointInside(where)) return 0.0f;
    if (style & kVertical) return where.v < size.top + size.height() / 2 ? -1.0f : 1.0f;
    return where.h < size.left + size.width() / 2 ? -1.0f : 1.0f;
}

// ---- CMomentaryControl ---------------------------------------------------------------

void CMomentaryControl::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    if (modifierClaimed(context, buttons)) return;
    pressed = true;
    beginEdit();
    value = valueAt(where);
    notify(context);
    if (pParentFrame) pParentFrame->captureMouse(this);
}

void CMomentaryControl::mouseMoved(CDrawContext* context, CPoint& where, int32_t) {
    if (!pressed) return;
    if (changeValue(context, valueAt(where))) doIdleStuff();
}

void CMomentaryControl::mouseUp(CDrawContext* context, CPoint&, int32_t) {
    if (!pressed) return;
    pressed = false;
    changeValue(context, 0.0f);
    endEdit();
}

}  // namespace VSTGUI

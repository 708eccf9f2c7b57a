#include "editor/CustomControls.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "gui/AEffGUIEditor.h"
#include "presets/CPresetSystemEditor.h"

namespace VSTGUI {

namespace {
constexpr float kNormalRange = 300.0f;  // pixels for the whole range
constexpr float kFineRange = 1500.0f;   // the same with Shift

CPresetSystemListener* productListener(CControlListener* listener) {
    return dynamic_cast<CPresetSystemListener*>(listener);
}

float linearCoef(float vmin, float vmax, int32_t buttons) {
    return (vmax - vmin) / ((buttons & kShift) ? kFineRange : kNormalRange);
}

bool within(const CView* ancestor, const CView* view) {
    for (const CView* v = view; v; v = v->getParentView())
        if (v == ancestor) return true;
    return false;
}
}  // namespace

// ---- CAnimKnob2 ------------------------------------------------------------------

CAnimKnob2::CAnimKnob2(const CRect& size, CControlListener* listener, int32_t tag,
                       int32_t subPixmaps, int32_t heightOfOneImage, CBitmap* background,
                       const CPoint& offset)
    : CAnimKnob(size, listener, tag, subPixmaps, heightOfOneImage, background, offset) {}

void CAnimKnob2::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    if (notifiesEveryMove()) notify(context);

    if (buttons == (kLButton | kControl)) {
        if (registersControlClick())
            lastClickTime = pParentFrame ? pParentFrame->getTicks() : platform::current().tickCount();
        changeValue(context, defaultValue);
        return;
    }
    if (isDoubleClick()) {
        if (CPresetSystemListener* l = productListener(listener)) l->openValueEntry(tag);
        return;
    }

    bool linearMode = AEffGUIEditor::getKnobMode() == kLinearMode;
    linear = (buttons & kAlt) ? !linearMode : linearMode;
    if (linear) {
        coef = linearCoef(vmin, vmax, buttons);
        firstPoint = where;
        entryValue = value;
    } else {
        reference = valueFromPoint(CPoint(where.h - size.left, where.v - size.top));
    }
    notify(context);
    doIdleStuff();
    beginEdit();
    dragButtons = buttons;
    dragging = true;
    firstPass = true;
    // The first pass runs at the press point, as long as the button is down.
    dragPass(context, where, buttons);
    if (dragging && pParentFrame) pParentFrame->captureMouse(this);
}

void CAnimKnob2::dragPass(CDrawContext* context, const CPoint& where, int32_t buttons) {
    if (notifiesEveryMove() && (firstPass || where != lastPoint)) notify(context);
    firstPass = false;
    lastPoint = where;
    float old = value;
    if (linear) {
        float d = (float)(firstPoint.v - where.v) + 0.5f * (float)(where.h - firstPoint.h);
        if (buttons != dragButtons) {
            // Shift pressed or released: rebased so that the value goes on
            // from where it is at the new speed.
            float newCoef = linearCoef(vmin, vmax, buttons);
            entryValue += d * (coef - newCoef);
            coef = newCoef;
            dragButtons = buttons;
        }
        value = entryValue + d * coef;
        bounceValue();
    } else {
        turnTo(where);
    }
    if (value != old) notify(context);
    doIdleStuff();
}

void CAnimKnob2::mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!dragging || !(buttons & kLButton)) return;
    dragPass(context, where, buttons);
}

void CAnimKnob2::mouseUp(CDrawContext*, CPoint&, int32_t) {
    if (!dragging) return;
    dragging = false;
    endEdit();
}

// ---- CAnimKnob3 ------------------------------------------------------------------

CAnimKnob3::CAnimKnob3(const CRect& size, CControlListener* listener, int32_t tag,
                       int32_t subPixmaps, int32_t cellWidth, int32_t heightOfOneImage,
                       CBitmap* background, const CPoint& offset)
    : CAnimKnob2(size, listener, tag, subPixmaps, heightOfOneImage, background, offset),
      cellWidth(cellWidth),
      bitmapHeight(background ? background->getHeight() : 0) {
    rowsPerColumn = std::max(1, bitmapHeight / this->heightOfOneImage);
}

CPoint CAnimKnob3::frameOrigin() const {
    int32_t b = value > 0 ? frameIndex() * heightOfOneImage : 0;
    if (bitmapHeight <= 0) return offset;
    return CPoint(offset.h + (b / bitmapHeight) * cellWidth, offset.v + b % bitmapHeight);
}

void CAnimKnob3::draw(CDrawContext* context) {
    drawStrip(context, pBackground, frameOrigin());
    setDirty(false);
}

// ---- CMyOnOffButton --------------------------------------------------------------

void CMyOnOffButton::draw(CDrawContext* context) {
    int32_t half = pBackground ? pBackground->getHeight() / 2 : 0;
    drawStrip(context, pBackground, CPoint(0, value >= 0.5f ? half : 0));
    setDirty(false);
}

// ---- CMyLRUDButton ---------------------------------------------------------------

int32_t CMyLRUDButton::frameIndex() const {
    if (value >= 0.75f) return 3;
    if (value >= 0.5f) return 2;
    if (value >= 0.25f) return 1;
    return 0;
}

void CMyLRUDButton::draw(CDrawContext* context) {
    int32_t h = pBackground ? pBackground->getHeight() : 0;
    drawStrip(context, pBackground, CPoint(0, frameIndex() * h / 4));
    setDirty(false);
}

float CMyLRUDButton::zoneValue(const CPoint& p, float atPress) const {
    int32_t qw = size.width() / 4, qh = size.height() / 4, hh = size.height() / 2;
    bool midRows = p.v >= size.top + qh && p.v <= size.bottom - qh;
    bool midColumns = p.h >= size.left + qw && p.h <= size.right - qw;
    if (p.h >= size.left && p.h <= size.left + qw && midRows) return 0.33f;
    if (p.h >= size.right - qw && p.h <= size.right && midRows) return 0.67f;
    if (midColumns && p.v >= size.bottom - hh && p.v <= size.bottom) return 1.0f;
    if (midColumns && p.v >= size.top && p.v <= size.top + hh) return 0.0f;
    return atPress;
}

void CMyLRUDButton::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!mouseEnabled) return;
    if (buttons == -1) buttons = currentButtons();
    if (modifierClaimed(context, buttons)) return;
    if (!(buttons & kLButton)) return;
    pressValue = value;
    tracking = true;
    beginEdit();
    mouseMoved(context, where, buttons);
    if (tracking && pParentFrame) pParentFrame->captureMouse(this);
}

void CMyLRUDButton::mouseMoved(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (!tracking || buttons == 0) return;
    changeValue(context, zoneValue(where, pressValue));
    doIdleStuff();
}

void CMyLRUDButton::mouseUp(CDrawContext* context, CPoint&, int32_t) {
    if (!tracking) return;
    tracking = false;
    notify(context);
    endEdit();
}

// ---- CMyVerticalSwitch -----------------------------------------------------------

int32_t CMyVerticalSwitch::frameIndex() const {
    float f = std::floor((float)iMaxPositions * value);
    int32_t frame = f > 0 ? (int32_t)std::min(f, (float)(iMaxPositions - 1)) : 0;
    return std::min(frame, subPixmaps - 1);
}

void CMyVerticalSwitch::draw(CDrawContext* context) {
    drawStrip(context, pBackground, CPoint(offset.h, offset.v + frameIndex() * heightOfOneImage));
    setDirty(false);
}

// ---- CViewContainerSwitch --------------------------------------------------------

CViewContainerSwitch::CViewContainerSwitch(const CRect& size, CControlListener* listener,
                                           int32_t tag)
    : CControl(size, listener, tag) {}

void CViewContainerSwitch::draw(CDrawContext*) { setDirty(false); }

void CViewContainerSwitch::mouse(CDrawContext* context, CPoint&, int32_t buttons) {
    if (!takesLeftPress(buttons)) return;
    value = value == 0.0f ? 1.0f : 0.0f;
    notify(context);
}

// ---- CLabel2 ---------------------------------------------------------------------

CLabel2::CLabel2(const CRect& size, const char* text) : CParamDisplay(size) {
    fontId = kNormalFontVerySmall;
    fontColor = kBlackCColor;
    horiTxtAlign = kLeftText;
    setLabel(text);
}

void CLabel2::setLabel(const char* text) {
    size_t n = 0;
    if (text)
        for (; n < sizeof label - 1 && text[n]; ++n) label[n] = text[n];
    label[n] = 0;
    setDirty();
}

void CLabel2::draw(CDrawContext* context) {
    if (label[0]) {
        context->setFont(fontId, 0, txtFace);
        context->setFontColor(fontColor);
        context->drawString(label, size, false, kLeftText);
    }
    setDirty(false);
}

// ---- CMyTextEdit -----------------------------------------------------------------

CMyTextEdit::CMyTextEdit(const CRect& size, CControlListener* listener, int32_t tag)
    : CTextEdit(size, listener, tag) {}

void CMyTextEdit::setTarget(int32_t tag) {
    targetTag = tag;
    periodOpen = true;
    if (pParentFrame && pParentFrame->getFocusView() != this) {
        beginEdit();
        editSent = true;
    }
    takeFocus(nullptr);
}

void CMyTextEdit::finish(bool cancelled) {
    if (!periodOpen) return;
    int32_t target = targetTag;
    periodOpen = false;
    targetTag = -1;
    if (editSent) {
        editSent = false;
        endEdit();
    }
    // A copy: the listener may set a new text while it reads this one.
    std::string typed = textValue;
    if (CPresetSystemListener* l = productListener(listener))
        l->applyValueEntry(target, cancelled ? nullptr : typed.c_str());
}

void CMyTextEdit::looseFocus(CDrawContext* context) {
    if (closing) return;  // the field closing itself gives the frame's focus away
    closing = true;
    CTextEdit::looseFocus(context);
    closing = false;
    finish();
}

int32_t CMyTextEdit::onKeyDown(vst::VstKeyCode& keyCode) {
    bool wasEditing = editing;
    closing = true;
    int32_t used = CTextEdit::onKeyDown(keyCode);
    closing = false;
    if (wasEditing && !editing) finish(keyCode.virt == VKEY_ESCAPE);  // Enter, or Escape: cancelled
    return used;
}

void CMyTextEdit::abandon() {
    periodOpen = false;
    targetTag = -1;
    editSent = false;
    if (!editing) return;
    closing = true;
    endEditing(false);
    closing = false;
}

bool CMyTextEdit::removed(CView* parent) {
    abandon();
    return CTextEdit::removed(parent);
}

// ---- CMyFrame --------------------------------------------------------------------

CMyFrame::CMyFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor)
    : CFrame(size, parentWindow, editor) {}

CMyFrame::~CMyFrame() {
    // The window closes with the field open: nothing is applied, the
    // listener may already be gone.
    if (valueEntry) valueEntry->abandon();
    valueEntry = nullptr;
}

void CMyFrame::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (CMyTextEdit* entry = valueEntry) {
        valueEntry = nullptr;
        entry->looseFocus(context);
    }
    CFrame::mouse(context, where, buttons);
}

bool CMyFrame::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    CPoint pointer = where;
    getCurrentLocation(pointer);
    return CFrame::onWheel(context, pointer, distance);
}

void CMyFrame::viewRemoved(CView* view) {
    // A field being edited that leaves the window ends its period unapplied;
    // it would otherwise keep the keyboard and a frame it no longer has.
    if (auto* edit = dynamic_cast<CMyTextEdit*>(focusView); edit && within(view, edit))
        edit->abandon();
    CFrame::viewRemoved(view);
    if (valueEntry && within(view, valueEntry)) {
        CMyTextEdit* entry = valueEntry;
        valueEntry = nullptr;
        entry->abandon();
    }
}

}  // namespace VSTGUI

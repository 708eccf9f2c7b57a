#include "gui/CDrawContext.h"

namespace VSTGUI {

int32_t standardFontSize(int32_t fontIndex) {
    static const int32_t sizes[kNumStandardFonts] = {12, 18, 14, 12, 11, 10, 9, 13};
    if (fontIndex < 0 || fontIndex >= kNumStandardFonts) return sizes[kNormalFont];
    return sizes[fontIndex];
}

CDrawContext::CDrawContext(CFrame* frame, platform::Canvas* canvas) : frame(frame), canvas(canvas) {}

void CDrawContext::setFont(int32_t fontID, int32_t size, int32_t style) {
    fontId = (fontID >= 0 && fontID < kNumStandardFonts) ? fontID : kNormalFont;
    fontSize = size > 0 ? size : standardFontSize(fontId);
    fontStyle = style;
}

void CDrawContext::lineTo(const CPoint& p) {
    if (canvas) {
        CPoint a = penLoc, b = p;
        a.offset(offset.h, offset.v);
        b.offset(offset.h, offset.v);
        canvas->line(a, b, frameColor, lineWidth);
    }
    penLoc = p;
}

void CDrawContext::fillRect(const CRect& r) {
    if (canvas && !r.isEmpty()) canvas->fillRect(toDevice(r), fillColor);
}

void CDrawContext::drawRect(const CRect& r) {
    if (!canvas || r.isEmpty()) return;
    CRect d = toDevice(r);
    int32_t w = lineWidth;
    canvas->fillRect(CRect(d.left, d.top, d.right, d.top + w), frameColor);
    canvas->fillRect(CRect(d.left, d.bottom - w, d.right, d.bottom), frameColor);
    canvas->fillRect(CRect(d.left, d.top + w, d.left + w, d.bottom - w), frameColor);
    canvas->fillRect(CRect(d.right - w, d.top + w, d.right, d.bottom - w), frameColor);
}

void CDrawContext::drawString(const char* text, const CRect& r, bool opaque, int32_t align) {
    if (!canvas || !text) return;
    if (opaque) canvas->fillRect(toDevice(r), fillColor);
    canvas->drawText(text, toDevice(r), fontSize, fontStyle & kBoldFace, fontColor, align);
}

int32_t CDrawContext::getStringWidth(const char* text) {
    if (!canvas || !text) return 0;
    return canvas->textWidth(text, fontSize, fontStyle & kBoldFace);
}

void CDrawContext::setClipRect(const CRect& r) {
    clip = toDevice(r);
    clip.bound(paintArea);
    if (canvas) canvas->setClip(clip);
}

CRect CDrawContext::getClipRect() const {
    CRect c = clip;
    return c.offset(-offset.h, -offset.v);
}

void CDrawContext::resetClipRect() {
    clip = paintArea;
    if (canvas) canvas->setClip(clip);
}

void CDrawContext::setPaintArea(const CRect& r) {
    paintArea = r;
    resetClipRect();
}

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height, double scale)
    : CDrawContext(frame, platform::current().createOffscreen(width, height, scale)),
      width(width),
      height(height) {
    paintArea = CRect(0, 0, width, height);
    clip = paintArea;
}

COffscreenContext::~COffscreenContext() { delete canvas; }

void COffscreenContext::copyFrom(CDrawContext* dest, const CRect& dst, CPoint src) {
    if (!dest || !dest->getCanvas() || !canvas || !canvas->asImage()) return;
    CRect d = dst;
    d.offset(dest->getOffset().h, dest->getOffset().v);
    dest->getCanvas()->drawImage(*canvas->asImage(), d, src, false, kWhiteCColor);
}

}  // namespace VSTGUI

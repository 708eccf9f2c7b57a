// Drawing contexts: the state a view draws with (font, colours, pen, clip and
// the origin of the view's container) over a platform canvas, and an
// offscreen context that can be drawn into and copied elsewhere.
#pragma once

#include "gui/Platform.h"
#include "gui/VSTGUIBase.h"

namespace VSTGUI {

class CFrame;

class CDrawContext : public CReferenceCounter {
public:
    CDrawContext(CFrame* frame, platform::Canvas* canvas);
    ~CDrawContext() override = default;

    void setFont(int32_t fontID, int32_t size = 0, int32_t style = 0);
    int32_t getFont() const { return fontId; }
    int32_t getFontSize() const { return fontSize; }
    void setFontColor(CColor color) { fontColor = color; }
    CColor getFontColor() const { return fontColor; }
    void setFillColor(CColor color) { fillColor = color; }
    CColor getFillColor() const { return fillColor; }
    void setFrameColor(CColor color) { frameColor = color; }
    CColor getFrameColor() const { return frameColor; }
    void setLineWidth(int32_t width) { lineWidth = width < 1 ? 1 : width; }

    void moveTo(const CPoint& p) { penLoc = p; }
    void lineTo(const CPoint& p);
    CPoint getPenLocation() const { return penLoc; }
    void fillRect(const CRect& r);
    void drawRect(const CRect& r);  // the outline, inside r
    void drawString(const char* text, const CRect& r, bool opaque = false,
                    int32_t align = kCenterText);
    int32_t getStringWidth(const char* text);

    // Clip in the coordinates of the current origin; always inside the area
    // being painted.
    void setClipRect(const CRect& r);
    CRect getClipRect() const;
    void resetClipRect();

    // Origin of the coordinates views draw in (their container's top left).
    CPoint getOffset() const { return offset; }
    void setOffset(const CPoint& p) { offset = p; }

    CFrame* getFrame() const { return frame; }
    platform::Canvas* getCanvas() const { return canvas; }
    // The area being painted, in frame coordinates; set by the painter.
    void setPaintArea(const CRect& r);

protected:
    CRect toDevice(const CRect& r) const {
        CRect d = r;
        return d.offset(offset.h, offset.v);
    }

    CFrame* frame;
    platform::Canvas* canvas;
    CPoint offset;
    CPoint penLoc;
    CRect paintArea{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28};
    CRect clip = paintArea;
    int32_t fontId = kNormalFont;
    int32_t fontSize = 12;
    int32_t fontStyle = kNormalFace;
    int32_t lineWidth = 1;
    CColor fontColor = kWhiteCColor;
    CColor fillColor = kBlackCColor;
    CColor frameColor = kWhiteCColor;
};

// A context over its own offscreen surface.
class COffscreenContext : public CDrawContext {
public:
    COffscreenContext(CFrame* frame, int32_t width, int32_t height, double scale = 1.0);
    ~COffscreenContext() override;

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    bool isValid() const { return canvas != nullptr; }
    // Copies the part that starts at src into dst of another context.
    void copyFrom(CDrawContext* dest, const CRect& dst, CPoint src = CPoint(0, 0));

private:
    int32_t width, height;
};

}  // namespace VSTGUI

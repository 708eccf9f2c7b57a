// Drawing with cairo into image surfaces, text with FreeType from the
// built-in font (fixed options: grey antialiasing, no hinting).
#pragma once

#include <cairo.h>

#include "gui/Platform.h"

namespace VSTGUI::x11 {

class CairoImage : public platform::Image {
public:
    CairoImage(cairo_surface_t* surface, int32_t scale) : surface(surface), imageScale(scale) {}
    ~CairoImage() override;
    int32_t pixelWidth() const override;
    int32_t pixelHeight() const override;
    int32_t scale() const override { return imageScale; }
    cairo_surface_t* get() const { return surface; }
    // The image with the pixels of the key colour cleared (made once per colour).
    cairo_surface_t* keyed(CColor key) const;

private:
    cairo_surface_t* surface;
    int32_t imageScale;
    mutable cairo_surface_t* keyedSurface = nullptr;
    mutable CColor keyedColor{};
};

class CairoCanvas : public platform::Canvas {
public:
    // Draws into target, whose pixels are scale times the view pixels.
    CairoCanvas(cairo_surface_t* target, double scale);
    ~CairoCanvas() override;

    void setClip(const CRect& clip) override;
    void fillRect(const CRect& r, CColor color) override;
    void line(CPoint from, CPoint to, CColor color, int32_t width) override;
    void drawImage(const platform::Image& image, const CRect& dst, CPoint src, bool transparent,
                   CColor key) override;
    void drawText(const char* utf8, const CRect& r, int32_t pixelSize, bool bold, CColor color,
                  int32_t align) override;
    int32_t textWidth(const char* utf8, int32_t pixelSize, bool bold) override;

    cairo_surface_t* surface() const { return target; }
    double getScale() const { return scale; }

protected:
    void selectFont(int32_t pixelSize, bool bold);
    cairo_surface_t* target;
    cairo_t* cr;
    double scale;
};

// An offscreen canvas that can be drawn elsewhere as an image.
class CairoOffscreen : public CairoCanvas {
public:
    CairoOffscreen(int32_t width, int32_t height, double scale);
    const platform::Image* asImage() const override { return &image; }

private:
    CairoImage image;
};

// Decodes a PNG held in memory; null when it is not one.
CairoImage* decodePng(const unsigned char* data, uint32_t size, int32_t scale);

// Releases the fonts and cairo's caches (when the library is unloaded).
void releaseFonts();

}  // namespace VSTGUI::x11

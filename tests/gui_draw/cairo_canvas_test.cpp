// The X11 platform's drawing through cairo, without a window: bitmaps from
// PNG data at both scales, the transparent colour, text from the built-in
// font, clipping and offscreen copies.
#include <gtest/gtest.h>

#include <cairo.h>

#include <memory>
#include <vector>

#include "gui/CDrawContext.h"
#include "gui/x11/CairoCanvas.h"
#include "tests/support/CairoPng.h"

namespace {

using namespace VSTGUI;
using namespace VSTGUI::x11;

// A w x h PNG: the left half white, the right half red.
std::vector<unsigned char> halfWhiteHalfRed(int w, int h) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, 0, 0, w / 2, h);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, w / 2, 0, w - w / 2, h);
    cairo_fill(cr);
    cairo_destroy(cr);
    return testsupport::takePng(s);
}

struct Target {
    Target(int w, int h, double scale)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, (int)(w * scale), (int)(h * scale))),
          canvas(surface, scale) {
        canvas.fillRect(CRect(0, 0, w, h), CColor{0, 0, 255, 255});
    }
    ~Target() { cairo_surface_destroy(surface); }
    // Device pixel as 0xRRGGBB.
    uint32_t at(int x, int y) {
        cairo_surface_flush(surface);
        auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface) +
                                                y * cairo_image_surface_get_stride(surface));
        return row[x] & 0xffffffu;
    }
    cairo_surface_t* surface;
    CairoCanvas canvas;
};

TEST(CairoCanvas, BitmapsOpaqueTransparentAndAtDoubleScale) {
    auto png = halfWhiteHalfRed(20, 10);
    std::unique_ptr<CairoImage> image(decodePng(png.data(), (uint32_t)png.size(), 1));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 20);
    EXPECT_EQ(decodePng(png.data(), 16, 1), nullptr);  // cut short: not an image

    Target t(40, 20, 1.0);
    t.canvas.drawImage(*image, CRect(0, 0, 20, 10), CPoint(), false, kWhiteCColor);
    EXPECT_EQ(t.at(2, 2), 0xffffffu);
    EXPECT_EQ(t.at(15, 2), 0xff0000u);
    // Transparent: the white half leaves the blue beneath.
    t.canvas.drawImage(*image, CRect(20, 10, 40, 20), CPoint(), true, kWhiteCColor);
    EXPECT_EQ(t.at(22, 12), 0x0000ffu);
    EXPECT_EQ(t.at(35, 12), 0xff0000u);
    // A source offset and a destination clip: only the red part, only inside.
    t.canvas.drawImage(*image, CRect(0, 12, 5, 17), CPoint(12, 0), false, kWhiteCColor);
    EXPECT_EQ(t.at(2, 14), 0xff0000u);
    EXPECT_EQ(t.at(6, 14), 0x0000ffu);

    // A double-resolution image on a double-scale target: pixel for pixel.
    auto png2 = halfWhiteHalfRed(40, 20);
    std::unique_ptr<CairoImage> image2(decodePng(png2.data(), (uint32_t)png2.size(), 2));
    Target t2(20, 10, 2.0);
    t2.canvas.drawImage(*image2, CRect(0, 0, 20, 10), CPoint(), false, kWhiteCColor);
    EXPECT_EQ(t2.at(19, 5), 0xffffffu);
    EXPECT_EQ(t2.at(20, 5), 0xff0000u);
    EXPECT_EQ(t2.at(39, 19), 0xff0000u);
}

TEST(CairoCanvas, TextFromTheBuiltInFont) {
    Target t(200, 40, 1.0);
    int regular = t.canvas.textWidth("Toolkit 42", 12, false);
    int bold = t.canvas.textWidth("Toolkit 42", 12, true);
    int big = t.canvas.textWidth("Toolkit 42", 18, false);
    EXPECT_GT(regular, 40);
    EXPECT_LT(regular, 80);
    EXPECT_GT(bold, regular);
    EXPECT_GT(big, regular * 14 / 10);
    EXPECT_EQ(t.canvas.textWidth("", 12, false), 0);

    // Right-aligned text ends at the right edge, inside its box only.
    t.canvas.drawText("Toolkit 42", CRect(0, 0, 200, 20), 12, false, CColor{255, 255, 0, 255}, kRightText);
    int leftMost = 200, rightMost = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if ((t.at(x, y) & 0xffff00u) != 0 && t.at(x, y) != 0x0000ffu) {
                ASSERT_LT(y, 20) << "text outside its box";
                leftMost = std::min(leftMost, x);
                rightMost = std::max(rightMost, x);
            }
    EXPECT_GE(rightMost, 196);
    EXPECT_NEAR(rightMost - leftMost + 1, regular, 3);
}

TEST(CairoCanvas, ClipAndOffscreenCopy) {
    Target t(40, 40, 1.0);
    t.canvas.setClip(CRect(10, 10, 20, 20));
    t.canvas.fillRect(CRect(0, 0, 40, 40), CColor{0, 255, 0, 255});
    EXPECT_EQ(t.at(15, 15), 0x00ff00u);
    EXPECT_EQ(t.at(25, 15), 0x0000ffu);
    t.canvas.setClip(CRect(0, 0, 40, 40));

    CairoOffscreen off(10, 10, 1.0);
    off.fillRect(CRect(0, 0, 10, 10), CColor{255, 0, 255, 255});
    ASSERT_NE(off.asImage(), nullptr);
    t.canvas.drawImage(*off.asImage(), CRect(30, 30, 40, 40), CPoint(), false, kWhiteCColor);
    EXPECT_EQ(t.at(35, 35), 0xff00ffu);
    EXPECT_EQ(t.at(29, 35), 0x0000ffu);
}

}  // namespace

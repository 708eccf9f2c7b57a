#include "resources/PngSurface.h"
#include "gui/x11/CairoCanvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstring>
#include <atomic>
#include <mutex>

extern const unsigned char emberline_font_regular[];
extern const unsigned emberline_font_regular_size;
extern const unsigned char emberline_font_bold[];
extern const unsigned emberline_font_bold_size;

namespace VSTGUI::x11 {

namespace {

// The built-in faces, made on first use and kept until the library goes.
struct Fonts {
    FT_Library library = nullptr;
    cairo_font_face_t* faces[2] = {nullptr, nullptr};
    cairo_font_options_t* options = nullptr;
};
std::mutex gFontsMutex;
Fonts gFonts;
// Whether cairo has been used at all: its caches are reset only then.
std::atomic<bool> gCairoUsed{false};
const cairo_user_data_key_t kFaceKey{};

void doneFace(void* face) { FT_Done_Face((FT_Face)face); }

cairo_font_face_t* makeFace(const unsigned char* data, unsigned size) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(gFonts.library, data, (FT_Long)size, 0, &face) != 0) return nullptr;
    cairo_font_face_t* cf = cairo_ft_font_face_create_for_ft_face(face, FT_LOAD_NO_HINTING);
    if (cairo_font_face_set_user_data(cf, &kFaceKey, face, &doneFace) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(cf);
        FT_Done_Face(face);
        return nullptr;
    }
    return cf;
}

Fonts& fonts() {
    std::lock_guard<std::mutex> lock(gFontsMutex);
    if (!gFonts.library && FT_Init_FreeType(&gFonts.library) == 0) {
        gFonts.faces[0] = makeFace(emberline_font_regular, emberline_font_regular_size);
        gFonts.faces[1] = makeFace(emberline_font_bold, emberline_font_bold_size);
        gFonts.options = cairo_font_options_create();
        cairo_font_options_set_antialias(gFonts.options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(gFonts.options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(gFonts.options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_subpixel_order(gFonts.options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    }
    return gFonts;
}

void setColor(cairo_t* cr, CColor c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

}  // namespace

void releaseFonts() {
    std::lock_guard<std::mutex> lock(gFontsMutex);
    for (auto*& face : gFonts.faces) {
        if (face) cairo_font_face_destroy(face);
        face = nullptr;
    }
    if (gFonts.options) cairo_font_options_destroy(gFonts.options);
    gFonts.options = nullptr;
    // cairo's caches may still hold the faces; they go with the caches.
    if (gCairoUsed.exchange(false)) cairo_debug_reset_static_data();
    if (gFonts.library) FT_Done_FreeType(gFonts.library);
    gFonts.library = nullptr;
}

// ---- images -------------------------------------------------------------------

CairoImage::~CairoImage() {
    if (keyedSurface) cairo_surface_destroy(keyedSurface);
    cairo_surface_destroy(surface);
}

int32_t CairoImage::pixelWidth() const { return cairo_image_surface_get_width(surface); }
int32_t CairoImage::pixelHeight() const { return cairo_image_surface_get_height(surface); }

cairo_surface_t* CairoImage::keyed(CColor key) const {
    if (keyedSurface && keyedColor == key) return keyedSurface;
    if (keyedSurface) cairo_surface_destroy(keyedSurface);
    int w = pixelWidth(), h = pixelHeight();
    keyedSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    keyedColor = key;
    cairo_surface_flush(surface);
    cairo_surface_flush(keyedSurface);
    const unsigned char* src = cairo_image_surface_get_data(surface);
    unsigned char* dst = cairo_image_surface_get_data(keyedSurface);
    int ss = cairo_image_surface_get_stride(surface), ds = cairo_image_surface_get_stride(keyedSurface);
    bool opaqueSource = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
    uint32_t keyRgb = (uint32_t)key.red << 16 | (uint32_t)key.green << 8 | key.blue;
    for (int y = 0; y < h; ++y) {
        auto* s = reinterpret_cast<const uint32_t*>(src + y * ss);
        auto* d = reinterpret_cast<uint32_t*>(dst + y * ds);
        for (int x = 0; x < w; ++x) {
            uint32_t p = opaqueSource ? (s[x] | 0xff000000u) : s[x];
            bool opaque = (p >> 24) == 0xff;
            d[x] = (opaque && (p & 0xffffffu) == keyRgb) ? 0u : p;
        }
    }
    cairo_surface_mark_dirty(keyedSurface);
    return keyedSurface;
}

CairoImage* decodePng(const unsigned char* data, uint32_t size, int32_t scale) {
    if (!data || size < 8) return nullptr;
    gCairoUsed.store(true);
    cairo_surface_t* s = resources::decodePng(data, size);
    return s ? new CairoImage(s, scale) : nullptr;
}

// ---- canvas -------------------------------------------------------------------

CairoCanvas::CairoCanvas(cairo_surface_t* target, double scale)
    : target(target), cr((gCairoUsed.store(true), cairo_create(target))), scale(scale) {
    cairo_scale(cr, scale, scale);
    Fonts& f = fonts();
    if (f.options) cairo_set_font_options(cr, f.options);
}

CairoCanvas::~CairoCanvas() { cairo_destroy(cr); }

void CairoCanvas::setClip(const CRect& clip) {
    cairo_reset_clip(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.width(), clip.height());
    cairo_clip(cr);
}

void CairoCanvas::fillRect(const CRect& r, CColor color) {
    setColor(cr, color);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
}

void CairoCanvas::line(CPoint from, CPoint to, CColor color, int32_t width) {
    setColor(cr, color);
    cairo_set_line_width(cr, width);
    double o = (width % 2) ? 0.5 : 0.0;
    cairo_move_to(cr, from.h + o, from.v + o);
    cairo_line_to(cr, to.h + o, to.v + o);
    cairo_stroke(cr);
}

void CairoCanvas::drawImage(const platform::Image& image, const CRect& dst, CPoint src,
                            bool transparent, CColor key) {
    const auto& img = static_cast<const CairoImage&>(image);
    cairo_surface_t* source = transparent ? img.keyed(key) : img.get();
    cairo_save(cr);
    cairo_rectangle(cr, dst.left, dst.top, dst.width(), dst.height());
    cairo_clip(cr);
    cairo_translate(cr, dst.left - src.h, dst.top - src.v);
    cairo_scale(cr, 1.0 / img.scale(), 1.0 / img.scale());
    cairo_set_source_surface(cr, source, 0, 0);
    // Whole device pixels per image pixel: exact copies.
    double ratio = scale / img.scale();
    bool exact = std::fabs(ratio - std::round(ratio)) < 1e-9;
    cairo_pattern_set_filter(cairo_get_source(cr), exact ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

void CairoCanvas::selectFont(int32_t pixelSize, bool bold) {
    Fonts& f = fonts();
    cairo_font_face_t* face = f.faces[bold ? 1 : 0];
    if (face) cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, pixelSize);
}

void CairoCanvas::drawText(const char* utf8, const CRect& r, int32_t pixelSize, bool bold,
                           CColor color, int32_t align) {
    if (!utf8 || !*utf8) return;
    selectFont(pixelSize, bold);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_text_extents_t te;
    cairo_text_extents(cr, utf8, &te);
    double x = r.left;
    if (align == kCenterText)
        x = r.left + (r.width() - te.x_advance) / 2.0;
    else if (align == kRightText)
        x = r.right - te.x_advance;
    double y = r.top + (r.height() - (fe.ascent + fe.descent)) / 2.0 + fe.ascent;
    // Whole device pixels for the origin keep the text sharp.
    x = std::round(x * scale) / scale;
    y = std::round(y * scale) / scale;
    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_clip(cr);
    setColor(cr, color);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, utf8);
    cairo_restore(cr);
}

int32_t CairoCanvas::textWidth(const char* utf8, int32_t pixelSize, bool bold) {
    if (!utf8 || !*utf8) return 0;
    selectFont(pixelSize, bold);
    cairo_text_extents_t te;
    cairo_text_extents(cr, utf8, &te);
    return (int32_t)std::ceil(te.x_advance);
}

CairoOffscreen::CairoOffscreen(int32_t width, int32_t height, double scale)
    : CairoCanvas(cairo_image_surface_create(CAIRO_FORMAT_RGB24, (int)std::ceil(width * scale),
                                             (int)std::ceil(height * scale)),
                  scale),
      image(target, (int32_t)std::lround(scale)) {}

}  // namespace VSTGUI::x11

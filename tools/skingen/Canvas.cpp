#include "tools/skingen/Canvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <vector>

namespace skingen {

namespace {

const char* const kFontDir = "/usr/share/fonts/truetype/liberation2/";

struct Fonts {
    FT_Library library = nullptr;
    FT_Face faces[2] = {nullptr, nullptr};
    cairo_font_face_t* cairoFaces[2] = {nullptr, nullptr};
};

Fonts& fonts() {
    static Fonts f;
    return f;
}

cairo_font_face_t* faceFor(Weight w) { return fonts().cairoFaces[w == Weight::Bold ? 1 : 0]; }

void selectFont(cairo_t* cr, const Font& font) {
    cairo_set_font_face(cr, faceFor(font.weight));
    cairo_set_font_size(cr, font.size);
    // Fixed rendering options, whatever the machine's settings: the same
    // pixels on every build.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

}  // namespace

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb lighter(Rgb c, double amount) { return mix(c, {1, 1, 1}, amount); }
Rgb darker(Rgb c, double amount) { return mix(c, {0, 0, 0}, amount); }

bool loadFonts() {
    Fonts& f = fonts();
    if (f.library) return true;
    if (FT_Init_FreeType(&f.library) != 0) return false;
    const char* files[2] = {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf"};
    for (int i = 0; i < 2; ++i) {
        std::string path = std::string(kFontDir) + files[i];
        if (FT_New_Face(f.library, path.c_str(), 0, &f.faces[i]) != 0) {
            releaseFonts();
            return false;
        }
        f.cairoFaces[i] = cairo_ft_font_face_create_for_ft_face(f.faces[i], 0);
    }
    return true;
}

void releaseFonts() {
    Fonts& f = fonts();
    for (int i = 0; i < 2; ++i) {
        if (f.cairoFaces[i]) cairo_font_face_destroy(f.cairoFaces[i]);
        f.cairoFaces[i] = nullptr;
    }
    // cairo keeps font faces in its caches; resetting them lets the FreeType
    // faces go before the library.
    cairo_debug_reset_static_data();
    for (int i = 0; i < 2; ++i) {
        if (f.faces[i]) FT_Done_Face(f.faces[i]);
        f.faces[i] = nullptr;
    }
    if (f.library) FT_Done_FreeType(f.library);
    f.library = nullptr;
}

Canvas::Canvas(int width, int height, int scale) : width_(width), height_(height), scale_(scale) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width * scale, height * scale);
    cr_ = cairo_create(surface_);
    cairo_scale(cr_, scale, scale);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GRAY);
}

Canvas::~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

void setColour(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void fillRect(cairo_t* cr, double x, double y, double w, double h, Rgb c) {
    setColour(cr, c);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::fmin(r, std::fmin(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// The text split into characters (UTF-8 sequences), for letter spacing.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        while (i + n < text.size() && ((unsigned char)text[i + n] & 0xC0) == 0x80) ++n;
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

double textWidth(cairo_t* cr, const std::string& text, const Font& font) {
    selectFont(cr, font);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    size_t n = characters(text).size();
    return ext.x_advance + (n ? font.spacing * (double)(n - 1) : 0.0);
}

void drawText(cairo_t* cr, const std::string& text, double x, double y, const Font& font, Rgb c,
              Align align) {
    double w = textWidth(cr, text, font);
    if (align == Align::Centre) x -= w / 2;
    if (align == Align::Right) x -= w;
    setColour(cr, c);
    if (font.spacing == 0.0) {
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, text.c_str());
        return;
    }
    for (const std::string& one : characters(text)) {
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, one.c_str());
        cairo_text_extents_t ext;
        cairo_text_extents(cr, one.c_str(), &ext);
        x += ext.x_advance + font.spacing;
    }
}

void drawTextMiddle(cairo_t* cr, const std::string& text, double x, double cy, const Font& font,
                    Rgb c, Align align) {
    // Liberation Sans capitals stand 0.729 em above the baseline.
    drawText(cr, text, x, cy + font.size * 0.729 / 2, font, c, align);
}

void raisedPlate(cairo_t* cr, double x, double y, double w, double h, double r, Rgb c) {
    roundedRect(cr, x, y, w, h, r);
    setColour(cr, c);
    cairo_fill(cr);
    cairo_set_line_width(cr, 1.0);
    // Light edge along the top and left, dark edge along the bottom and right.
    cairo_pattern_t* edge = cairo_pattern_create_linear(x, y, x + w, y + h);
    Rgb hi = lighter(c, 0.45), lo = darker(c, 0.45);
    cairo_pattern_add_color_stop_rgba(edge, 0.0, hi.r, hi.g, hi.b, 1.0);
    cairo_pattern_add_color_stop_rgba(edge, 0.5, c.r, c.g, c.b, 1.0);
    cairo_pattern_add_color_stop_rgba(edge, 1.0, lo.r, lo.g, lo.b, 1.0);
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, std::fmax(0.0, r - 0.5));
    cairo_set_source(cr, edge);
    cairo_stroke(cr);
    cairo_pattern_destroy(edge);
}

void sunkenRim(cairo_t* cr, double x, double y, double w, double h, double r, double depth) {
    cairo_set_line_width(cr, 1.0);
    for (int i = 0; i < (int)depth; ++i) {
        double a = 0.55 - 0.15 * i;
        cairo_pattern_t* edge = cairo_pattern_create_linear(x, y, x + w, y + h);
        cairo_pattern_add_color_stop_rgba(edge, 0.0, 0, 0, 0, a);
        cairo_pattern_add_color_stop_rgba(edge, 0.55, 0, 0, 0, a * 0.4);
        cairo_pattern_add_color_stop_rgba(edge, 1.0, 1, 1, 1, a * 0.9);
        roundedRect(cr, x - 0.5 - i, y - 0.5 - i, w + 1 + 2 * i, h + 1 + 2 * i, r + i);
        cairo_set_source(cr, edge);
        cairo_stroke(cr);
        cairo_pattern_destroy(edge);
    }
}

void groove(cairo_t* cr, double x0, double y0, double x1, double y1, Rgb panel) {
    bool horizontal = y0 == y1;
    cairo_set_line_width(cr, 1.0);
    setColour(cr, darker(panel, 0.28));
    cairo_move_to(cr, x0 + (horizontal ? 0 : 0.5), y0 + (horizontal ? 0.5 : 0));
    cairo_line_to(cr, x1 + (horizontal ? 0 : 0.5), y1 + (horizontal ? 0.5 : 0));
    cairo_stroke(cr);
    setColour(cr, lighter(panel, 0.35));
    cairo_move_to(cr, x0 + (horizontal ? 0 : 1.5), y0 + (horizontal ? 1.5 : 0));
    cairo_line_to(cr, x1 + (horizontal ? 0 : 1.5), y1 + (horizontal ? 1.5 : 0));
    cairo_stroke(cr);
}

void circleShadow(cairo_t* cr, double cx, double cy, double r, double offset, double alpha) {
    double sx = cx + offset * 0.6, sy = cy + offset;
    cairo_pattern_t* p = cairo_pattern_create_radial(sx, sy, r * 0.85, sx, sy, r + offset * 1.6);
    cairo_pattern_add_color_stop_rgba(p, 0.0, 0, 0, 0, alpha);
    cairo_pattern_add_color_stop_rgba(p, 1.0, 0, 0, 0, 0.0);
    cairo_arc(cr, sx, sy, r + offset * 1.6, 0, 2 * M_PI);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void diagonalDisc(cairo_t* cr, double cx, double cy, double gradientR, double discR, Rgb upperLeft,
                  Rgb lowerRight) {
    double g = gradientR;
    cairo_pattern_t* p = cairo_pattern_create_linear(cx - g, cy - g, cx + g, cy + g);
    cairo_pattern_add_color_stop_rgb(p, 0.0, upperLeft.r, upperLeft.g, upperLeft.b);
    cairo_pattern_add_color_stop_rgb(p, 1.0, lowerRight.r, lowerRight.g, lowerRight.b);
    cairo_arc(cr, cx, cy, discR, 0, 2 * M_PI);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void screw(cairo_t* cr, double cx, double cy, double r, double slotAngle, Rgb panel) {
    circleShadow(cr, cx, cy, r, 0.8, 0.35);
    diagonalDisc(cr, cx, cy, r, r, lighter(panel, 0.55), darker(panel, 0.35));
    double dx = std::cos(slotAngle) * r * 0.8, dy = std::sin(slotAngle) * r * 0.8;
    cairo_set_line_width(cr, r * 0.38);
    setColour(cr, darker(panel, 0.6));
    cairo_move_to(cr, cx - dx, cy - dy);
    cairo_line_to(cr, cx + dx, cy + dy);
    cairo_stroke(cr);
}

void lamp(cairo_t* cr, double cx, double cy, double r, Rgb colour, double level) {
    // Bezel ring.
    diagonalDisc(cr, cx, cy, r, r + 1.0, Rgb{0.05, 0.05, 0.05}, Rgb{0.55, 0.55, 0.55});
    // Lens: a dark tint of the colour when off, a hot centre when lit.
    Rgb off = darker(colour, 0.78);
    Rgb body = mix(off, colour, level);
    Rgb hot = mix(off, lighter(colour, 0.65), level);
    cairo_pattern_t* lens = cairo_pattern_create_radial(cx - r * 0.25, cy - r * 0.25, 0, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(lens, 0.0, hot.r, hot.g, hot.b);
    cairo_pattern_add_color_stop_rgb(lens, 0.6, body.r, body.g, body.b);
    Rgb edge = darker(body, 0.35);
    cairo_pattern_add_color_stop_rgb(lens, 1.0, edge.r, edge.g, edge.b);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source(cr, lens);
    cairo_fill(cr);
    cairo_pattern_destroy(lens);
    // Specular glint, upper left.
    cairo_arc(cr, cx - r * 0.35, cy - r * 0.4, r * 0.28, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.22 + 0.25 * level);
    cairo_fill(cr);
}

}  // namespace skingen

#include "tools/skingen/Knobs.h"

#include <algorithm>
#include <cmath>

namespace skingen {

namespace {

constexpr double kSweep = 1.5 * M_PI;  // 270 degrees

double px(double cx, double r, double angle) { return cx + r * std::sin(angle); }
double py(double cy, double r, double angle) { return cy - r * std::cos(angle); }

Rgb panelOf(const KnobStrip& k) { return k.darkPanel ? palette::bridge : palette::face; }
Rgb printOf(const KnobStrip& k) { return k.darkPanel ? palette::bridgePrint : palette::facePrint; }

void tick(cairo_t* cr, double cx, double cy, double r0, double r1, double angle, double width) {
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_move_to(cr, px(cx, r0, angle), py(cy, r0, angle));
    cairo_line_to(cr, px(cx, r1, angle), py(cy, r1, angle));
    cairo_stroke(cr);
}

// Label centred on the point at radius r and the given angle, kept inside the frame.
void labelAt(cairo_t* cr, const char* text, const KnobStrip& k, double r, double angle, const Font& font,
             Rgb c) {
    double half = textWidth(cr, text, font) / 2;
    double x = std::clamp(px(k.cx, r, angle), half + 0.5, k.width - half - 0.5);
    drawTextMiddle(cr, text, x, py(k.cy, r, angle), font, c);
}

void drawScale(cairo_t* cr, const KnobStrip& k) {
    Rgb print = printOf(k);
    double R = k.radius;
    double inner = R + 2.5, outer = R + (R > 20 ? 6.5 : R > 12 ? 4.5 : 3.5);
    double major = outer + (R > 20 ? 2.0 : 1.2);
    Font numbers{Weight::Regular, R > 20 ? 8.0 : 6.5, 0.0};
    int ticks = k.scale == KnobScale::Quarters ? 9 : 11;
    for (int i = 0; i < ticks; ++i) {
        double v = (double)i / (ticks - 1);
        // The main control prints its upper half in the accent: driving harder.
        setColour(cr, k.accentCap && v > 0.5 ? palette::emberDeep : print);
        bool isMajor = k.scale == KnobScale::Quarters ? (i % 2 == 0) : (i % 5 == 0);
        double w = isMajor ? (R > 12 ? 1.1 : 0.9) : (R > 12 ? 0.7 : 0.6);
        tick(cr, k.cx, k.cy, inner, isMajor ? major : outer, knobAngle(v), w);
    }
    double textR = major + numbers.size * 0.75;
    switch (k.scale) {
        case KnobScale::Unipolar:
            labelAt(cr, "0", k, textR, knobAngle(0), numbers, print);
            labelAt(cr, "10", k, textR + 1, knobAngle(1), numbers, print);
            break;
        case KnobScale::Bipolar: {
            Font signs{Weight::Bold, numbers.size + 1.5, 0.0};
            labelAt(cr, "\xE2\x88\x92", k, textR, knobAngle(0), signs, print);  // minus sign
            labelAt(cr, "+", k, textR, knobAngle(1), signs, k.accentCap ? palette::emberDeep : print);
            if (R > 20) labelAt(cr, "0", k, textR, knobAngle(0.5), numbers, print);
            // The centre detent: a small triangle pointing at the knob.
            double a = knobAngle(0.5), tip = major + 0.8, base = tip + 3.2;
            setColour(cr, print);
            cairo_move_to(cr, px(k.cx, tip, a), py(k.cy, tip, a));
            cairo_line_to(cr, px(k.cx, base, a) - 1.8, py(k.cy, base, a));
            cairo_line_to(cr, px(k.cx, base, a) + 1.8, py(k.cy, base, a));
            cairo_close_path(cr);
            if (R <= 20) cairo_fill(cr);
            else cairo_new_path(cr);
            break;
        }
        case KnobScale::Quarters:
            for (int i = 0; i < 5; ++i) {
                double a = knobAngle(i / 4.0);
                // Side labels sit a little further out so that they clear the ticks.
                double r = textR + (i == 1 || i == 3 ? 2.5 : 0.5);
                labelAt(cr, k.labels[i], k, r, a, numbers, print);
            }
            break;
        case KnobScale::Plain:
            break;
    }
}

void drawBody(cairo_t* cr, const KnobStrip& k) {
    double R = k.radius, cx = k.cx, cy = k.cy;
    circleShadow(cr, cx, cy, R, R > 20 ? 3.0 : R > 12 ? 2.2 : 1.4, k.darkPanel ? 0.6 : 0.45);
    // Skirt: a dark flange, lit from the upper left.
    cairo_pattern_t* skirt = cairo_pattern_create_linear(cx - R, cy - R, cx + R, cy + R);
    cairo_pattern_add_color_stop_rgb(skirt, 0.0, 0.36, 0.36, 0.37);
    cairo_pattern_add_color_stop_rgb(skirt, 0.5, 0.16, 0.16, 0.17);
    cairo_pattern_add_color_stop_rgb(skirt, 1.0, 0.07, 0.07, 0.08);
    cairo_arc(cr, cx, cy, R, 0, 2 * M_PI);
    cairo_set_source(cr, skirt);
    cairo_fill(cr);
    cairo_pattern_destroy(skirt);
    // Knurled grip: fine radial flutes around the flange.
    int flutes = R > 20 ? 48 : R > 12 ? 32 : 20;
    cairo_set_line_width(cr, R > 12 ? 0.55 : 0.45);
    for (int i = 0; i < flutes; ++i) {
        double a = 2 * M_PI * i / flutes;
        double light = 0.5 + 0.5 * std::cos(a + M_PI / 4 + M_PI / 2);  // brighter towards upper left
        cairo_set_source_rgba(cr, 1, 1, 1, 0.05 + 0.12 * light);
        tick(cr, cx, cy, R * 0.80, R - 0.4, a, R > 12 ? 0.55 : 0.45);
    }
    // Cap: a shallow dish, darker at the top (the rim shades it) and lighter below.
    double C = R * 0.74;
    Rgb capTop = k.accentCap ? rgb(120, 40, 20) : rgb(22, 22, 24);
    Rgb capBottom = k.accentCap ? rgb(196, 78, 36) : rgb(62, 62, 66);
    diagonalDisc(cr, cx, cy, C, C, capTop, capBottom);
    // Rim of the cap: bright bevel on its upper left.
    cairo_set_line_width(cr, R > 12 ? 0.9 : 0.7);
    cairo_pattern_t* rim = cairo_pattern_create_linear(cx - C, cy - C, cx + C, cy + C);
    cairo_pattern_add_color_stop_rgba(rim, 0.0, 1, 1, 1, 0.55);
    cairo_pattern_add_color_stop_rgba(rim, 0.5, 1, 1, 1, 0.08);
    cairo_pattern_add_color_stop_rgba(rim, 1.0, 0, 0, 0, 0.4);
    cairo_arc(cr, cx, cy, C, 0, 2 * M_PI);
    cairo_set_source(cr, rim);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);
    // Outer edge of the flange.
    cairo_set_line_width(cr, 0.6);
    cairo_arc(cr, cx, cy, R - 0.3, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_stroke(cr);
}

void drawPointer(cairo_t* cr, const KnobStrip& k, double value) {
    double a = knobAngle(value), R = k.radius;
    double width = R > 20 ? 2.6 : R > 12 ? 1.9 : 1.5;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    // A faint engraved shadow, then the cream line inlaid in the cap and flange.
    cairo_set_line_width(cr, width + 0.8);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_move_to(cr, px(k.cx, R * 0.30, a) + 0.3, py(k.cy, R * 0.30, a) + 0.4);
    cairo_line_to(cr, px(k.cx, R * 0.93, a) + 0.3, py(k.cy, R * 0.93, a) + 0.4);
    cairo_stroke(cr);
    cairo_set_line_width(cr, width);
    setColour(cr, rgb(246, 240, 226));
    cairo_move_to(cr, px(k.cx, R * 0.30, a), py(k.cy, R * 0.30, a));
    cairo_line_to(cr, px(k.cx, R * 0.93, a), py(k.cy, R * 0.93, a));
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

}  // namespace

double knobAngle(double value) { return -0.75 * M_PI + kSweep * value; }

void drawKnobStrip(Canvas& canvas, const KnobStrip& k) {
    int s = canvas.scale();
    cairo_t* cr = canvas.cr();
    fillRect(cr, 0, 0, canvas.width(), canvas.height(), panelOf(k));
    // The body and the scale never move: draw them once, copy them per frame.
    Canvas still(k.width, k.height, s);
    fillRect(still.cr(), 0, 0, k.width, k.height, panelOf(k));
    drawScale(still.cr(), k);
    drawBody(still.cr(), k);
    cairo_surface_flush(still.surface());
    for (int f = 0; f < k.frames; ++f) {
        double x0 = (double)(f / k.rowsPerColumn) * k.width;
        double y0 = (double)(f % k.rowsPerColumn) * k.height;
        cairo_save(cr);
        cairo_identity_matrix(cr);
        cairo_set_source_surface(cr, still.surface(), x0 * s, y0 * s);
        cairo_rectangle(cr, x0 * s, y0 * s, k.width * s, k.height * s);
        cairo_fill(cr);
        cairo_restore(cr);
        cairo_save(cr);
        cairo_rectangle(cr, x0, y0, k.width, k.height);
        cairo_clip(cr);
        cairo_translate(cr, x0, y0);
        drawPointer(cr, k, (double)f / (k.frames - 1));
        cairo_restore(cr);
    }
}

}  // namespace skingen

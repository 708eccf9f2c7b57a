#include "tools/skingen/Meters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/skingen/MeterGeometry.h"

namespace skingen {

namespace {

using namespace meter;

struct Mark {
    double db;
    bool labelled;
};

// The printed marks of each law's scale.
// Numbers only where they keep clear of their neighbours at 1x.
const Mark kMarks0[] = {{-20, true}, {-15, false}, {-10, true}, {-7, true}, {-5, true}, {-4, false},
                        {-3, true},  {-2, false},  {-1, true},  {0, true},  {1, true},  {2, true},
                        {3, true}};
const Mark kMarks1[] = {{-40, true}, {-30, false}, {-25, false}, {-20, true}, {-15, false}, {-10, true},
                        {-8, false}, {-6, true},   {-4, false},  {-3, true},  {-2, false}, {-1, false},
                        {0, true},   {1, false},   {2, false},   {3, true},   {4, false},  {5, false},
                        {6, true}};

double px(double r, double a) { return kPivotX + r * std::sin(a); }
double py(double r, double a) { return kPivotY - r * std::cos(a); }

double markAngle(double db, int law) { return needleAngle(meterFrame(std::pow(10.0, db / 20.0), law)); }

void drawFace(cairo_t* cr) {
    // Backlit card: brightest in the upper middle, falling off towards the
    // sides and the bottom (two straight gradients, which also keep the PNG small).
    Rgb hot = lighter(palette::meterFace, 0.3), edge = darker(palette::meterFace, 0.12);
    cairo_pattern_t* light = cairo_pattern_create_linear(0, 0, 0, kFrameHeight);
    cairo_pattern_add_color_stop_rgb(light, 0.0, palette::meterFace.r, palette::meterFace.g, palette::meterFace.b);
    cairo_pattern_add_color_stop_rgb(light, 0.35, hot.r, hot.g, hot.b);
    cairo_pattern_add_color_stop_rgb(light, 1.0, edge.r, edge.g, edge.b);
    cairo_rectangle(cr, 0, 0, kWidth, kFrameHeight);
    cairo_set_source(cr, light);
    cairo_fill(cr);
    cairo_pattern_destroy(light);
    cairo_pattern_t* sides = cairo_pattern_create_linear(0, 0, kWidth, 0);
    cairo_pattern_add_color_stop_rgba(sides, 0.0, 0.35, 0.2, 0.0, 0.22);
    cairo_pattern_add_color_stop_rgba(sides, 0.3, 0.35, 0.2, 0.0, 0.0);
    cairo_pattern_add_color_stop_rgba(sides, 0.7, 0.35, 0.2, 0.0, 0.0);
    cairo_pattern_add_color_stop_rgba(sides, 1.0, 0.35, 0.2, 0.0, 0.22);
    cairo_rectangle(cr, 0, 0, kWidth, kFrameHeight);
    cairo_set_source(cr, sides);
    cairo_fill(cr);
    cairo_pattern_destroy(sides);
}

void drawScale(cairo_t* cr, int law) {
    const Mark* marks = law == 0 ? kMarks0 : kMarks1;
    size_t count = law == 0 ? std::size(kMarks0) : std::size(kMarks1);
    Rgb ink = rgb(28, 26, 24), red = rgb(196, 34, 26);
    double first = markAngle(marks[0].db, law), zero = markAngle(0, law);
    double last = markAngle(marks[count - 1].db, law);
    // The arc: thin and black below 0 dB, a red band above it.
    cairo_set_line_width(cr, 0.9);
    setColour(cr, ink);
    cairo_arc(cr, kPivotX, kPivotY, kArcRadius, first - M_PI / 2, zero - M_PI / 2);
    cairo_stroke(cr);
    setColour(cr, red);
    cairo_set_line_width(cr, kRedBandWidth);
    cairo_arc(cr, kPivotX, kPivotY, kArcRadius - kRedBandWidth / 2, zero - M_PI / 2, last - M_PI / 2 + 0.004);
    cairo_stroke(cr);
    Font numbers{Weight::Bold, 6.8, 0.0};
    for (size_t i = 0; i < count; ++i) {
        const Mark& m = marks[i];
        double a = markAngle(m.db, law);
        Rgb c = m.db > 0 ? red : ink;
        setColour(cr, c);
        cairo_set_line_width(cr, m.labelled ? 1.0 : 0.7);
        cairo_move_to(cr, px(kArcRadius - 0.5, a), py(kArcRadius - 0.5, a));
        double outer = m.labelled ? kTickOuter : kMinorTickOuter;
        cairo_line_to(cr, px(outer, a), py(outer, a));
        cairo_stroke(cr);
        if (!m.labelled) continue;
        char text[16];
        if (m.db > 0) std::snprintf(text, sizeof text, "+%d", (int)m.db);
        else if (m.db < 0) std::snprintf(text, sizeof text, "\xE2\x88\x92%d", (int)-m.db);
        else std::snprintf(text, sizeof text, "0");
        drawTextMiddle(cr, text, px(kLabelRadius, a), py(kLabelRadius, a), numbers, c);
    }
    Font legend{Weight::Bold, 8.5, 0.6};
    drawTextMiddle(cr, "dB", kPivotX, 57, legend, ink);
}

void drawNeedle(cairo_t* cr, int frame) {
    double a = needleAngle(frame);
    double inner = kPivotY - kFrameHeight + 2;  // enters the window from below
    // Shadow on the card (the light comes from the upper left).
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 1.3);
    cairo_set_source_rgba(cr, 0.2, 0.12, 0.04, 0.18);
    cairo_move_to(cr, px(inner, a) + 1.0, py(inner, a) + 1.4);
    cairo_line_to(cr, px(kNeedleTip, a) + 1.0, py(kNeedleTip, a) + 1.4);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.05);
    setColour(cr, rgb(16, 14, 12));
    cairo_move_to(cr, px(inner, a), py(inner, a));
    cairo_line_to(cr, px(kNeedleTip, a), py(kNeedleTip, a));
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void drawGlass(cairo_t* cr) {
    // The window's depth: shade along the top and left, a soft floor below.
    cairo_pattern_t* top = cairo_pattern_create_linear(0, 0, 0, 6);
    cairo_pattern_add_color_stop_rgba(top, 0.0, 0, 0, 0, 0.45);
    cairo_pattern_add_color_stop_rgba(top, 1.0, 0, 0, 0, 0.0);
    cairo_rectangle(cr, 0, 0, kWidth, 6);
    cairo_set_source(cr, top);
    cairo_fill(cr);
    cairo_pattern_destroy(top);
    cairo_pattern_t* left = cairo_pattern_create_linear(0, 0, 4, 0);
    cairo_pattern_add_color_stop_rgba(left, 0.0, 0, 0, 0, 0.3);
    cairo_pattern_add_color_stop_rgba(left, 1.0, 0, 0, 0, 0.0);
    cairo_rectangle(cr, 0, 0, 4, kFrameHeight);
    cairo_set_source(cr, left);
    cairo_fill(cr);
    cairo_pattern_destroy(left);
    cairo_pattern_t* floor = cairo_pattern_create_linear(0, kFrameHeight - 9, 0, kFrameHeight);
    cairo_pattern_add_color_stop_rgba(floor, 0.0, 0.1, 0.06, 0.0, 0.0);
    cairo_pattern_add_color_stop_rgba(floor, 1.0, 0.1, 0.06, 0.0, 0.35);
    cairo_rectangle(cr, 0, kFrameHeight - 9, kWidth, 9);
    cairo_set_source(cr, floor);
    cairo_fill(cr);
    cairo_pattern_destroy(floor);
    // The bezel's inner edge, one pixel all round.
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, 0.5, 0.5, kWidth - 1, kFrameHeight - 1);
    setColour(cr, rgb(16, 16, 17));
    cairo_stroke(cr);
    // A faint reflection across the upper glass.
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, kWidth, 0);
    cairo_line_to(cr, kWidth, 10);
    cairo_curve_to(cr, kWidth * 0.7, 18, kWidth * 0.3, 22, 0, 26);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.07);
    cairo_fill(cr);
}

}  // namespace

int meterFrame(double level, int law) {
    double v = std::max(level, 0.0);
    double p = std::pow(v, 1.2);
    if (law == 1) p = std::sqrt(p);
    double e = std::min(0.617 * p + 0.018, 1.0);
    return (int)(100.0 * e + 0.5);
}

void drawMeterStrip(Canvas& canvas, int law) {
    int s = canvas.scale();
    cairo_t* cr = canvas.cr();
    Canvas card(kWidth, kFrameHeight, s);
    drawFace(card.cr());
    drawScale(card.cr(), law);
    cairo_surface_flush(card.surface());
    for (int f = 0; f < kFrames; ++f) {
        double y0 = (double)f * kFrameHeight;
        cairo_save(cr);
        cairo_identity_matrix(cr);
        cairo_set_source_surface(cr, card.surface(), 0, y0 * s);
        cairo_rectangle(cr, 0, y0 * s, kWidth * s, kFrameHeight * s);
        cairo_fill(cr);
        cairo_restore(cr);
        cairo_save(cr);
        cairo_rectangle(cr, 0, y0, kWidth, kFrameHeight);
        cairo_clip(cr);
        cairo_translate(cr, 0, y0);
        drawNeedle(cr, f);
        drawGlass(cr);
        cairo_restore(cr);
    }
}

}  // namespace skingen

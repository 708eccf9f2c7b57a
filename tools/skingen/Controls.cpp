#include "tools/skingen/Controls.h"

#include <cmath>
#include <cstddef>
#include <initializer_list>

namespace skingen {

namespace {

// A square cap sitting in a collar; `down` presses it in by a fraction of a pixel.
void cap(cairo_t* cr, double x, double y, double size, bool down, bool darkPanel) {
    double r = size * 0.14;
    Rgb panel = darkPanel ? palette::bridge : palette::face;
    // Collar: a recess slightly larger than the cap.
    roundedRect(cr, x - 1.5, y - 1.5, size + 3, size + 3, r + 1.5);
    setColour(cr, darker(panel, 0.55));
    cairo_fill(cr);
    sunkenRim(cr, x - 1.5, y - 1.5, size + 3, size + 3, r + 1.5, 1);
    double dy = down ? 0.8 : 0.0;
    // Shadow inside the collar, shorter when pressed.
    roundedRect(cr, x + 0.6, y + 1.0 + dy * 0.5, size, size, r);
    cairo_set_source_rgba(cr, 0, 0, 0, down ? 0.25 : 0.5);
    cairo_fill(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(x, y + dy, x + size, y + size + dy);
    double top = down ? 0.24 : 0.33, bottom = down ? 0.10 : 0.12;
    cairo_pattern_add_color_stop_rgb(body, 0.0, top, top, top + 0.01);
    cairo_pattern_add_color_stop_rgb(body, 1.0, bottom, bottom, bottom + 0.01);
    roundedRect(cr, x, y + dy, size, size, r);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    // Bevel: light top-left edge, dark bottom-right edge.
    cairo_set_line_width(cr, 0.8);
    cairo_pattern_t* edge = cairo_pattern_create_linear(x, y + dy, x + size, y + size + dy);
    cairo_pattern_add_color_stop_rgba(edge, 0.0, 1, 1, 1, down ? 0.25 : 0.45);
    cairo_pattern_add_color_stop_rgba(edge, 0.5, 1, 1, 1, 0.05);
    cairo_pattern_add_color_stop_rgba(edge, 1.0, 0, 0, 0, 0.5);
    roundedRect(cr, x + 0.4, y + 0.4 + dy, size - 0.8, size - 0.8, r);
    cairo_set_source(cr, edge);
    cairo_stroke(cr);
    cairo_pattern_destroy(edge);
}

// A glow around a lit lamp.
void halo(cairo_t* cr, double cx, double cy, double r, Rgb c, double level) {
    if (level <= 0) return;
    cairo_pattern_t* g = cairo_pattern_create_radial(cx, cy, r * 0.5, cx, cy, r * 2.4);
    cairo_pattern_add_color_stop_rgba(g, 0.0, c.r, c.g, c.b, 0.55 * level);
    cairo_pattern_add_color_stop_rgba(g, 1.0, c.r, c.g, c.b, 0.0);
    cairo_arc(cr, cx, cy, r * 2.4, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

void litText(cairo_t* cr, const char* text, double x, double cy, double size, bool lit, Align align) {
    Font f{Weight::Bold, size, 0.2};
    drawTextMiddle(cr, text, x, cy, f, lit ? palette::ledAmber : palette::bridgeFaint, align);
}

void arrow(cairo_t* cr, double cx, double cy, double size, double angle) {
    // A triangle pointing along `angle` (0 = up, clockwise).
    double s = std::sin(angle), c = -std::cos(angle);
    double tx = cx + s * size, ty = cy + c * size;
    double bx = cx - s * size * 0.5, by = cy - c * size * 0.5;
    cairo_move_to(cr, tx, ty);
    cairo_line_to(cr, bx - c * size * 0.8, by + s * size * 0.8);
    cairo_line_to(cr, bx + c * size * 0.8, by - s * size * 0.8);
    cairo_close_path(cr);
}

}  // namespace

void drawPushButton(Canvas& canvas, const PushButton& b) {
    cairo_t* cr = canvas.cr();
    Rgb panel = b.darkPanel ? palette::bridge : palette::face;
    for (int half = 0; half < 2; ++half) {
        bool on = half == 1;
        cairo_save(cr);
        cairo_translate(cr, 0, half * b.height);
        fillRect(cr, 0, 0, b.width, b.height, panel);
        double x = (b.width - b.cap) / 2, y = (b.height - b.cap) / 2;
        cap(cr, x, y, b.cap, on, b.darkPanel);
        double r = b.cap > 20 ? 3.4 : 2.4;
        double cx = b.width / 2.0, cy = y + b.cap / 2 + (on ? 0.8 : 0.0);
        halo(cr, cx, cy, r, b.lampColour, on ? 1.0 : 0.0);
        lamp(cr, cx, cy, r, b.lampColour, on ? 1.0 : 0.0);
        cairo_restore(cr);
    }
}

void drawMeterSourceSwitch(Canvas& canvas) {
    cairo_t* cr = canvas.cr();
    const char* names[3] = {"PRE", "GR", "POST"};
    const double w = 40, h = 50;
    for (int f = 0; f < 3; ++f) {
        cairo_save(cr);
        cairo_translate(cr, 0, f * h);
        fillRect(cr, 0, 0, w, h, palette::bridge);
        // The slot and the slide in the band of the chosen position.
        double slotX = 7, slotW = 6;
        roundedRect(cr, slotX, 4, slotW, h - 8, 2);
        setColour(cr, rgb(12, 12, 13));
        cairo_fill(cr);
        sunkenRim(cr, slotX, 4, slotW, h - 8, 2, 1);
        double cy = h * (2 * f + 1) / 6.0;
        roundedRect(cr, slotX - 3 + 0.6, cy - 5 + 1.0, slotW + 6, 10, 1.5);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
        cairo_fill(cr);
        raisedPlate(cr, slotX - 3, cy - 5, slotW + 6, 10, 1.5, rgb(150, 148, 144));
        for (int g = 0; g < 3; ++g) {
            cairo_set_line_width(cr, 0.6);
            setColour(cr, rgb(90, 88, 86));
            double gy = cy - 2 + 2 * g;
            cairo_move_to(cr, slotX - 1.5, gy + 0.3);
            cairo_line_to(cr, slotX + slotW + 1.5, gy + 0.3);
            cairo_stroke(cr);
        }
        for (int n = 0; n < 3; ++n) {
            double ly = h * (2 * n + 1) / 6.0;
            litText(cr, names[n], 19, ly, 7.0, n == f, Align::Left);
        }
        cairo_restore(cr);
    }
}

void drawMeterTypeButton(Canvas& canvas) {
    cairo_t* cr = canvas.cr();
    const double w = 40, h = 50;
    for (int f = 0; f < 2; ++f) {
        cairo_save(cr);
        cairo_translate(cr, 0, f * h);
        fillRect(cr, 0, 0, w, h, palette::bridge);
        cap(cr, 4, 5, 32, f == 1, true);
        double dy = f == 1 ? 0.8 : 0.0;
        // Two lamps with their legends; the ballistics in use is lit.
        double rows[2] = {16 + dy, 33 + dy};
        const char* names[2] = {"VU", "PPM"};
        for (int n = 0; n < 2; ++n) {
            bool lit = n == f;
            halo(cr, 11, rows[n], 2.2, palette::ledAmber, lit ? 0.8 : 0.0);
            lamp(cr, 11, rows[n], 2.2, palette::ledAmber, lit ? 1.0 : 0.0);
            litText(cr, names[n], 16, rows[n], 7.0, lit, Align::Left);
        }
        cairo_restore(cr);
    }
}

void drawChannelButton(Canvas& canvas) {
    cairo_t* cr = canvas.cr();
    const double w = 51, h = 48, cx = 22.5, cy = 24;
    // Frames mono, left, right, stereo: the arrow that points at the mode is lit.
    const double angles[4] = {0, -M_PI / 2, M_PI / 2, M_PI};
    for (int f = 0; f < 4; ++f) {
        cairo_save(cr);
        cairo_translate(cr, 0, f * h);
        fillRect(cr, 0, 0, w, h, palette::face);
        cap(cr, cx - 12, cy - 12, 24, false, false);
        for (int n = 0; n < 4; ++n) {
            bool lit = n == f;
            double a = angles[n];
            double ax = cx + std::sin(a) * 6.2, ay = cy - std::cos(a) * 6.2;
            if (lit) halo(cr, ax, ay, 2.6, palette::ledAmber, 0.9);
            arrow(cr, ax, ay, 3.1, a);
            setColour(cr, lit ? palette::ledAmber : rgb(110, 108, 104));
            cairo_fill(cr);
        }
        Font legend{Weight::Bold, 6.5, 0.3};
        auto print = [&](int n) { return n == f ? palette::emberDeep : palette::faceFaint; };
        drawTextMiddle(cr, "MONO", cx, 5.5, legend, print(0));
        drawTextMiddle(cr, "L", 4.0, cy, legend, print(1));
        drawTextMiddle(cr, "R", 41.0, cy, legend, print(2));
        drawTextMiddle(cr, "STEREO", cx, 42.5, legend, print(3));
        cairo_restore(cr);
    }
}

void drawOverLamp(Canvas& canvas) {
    cairo_t* cr = canvas.cr();
    const double h = 21;
    for (int f = 0; f < 6; ++f) {
        double level = f / 5.0;
        cairo_save(cr);
        cairo_translate(cr, 0, f * h);
        halo(cr, 10.5, 10.5, 5.0, palette::ledRed, level * level);
        lamp(cr, 10.5, 10.5, 5.5, palette::ledRed, level);
        cairo_restore(cr);
    }
}

void drawKnobModeToggle(Canvas& canvas) {
    cairo_t* cr = canvas.cr();
    const double w = 15, h = 29, cx = 7.5, cy = 14.5;
    for (int f = 0; f < 2; ++f) {
        cairo_save(cr);
        cairo_translate(cr, 0, f * h);
        fillRect(cr, 0, 0, w, h, palette::bridge);
        // Bushing and nut.
        circleShadow(cr, cx, cy, 5.2, 1.2, 0.6);
        screw(cr, cx, cy, 5.2, 0, rgb(120, 120, 124));
        cairo_arc(cr, cx, cy, 2.6, 0, 2 * M_PI);
        setColour(cr, rgb(30, 30, 32));
        cairo_fill(cr);
        // The lever, seen from the front: a tapered chrome bat towards its tip.
        double dir = f == 0 ? -1.0 : 1.0, tip = cy + dir * 11.5;
        cairo_move_to(cr, cx - 1.5, cy);
        cairo_line_to(cr, cx - 2.2, tip);
        cairo_line_to(cr, cx + 2.2, tip);
        cairo_line_to(cr, cx + 1.5, cy);
        cairo_close_path(cr);
        cairo_pattern_t* chrome = cairo_pattern_create_linear(cx - 2.2, 0, cx + 2.2, 0);
        cairo_pattern_add_color_stop_rgb(chrome, 0.0, 0.55, 0.55, 0.57);
        cairo_pattern_add_color_stop_rgb(chrome, 0.35, 0.95, 0.95, 0.96);
        cairo_pattern_add_color_stop_rgb(chrome, 1.0, 0.30, 0.30, 0.32);
        cairo_set_source(cr, chrome);
        cairo_fill(cr);
        cairo_arc(cr, cx, tip, 2.5, 0, 2 * M_PI);
        cairo_set_source(cr, chrome);
        cairo_fill(cr);
        cairo_pattern_destroy(chrome);
        cairo_restore(cr);
    }
}

namespace {

// Seven segments a..g of a digit in a 9 x 17 cell.
void segment(cairo_t* cr, int which) {
    const double l = 2.2, r = 6.8, t = 2.5, m = 8.5, b = 14.5;
    const double ends[7][4] = {
        {l, t, r, t}, {r, t, r, m}, {r, m, r, b}, {l, b, r, b}, {l, m, l, b}, {l, t, l, m}, {l, m, r, m},
    };
    const double* e = ends[which];
    // Slightly shortened so that neighbouring segments keep a hairline gap.
    double dx = (e[2] - e[0]) * 0.12, dy = (e[3] - e[1]) * 0.08;
    cairo_move_to(cr, e[0] + dx, e[1] + dy);
    cairo_line_to(cr, e[2] - dx, e[3] - dy);
}

// A new open path through the points x0, y0, x1, y1, ...
void polyline(cairo_t* cr, std::initializer_list<double> xy) {
    const double* p = xy.begin();
    cairo_move_to(cr, p[0], p[1]);
    for (size_t i = 2; i + 1 < xy.size(); i += 2) cairo_line_to(cr, p[i], p[i + 1]);
}

void litStroke(cairo_t* cr, double width) {
    Rgb c = palette::ledAmber;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, width + 1.6);
    setColour(cr, c, 0.22);
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, width);
    setColour(cr, c);
    cairo_stroke(cr);
}

void glyph(cairo_t* cr, int index) {
    static const unsigned char kDigits[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    const double seg = 1.35;
    Font unit{Weight::Bold, 5.6, -0.2};
    if (index <= 9) {
        for (int sgm = 0; sgm < 7; ++sgm)
            if (kDigits[index] & (1 << sgm)) segment(cr, sgm);
        litStroke(cr, seg);
        return;
    }
    switch (index) {
        case 10:  // decimal point
            cairo_arc(cr, 4.5, 14.3, 0.95, 0, 2 * M_PI);
            setColour(cr, palette::ledAmber);
            cairo_fill(cr);
            break;
        case 11:  // k
            polyline(cr, {2.5, 2.5, 2.5, 14.5});
            polyline(cr, {6.8, 7.5, 2.8, 11.2, 7.0, 14.5});
            litStroke(cr, seg);
            break;
        case 12:  // plus
            polyline(cr, {1.8, 8.5, 7.2, 8.5});
            polyline(cr, {4.5, 5.8, 4.5, 11.2});
            litStroke(cr, seg);
            break;
        case 13:  // minus
            polyline(cr, {1.8, 8.5, 7.2, 8.5});
            litStroke(cr, seg);
            break;
        case 14:  // percent
            cairo_arc(cr, 2.9, 5.0, 1.3, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc(cr, 6.1, 12.0, 1.3, 0, 2 * M_PI);
            cairo_move_to(cr, 7.0, 3.5);
            cairo_line_to(cr, 2.0, 13.5);
            cairo_set_line_width(cr, 0.9);
            setColour(cr, palette::ledAmber);
            cairo_stroke(cr);
            break;
        case 15:  // dB, small letters on the digits' baseline
            drawText(cr, "dB", 4.6, 14.9, unit, palette::ledAmber, Align::Centre);
            break;
        case 16:  // Hz
            drawText(cr, "Hz", 4.6, 14.9, unit, palette::ledAmber, Align::Centre);
            break;
        default:  // blank
            break;
    }
}

}  // namespace

void drawReadoutGlyphs(Canvas& canvas) {
    cairo_t* cr = canvas.cr();
    for (int g = 0; g < 18; ++g) {
        cairo_save(cr);
        cairo_translate(cr, 0, g * 17);
        fillRect(cr, 0, 0, 9, 17, palette::displayGlass);
        // Glyphs keep off the cell's outer columns, so that neighbouring
        // cells join without a seam.
        cairo_rectangle(cr, 1, 0, 7, 17);
        cairo_clip(cr);
        glyph(cr, g);
        cairo_restore(cr);
    }
}

}  // namespace skingen

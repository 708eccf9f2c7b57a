// The preset rail's small buttons and its previous/next rocker.
#include <cmath>

#include "tools/skingen/Controls.h"

namespace skingen {

namespace {

enum class Look { Normal, Highlighted, Pressed, Disabled };

const double kRailH = 14;

// The body of a rail key from x0 to x1; its top-left is lit, a pressed key sinks.
void key(cairo_t* cr, double x0, double x1, Look look) {
    double w = x1 - x0;
    bool down = look == Look::Pressed;
    roundedRect(cr, x0 + 0.5, 1.0, w - 1.0, kRailH - 2.0, 2.0);
    double top = down ? 0.11 : look == Look::Highlighted ? 0.30 : 0.24;
    double bottom = down ? 0.15 : 0.12;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 1, 0, kRailH - 1);
    cairo_pattern_add_color_stop_rgb(p, 0.0, top, top, top + 0.01);
    cairo_pattern_add_color_stop_rgb(p, 1.0, bottom, bottom, bottom + 0.01);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_line_width(cr, 0.8);
    if (down) cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
    else cairo_set_source_rgba(cr, 0.02, 0.02, 0.02, 1.0);
    cairo_stroke(cr);
    if (!down) {
        cairo_set_line_width(cr, 0.6);
        cairo_set_source_rgba(cr, 1, 1, 1, look == Look::Highlighted ? 0.35 : 0.2);
        cairo_move_to(cr, x0 + 2.0, 1.9);
        cairo_line_to(cr, x1 - 2.0, 1.9);
        cairo_stroke(cr);
    }
}

Rgb iconColour(Look look) {
    switch (look) {
        case Look::Highlighted: return palette::ledAmber;
        case Look::Pressed: return lighter(palette::ledAmber, 0.3);
        case Look::Disabled: return rgb(72, 72, 74);
        default: return palette::bridgePrint;
    }
}

// An arrow into (write) or out of (read) a tray; `stack` doubles the tray.
void trayIcon(cairo_t* cr, double cx, double dy, bool into, bool stack, Rgb c) {
    setColour(cr, c);
    cairo_set_line_width(cr, 0.9);
    double trayY = 10.3 + dy;
    cairo_move_to(cr, cx - 3.5, trayY - 2.0);
    cairo_line_to(cr, cx - 3.5, trayY);
    cairo_line_to(cr, cx + 3.5, trayY);
    cairo_line_to(cr, cx + 3.5, trayY - 2.0);
    cairo_stroke(cr);
    if (stack) {
        cairo_move_to(cr, cx - 3.5, trayY + 1.6);
        cairo_line_to(cr, cx + 3.5, trayY + 1.6);
        cairo_stroke(cr);
    }
    double tipY = into ? 8.6 + dy : 2.6 + dy, tailY = into ? 3.0 + dy : 8.4 + dy;
    double dir = into ? -1.0 : 1.0;
    cairo_move_to(cr, cx, tailY);
    cairo_line_to(cr, cx, tipY + dir * 1.6);
    cairo_stroke(cr);
    cairo_move_to(cr, cx, tipY);
    cairo_line_to(cr, cx - 2.2, tipY + dir * 2.4);
    cairo_line_to(cr, cx + 2.2, tipY + dir * 2.4);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void triangle(cairo_t* cr, double cx, double cy, double dir, Rgb c) {
    cairo_move_to(cr, cx + dir * 2.4, cy);
    cairo_line_to(cr, cx - dir * 1.8, cy - 3.0);
    cairo_line_to(cr, cx - dir * 1.8, cy + 3.0);
    cairo_close_path(cr);
    setColour(cr, c);
    cairo_fill(cr);
}

}  // namespace

void drawRailButton(Canvas& canvas, RailIcon icon, int frames) {
    cairo_t* cr = canvas.cr();
    const double w = 12;
    const Look looks[4] = {Look::Normal, Look::Highlighted, Look::Pressed, Look::Disabled};
    bool into = icon == RailIcon::SaveBank || icon == RailIcon::SavePreset || icon == RailIcon::StoreA ||
                icon == RailIcon::StoreB;
    bool stack = icon == RailIcon::SaveBank || icon == RailIcon::LoadBank;
    for (int f = 0; f < frames; ++f) {
        cairo_save(cr);
        cairo_translate(cr, 0, f * kRailH);
        fillRect(cr, 0, 0, w, kRailH, palette::rail);
        key(cr, 0, w, looks[f]);
        double dy = looks[f] == Look::Pressed ? 0.6 : 0.0;
        trayIcon(cr, w / 2, dy - (stack ? 0.8 : 0.0), into, stack, iconColour(looks[f]));
        cairo_restore(cr);
    }
}

void drawRailRocker(Canvas& canvas) {
    cairo_t* cr = canvas.cr();
    const double w = 31, m = 15;  // the halves meet at m, as the rocker divides itself
    struct Frame {
        Look left, right;
    };
    const Frame frames[5] = {
        {Look::Normal, Look::Normal},  {Look::Highlighted, Look::Normal}, {Look::Normal, Look::Highlighted},
        {Look::Pressed, Look::Normal}, {Look::Normal, Look::Pressed},
    };
    for (int f = 0; f < 5; ++f) {
        cairo_save(cr);
        cairo_translate(cr, 0, f * kRailH);
        fillRect(cr, 0, 0, w, kRailH, palette::rail);
        key(cr, 0, m, frames[f].left);
        key(cr, m, w, frames[f].right);
        double ldy = frames[f].left == Look::Pressed ? 0.6 : 0.0;
        double rdy = frames[f].right == Look::Pressed ? 0.6 : 0.0;
        triangle(cr, m / 2, 7.0 + ldy, -1.0, iconColour(frames[f].left));
        triangle(cr, m + (w - m) / 2, 7.0 + rdy, 1.0, iconColour(frames[f].right));
        cairo_restore(cr);
    }
}

}  // namespace skingen

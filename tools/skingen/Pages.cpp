#include "tools/skingen/Pages.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/skingen/Layout.h"

namespace skingen {

namespace {

using namespace layout;

Rgb inkOn(bool dark, Ink ink) {
    switch (ink) {
        case Ink::Faint: return dark ? palette::bridgeFaint : palette::faceFaint;
        case Ink::Accent: return palette::ember;
        default: return dark ? palette::bridgePrint : palette::facePrint;
    }
}

void printLabels(cairo_t* cr, Table<Label> labels, bool dark, int edition) {
    for (const Label& l : labels) {
        if (!(l.editions & (1 << (edition - 1)))) continue;
        Font f{l.weight, l.size, l.weight == Weight::Bold ? 0.35 : 0.1};
        drawTextMiddle(cr, l.text, l.x, l.y, f, inkOn(dark, l.ink), l.align);
    }
}

// A raised black bezel around a window (the window itself is filled dark).
void bezel(cairo_t* cr, const Rect& w, double border) {
    double x = w.left - border, y = w.top - border;
    double bw = w.width() + 2 * border, bh = w.height() + 2 * border;
    roundedRect(cr, x + 0.8, y + 1.4, bw, bh, 3.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_fill(cr);
    raisedPlate(cr, x, y, bw, bh, 3.5, rgb(26, 26, 28));
    fillRect(cr, w.left, w.top, w.width(), w.height(), rgb(16, 16, 17));
}

// A panel with a light top-left edge and a dark bottom-right edge.
void panel(cairo_t* cr, const Rect& r, Rgb c) {
    fillRect(cr, r.left, r.top, r.width(), r.height(), c);
    cairo_set_line_width(cr, 1.0);
    setColour(cr, lighter(c, 0.18));
    cairo_move_to(cr, r.left, r.top + 0.5);
    cairo_line_to(cr, r.right, r.top + 0.5);
    cairo_move_to(cr, r.left + 0.5, r.top);
    cairo_line_to(cr, r.left + 0.5, r.bottom);
    cairo_stroke(cr);
    setColour(cr, darker(c, 0.35));
    cairo_move_to(cr, r.left, r.bottom - 0.5);
    cairo_line_to(cr, r.right, r.bottom - 0.5);
    cairo_move_to(cr, r.right - 0.5, r.top);
    cairo_line_to(cr, r.right - 0.5, r.bottom);
    cairo_stroke(cr);
}

void wordmark(cairo_t* cr, double x, double cy, double size, int edition, Rgb ink) {
    Font mark{Weight::Bold, size, size * 0.28};
    double w = textWidth(cr, "EMBERLINE", mark);
    Font digit{Weight::Bold, size * 1.1, 0.0};
    double dw = edition == 2 ? textWidth(cr, "2", digit) + size * 0.35 : 0.0;
    double left = x - (w + dw) / 2;
    drawTextMiddle(cr, "EMBERLINE", left, cy, mark, ink, Align::Left);
    if (edition == 2) drawTextMiddle(cr, "2", left + w + size * 0.35, cy, digit, palette::ember, Align::Left);
}

// The nameplate: clicking it opens the setup page.
void nameplate(cairo_t* cr, int edition) {
    const Rect& r = kPageSwitch;
    roundedRect(cr, r.left + 0.8, r.top + 1.4, r.width(), r.height(), 2.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_fill(cr);
    raisedPlate(cr, r.left, r.top, r.width(), r.height(), 2.5, rgb(34, 34, 36));
    wordmark(cr, r.left + 70, r.cy(), 9.5, edition, palette::bridgePrint);
    Font hint{Weight::Bold, 5.5, 0.4};
    drawTextMiddle(cr, "SETUP", r.right - 13, r.cy(), hint, palette::bridgeFaint, Align::Right);
    cairo_move_to(cr, r.right - 10, r.cy() - 2.6);
    cairo_line_to(cr, r.right - 6, r.cy());
    cairo_line_to(cr, r.right - 10, r.cy() + 2.6);
    cairo_close_path(cr);
    setColour(cr, palette::ember);
    cairo_fill(cr);
}

void screws(cairo_t* cr, const double (*at)[2], int n, Rgb panelColour) {
    for (int i = 0; i < n; ++i) screw(cr, at[i][0], at[i][1], 3.6, 0.6 + 0.7 * i, panelColour);
}

void rail(cairo_t* cr) {
    Rect band{0, 443, 450, 460};
    fillRect(cr, band.left, band.top, band.width(), band.height(), palette::rail);
    // The seam between the pages and the rail.
    fillRect(cr, 0, 443, 450, 1, rgb(10, 10, 11));
    printLabels(cr, railLabels(), true, 2);
    // The name field's own background, as the field paints itself.
    Rect name{kNameField.left, kRailTop, kNameField.right, kRailBottom};
    fillRect(cr, name.left, name.top, name.width(), name.height(), palette::nameBack);
    cairo_set_line_width(cr, 1.0);
    setColour(cr, palette::nameFrame);
    cairo_rectangle(cr, name.left + 0.5, name.top + 0.5, name.width() - 1, name.height() - 1);
    cairo_stroke(cr);
    // The program list shows the window under it: a drop-down mark.
    double mx = (kProgramMenu.left + kProgramMenu.right) / 2, my = (kRailTop + kRailBottom) / 2;
    cairo_move_to(cr, mx - 3.5, my - 2);
    cairo_line_to(cr, mx + 3.5, my - 2);
    cairo_line_to(cr, mx, my + 2.5);
    cairo_close_path(cr);
    setColour(cr, palette::bridgePrint);
    cairo_fill(cr);
}

void faceplate(cairo_t* cr, int edition) {
    Rect face{0, kBridge.bottom, 450, 443};
    panel(cr, face, palette::face);
    // Engraved rules between the sections.
    groove(cr, 116, 150, 116, 300, palette::face);
    groove(cr, 243, 150, 243, 300, palette::face);
    groove(cr, 20, 304, 430, 304, palette::face);
    groove(cr, 20, 384, 430, 384, palette::face);
    // The readout window, sunk into the panel under the Drive knob.
    sunkenRim(cr, kReadout.left - 1, kReadout.top - 1, kReadout.width() + 2, kReadout.height() + 2, 1.5, 2);
    fillRect(cr, kReadout.left - 1, kReadout.top - 1, kReadout.width() + 2, kReadout.height() + 2,
             palette::displayGlass);
    nameplate(cr, edition);
    printLabels(cr, mainFaceLabels(), false, edition);
    const double at[4][2] = {{14, 157}, {436, 157}, {14, 429}, {436, 429}};
    screws(cr, at, 4, palette::face);
    // The bridge casts a shadow on the faceplate below it.
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, face.top, 0, face.top + 4);
    cairo_pattern_add_color_stop_rgba(shade, 0.0, 0, 0, 0, 0.28);
    cairo_pattern_add_color_stop_rgba(shade, 1.0, 0, 0, 0, 0.0);
    cairo_rectangle(cr, 0, face.top, 450, 4);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
}

}  // namespace

void drawBridge(cairo_t* cr) {
    panel(cr, kBridge, palette::bridge);
    bezel(cr, kLeftMeter, 4);
    bezel(cr, kRightMeter, 4);
    const double at[4][2] = {{12, 12}, {438, 12}, {12, 131}, {438, 131}};
    screws(cr, at, 4, palette::bridge);
    printLabels(cr, mainBridgeLabels(), true, 2);
}

void drawMainPage(Canvas& canvas, int edition) {
    cairo_t* cr = canvas.cr();
    drawBridge(cr);
    faceplate(cr, edition);
    rail(cr);
}

void drawSetupPage(Canvas& canvas) {
    cairo_t* cr = canvas.cr();
    panel(cr, {0, 0, 450, 443}, palette::bridge);
    // The plate that leads back to the controls, with room for the version.
    const Rect& p = kSetupReturn;
    roundedRect(cr, p.left + 1, p.top + 2, p.width(), p.height(), 4);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    raisedPlate(cr, p.left, p.top, p.width(), p.height(), 4, palette::face);
    wordmark(cr, p.cx(), p.top + 36, 14, 1, palette::facePrint);
    Font title{Weight::Bold, 9, 1.6};
    drawTextMiddle(cr, "SETUP", p.cx(), p.top + 58, title, palette::emberDeep);
    Font hint{Weight::Bold, 5.5, 0.4};
    drawTextMiddle(cr, "BACK TO THE CONTROLS", p.cx() + 5, p.bottom - 12, hint, palette::faceFaint);
    double hx = p.cx() - textWidth(cr, "BACK TO THE CONTROLS", hint) / 2 - 2;
    cairo_move_to(cr, hx, p.bottom - 14.6);
    cairo_line_to(cr, hx - 4, p.bottom - 12);
    cairo_line_to(cr, hx, p.bottom - 9.4);
    cairo_close_path(cr);
    setColour(cr, palette::ember);
    cairo_fill(cr);
    for (const Group& g : setupGroups()) {
        Font f{Weight::Bold, 7.0, 0.6};
        drawTextMiddle(cr, g.heading, g.left, g.y, f, palette::ember, Align::Left);
        double tw = textWidth(cr, g.heading, f);
        groove(cr, g.left + tw + 4, g.y - 0.5, g.right, g.y - 0.5, palette::bridge);
    }
    printLabels(cr, setupLabels(), true, 2);
    // Value displays: plain dark wells under the grey text. Displays that
    // overlap (the band rows) share one well, so no rim runs through a text.
    std::vector<Rect> wells;
    for (const Rect& d : setupDisplays()) {
        if (!wells.empty() && wells.back().top == d.top && wells.back().bottom == d.bottom &&
            d.left <= wells.back().right)
            wells.back().right = std::max(wells.back().right, d.right);
        else
            wells.push_back(d);
    }
    for (const Rect& w : wells) {
        fillRect(cr, w.left, w.top, w.width(), w.height(), rgb(26, 26, 28));
        sunkenRim(cr, w.left, w.top, w.width(), w.height(), 1.5, 1);
    }
    const double at[4][2] = {{12, 12}, {438, 12}, {12, 431}, {438, 431}};
    screws(cr, at, 4, palette::bridge);
}

}  // namespace skingen

// emberline skin --sheet FILE.png [--scale 2]
// emberline skin --panel FILE.png [--scale 2]
//
// The editor's bitmaps as the plug-in carries them, decoded from the embedded
// PNG bytes: --sheet lays out every bitmap with its identifier (film strips as
// a row of sample frames); --panel puts the controls onto both pages at their
// places, as the editor will show them.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/BitmapResources.h"
#include "resources/PngSurface.h"
#include "tools/emberline/Command.h"

namespace cli {
namespace {

// The decoded bitmap, or null when it is missing or does not decode.
cairo_surface_t* decode(int id, int scale) {
    const resources::BitmapResource* b = resources::findBitmap(id, scale);
    if (!b) return nullptr;
    return resources::decodePng(b->png, b->size);
}

// Frames of each film strip, and the rows per column of a strip laid out in a grid.
struct Strip {
    int id, frames, rows;
};
const Strip kStrips[] = {
    {19003, 101, 101}, {19004, 101, 101}, {19005, 3, 3},     {19006, 2, 2},     {19008, 101, 101},
    {19009, 101, 10},  {19010, 101, 101}, {19012, 101, 101}, {19013, 101, 101}, {19014, 2, 2},
    {19015, 2, 2},     {19016, 4, 4},     {19017, 2, 2},     {19021, 18, 18},   {19024, 101, 101},
    {19026, 6, 6},     {19032, 51, 51},   {19033, 2, 2},     {19034, 2, 2},     {19035, 2, 2},
    {19036, 2, 2},     {19037, 2, 2},     {19114, 2, 2},     {19991, 4, 4},     {19992, 4, 4},
    {19993, 3, 3},     {19994, 3, 3},     {19995, 4, 4},     {19996, 4, 4},     {19997, 5, 5},
    {19998, 3, 3},     {19999, 3, 3},
};

Strip stripOf(int id) {
    for (const Strip& s : kStrips)
        if (s.id == id) return s;
    return {id, 1, 1};
}

// Copies frame k of a strip (at 1x coordinates x, y of the target, scaled by s).
void blitFrame(cairo_t* cr, cairo_surface_t* bitmap, const Strip& strip, int k, double x, double y) {
    int w = cairo_image_surface_get_width(bitmap);
    int h = cairo_image_surface_get_height(bitmap);
    int columns = (strip.frames + strip.rows - 1) / strip.rows;
    int fw = w / columns, fh = h / strip.rows;
    int sx = (k / strip.rows) * fw, sy = (k % strip.rows) * fh;
    cairo_save(cr);
    cairo_set_source_surface(cr, bitmap, x - sx, y - sy);
    cairo_rectangle(cr, x, y, fw, fh);
    cairo_fill(cr);
    cairo_restore(cr);
}

void caption(cairo_t* cr, double x, double y, double size, const std::string& text) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

int writeSurface(cairo_surface_t* s, const std::string& path) {
    cairo_status_t status = cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
    cairo_debug_reset_static_data();
    FcFini();
    if (status != CAIRO_STATUS_SUCCESS) return fail("could not write " + path);
    return 0;
}

// Sample frames of a strip: all of them up to six, else 0, 25, 50, 75 and 100 %.
std::vector<int> sampleFrames(const Strip& strip) {
    std::vector<int> frames;
    if (strip.frames <= 6) {
        for (int k = 0; k < strip.frames; ++k) frames.push_back(k);
    } else if (strip.id == 19021) {
        for (int k = 0; k < 18; ++k) frames.push_back(k);
    } else {
        for (int q = 0; q <= 4; ++q) frames.push_back((strip.frames - 1) * q / 4);
    }
    return frames;
}

int writeSheet(const std::string& path, int scale) {
    int count = 0;
    const resources::BitmapResource* all = resources::allBitmaps(&count);
    const int sheetWidth = 1400 * scale, gap = 10 * scale, text = 11 * scale;
    // Lay out first to know the height, then draw.
    struct Item {
        const resources::BitmapResource* b;
        double x, y;
    };
    std::vector<Item> items;
    double x = gap, y = gap, rowHeight = 0;
    for (int i = 0; i < count; ++i) {
        const resources::BitmapResource& b = all[i];
        if (b.scale != scale) continue;
        Strip strip = stripOf(b.id);
        int columns = (strip.frames + strip.rows - 1) / strip.rows;
        double fw = b.width / columns, fh = b.height / strip.rows;
        double w = strip.frames == 1 ? fw : sampleFrames(strip).size() * (fw + 2 * scale);
        double h = (strip.frames == 1 ? fh : fh) + text + 4 * scale;
        if (x + w > sheetWidth - gap && x > gap) {
            x = gap;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        items.push_back({&b, x, y});
        x += std::max(w, 90.0 * scale) + gap;
        rowHeight = std::max(rowHeight, h);
    }
    int height = (int)(y + rowHeight + gap);
    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, sheetWidth, height);
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.16, 0.16, 0.17);
    cairo_paint(cr);
    int missing = 0;
    for (const Item& item : items) {
        Strip strip = stripOf(item.b->id);
        char label[64];
        std::snprintf(label, sizeof label, "%d  %dx%d  %d", item.b->id, item.b->width, item.b->height, strip.frames);
        caption(cr, item.x, item.y + text - 2 * scale, 9.0 * scale, label);
        cairo_surface_t* bitmap = decode(item.b->id, scale);
        if (!bitmap) {
            ++missing;
            continue;
        }
        double fx = item.x, fy = item.y + text + 2 * scale;
        int columns = (strip.frames + strip.rows - 1) / strip.rows;
        for (int k : sampleFrames(strip)) {
            blitFrame(cr, bitmap, strip, k, fx, fy);
            fx += item.b->width / columns + 2 * scale;
        }
        cairo_surface_destroy(bitmap);
    }
    cairo_destroy(cr);
    if (missing) {
        cairo_surface_destroy(sheet);
        return fail(std::to_string(missing) + " bitmaps did not decode");
    }
    return writeSurface(sheet, path);
}

}  // namespace

int writePanel(const std::string& path, int scale);

namespace {

int runSkin(const Args& args) {
    std::string sheet, panel;
    int scale = 1;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--sheet" && i + 1 < args.size()) {
            sheet = args[++i];
        } else if (args[i] == "--panel" && i + 1 < args.size()) {
            panel = args[++i];
        } else if (args[i] == "--scale" && i + 1 < args.size() && (args[i + 1] == "1" || args[i + 1] == "2")) {
            scale = args[++i][0] - '0';
        } else {
            return fail("skin: usage: emberline skin --sheet FILE.png | --panel FILE.png [--scale 1|2]");
        }
    }
    if (sheet.empty() == panel.empty())
        return fail("skin: usage: emberline skin --sheet FILE.png | --panel FILE.png [--scale 1|2]");
    return sheet.empty() ? writePanel(panel, scale) : writeSheet(sheet, scale);
}

CommandRegistration reg("skin", "contact sheet or panel view of the editor bitmaps", runSkin);

}  // namespace

// Used by the panel view (skinpanel.cpp).
cairo_surface_t* decodeBitmap(int id, int scale) { return decode(id, scale); }
void drawFrame(cairo_t* cr, cairo_surface_t* bitmap, int id, int k, double x, double y) {
    blitFrame(cr, bitmap, stripOf(id), k, x, y);
}
int writePng(cairo_surface_t* s, const std::string& path) { return writeSurface(s, path); }

}  // namespace cli

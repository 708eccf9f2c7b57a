// emberline skin --panel: both pages with their controls at their places (the
// editor's layout) and sample values, to judge the skin as a whole.
#include <cairo.h>

#include <string>

#include "tools/emberline/Command.h"

namespace cli {

cairo_surface_t* decodeBitmap(int id, int scale);
void drawFrame(cairo_t* cr, cairo_surface_t* bitmap, int id, int k, double x, double y);
int writePng(cairo_surface_t* s, const std::string& path);

namespace {

struct Placement {
    int id;
    int frame;
    double x, y;  // top-left in window pixels
};

// The main page: every control with a sample frame, in the editor's creation order.
const Placement kMain[] = {
    {19014, 1, 42, 398},   {19035, 0, 107, 356},  {19036, 1, 107, 317},  {19037, 1, 219, 337},
    {19034, 0, 248, 398},  {19015, 1, 290, 398},  {19016, 3, 326, 388},  {19017, 1, 371, 398},
    {19006, 0, 206, 88},   {19005, 1, 206, 28},   {19008, 0, 46, 167},   {19008, 100, 46, 245},
    {19009, 62, 122, 162}, {19010, 100, 345, 242}, {19013, 58, 345, 167}, {19012, 50, 254, 242},
    {19013, 45, 254, 167}, {19013, 50, 345, 324}, {19008, 100, 253, 323}, {19013, 40, 150, 324},
    {19024, 50, 46, 320},  {19003, 58, 54, 40},   {19003, 64, 261, 40},
    // The readout showing +15.32 dB, then the two over lamps.
    {19021, 12, 152, 281}, {19021, 1, 161, 281},  {19021, 5, 170, 281},  {19021, 10, 179, 281},
    {19021, 3, 188, 281},  {19021, 15, 197, 281}, {19026, 2, 160, 109},  {19026, 5, 367, 109},
};

// The preset rail, under both pages.
const Placement kRail[] = {
    {19994, 0, 20, 444},  {19993, 1, 70, 444},  {19999, 0, 91, 444},  {19998, 0, 150, 444}, {19997, 2, 313, 444},
    {19995, 0, 352, 444}, {19991, 2, 374, 444}, {19996, 0, 395, 444}, {19992, 3, 417, 444},
};

const Placement kSetup[] = {
    {19032, 25, 65, 190},  {19032, 30, 112, 190}, {19032, 20, 158, 190}, {19032, 25, 263, 190},
    {19032, 10, 310, 190}, {19032, 40, 356, 190}, {19032, 25, 65, 260},  {19032, 20, 65, 309},
    {19032, 25, 264, 260}, {19032, 25, 264, 309}, {19032, 28, 65, 381},  {19032, 50, 264, 381},
    {19033, 1, 375, 389},
};

struct Text {
    const char* text;
    double left, top, right, bottom;
    double r, g, b;
};

const Text kMainTexts[] = {
    {"14.49ms", 120, 428, 165, 438, 40 / 255.0, 40 / 255.0, 40 / 255.0},
    {"639smps", 167, 428, 212, 438, 40 / 255.0, 40 / 255.0, 40 / 255.0},
    {"Default", 176, 444, 290, 458, 76 / 255.0, 76 / 255.0, 72 / 255.0},
};
const double kGrey = 170 / 255.0;
const Text kSetupTexts[] = {
    {"0.0dB", 55, 221, 105, 235, kGrey, kGrey, kGrey},      {"1.2dB", 102, 221, 152, 235, kGrey, kGrey, kGrey},
    {"-2.0dB", 148, 221, 198, 235, kGrey, kGrey, kGrey},    {"x1.00", 253, 221, 303, 235, kGrey, kGrey, kGrey},
    {"x0.19", 300, 221, 350, 235, kGrey, kGrey, kGrey},     {"x4.00", 346, 221, 396, 235, kGrey, kGrey, kGrey},
    {"300ms", 60, 291, 100, 305, kGrey, kGrey, kGrey},      {"-14.4dBFS", 55, 340, 105, 354, kGrey, kGrey, kGrey},
    {"9.05ms", 254, 291, 304, 305, kGrey, kGrey, kGrey},    {"1000ms", 254, 340, 304, 354, kGrey, kGrey, kGrey},
    {"6", 65, 412, 95, 426, kGrey, kGrey, kGrey},           {"100%", 264, 412, 294, 426, kGrey, kGrey, kGrey},
    {"v2.3.1", 300, 45, 329, 55, 0, 0, 0},
    {"Default", 176, 444, 290, 458, 76 / 255.0, 76 / 255.0, 72 / 255.0},
};

template <size_t N>
int place(cairo_t* cr, const Placement (&items)[N], double ox, int scale) {
    int missing = 0;
    for (const Placement& p : items) {
        cairo_surface_t* b = decodeBitmap(p.id, scale);
        if (!b) {
            ++missing;
            continue;
        }
        drawFrame(cr, b, p.id, p.frame, (ox + p.x) * scale, p.y * scale);
        cairo_surface_destroy(b);
    }
    return missing;
}

template <size_t N>
void texts(cairo_t* cr, const Text (&items)[N], double ox, int scale) {
    cairo_save(cr);
    cairo_scale(cr, scale, scale);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 9.0);
    for (const Text& t : items) {
        cairo_text_extents_t ext;
        cairo_text_extents(cr, t.text, &ext);
        double x = ox + (t.left + t.right) / 2 - ext.x_advance / 2;
        double y = (t.top + t.bottom) / 2 + 3.2;
        if (t.r == 0) x = ox + t.left;  // the version label is left-aligned
        cairo_set_source_rgb(cr, t.r, t.g, t.b);
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, t.text);
    }
    cairo_restore(cr);
}

int page(cairo_t* cr, int background, double ox, int scale) {
    cairo_surface_t* b = decodeBitmap(background, scale);
    if (!b) return 1;
    cairo_set_source_surface(cr, b, ox * scale, 0);
    cairo_paint(cr);
    cairo_surface_destroy(b);
    return 0;
}

}  // namespace

int writePanel(const std::string& path, int scale) {
    const double pageWidth = 450, gap = 16;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, (int)((3 * pageWidth + 2 * gap) * scale),
                                                    460 * scale);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_paint(cr);
    int missing = 0;
    // Second edition, main page.
    missing += page(cr, 19000, 0, scale) + place(cr, kMain, 0, scale) + place(cr, kRail, 0, scale);
    texts(cr, kMainTexts, 0, scale);
    // Setup page over the frame's background (which shows the rail).
    double ox = pageWidth + gap;
    missing += page(cr, 19000, ox, scale) + page(cr, 19002, ox, scale);
    missing += place(cr, kSetup, ox, scale) + place(cr, kRail, ox, scale);
    texts(cr, kSetupTexts, ox, scale);
    // First edition, main page: its own background and Process button, no FAT.
    ox = 2 * (pageWidth + gap);
    missing += page(cr, 19100, ox, scale);
    for (const Placement& p : kMain) {
        if (p.id == 19034) continue;
        Placement q = p;
        if (q.id == 19014) q.id = 19114;
        const Placement one[1] = {q};
        missing += place(cr, one, ox, scale);
    }
    missing += place(cr, kRail, ox, scale);
    texts(cr, kMainTexts, ox, scale);
    cairo_destroy(cr);
    if (missing) {
        cairo_surface_destroy(s);
        return fail(std::to_string(missing) + " bitmaps did not decode");
    }
    return writePng(s, path);
}

}  // namespace cli

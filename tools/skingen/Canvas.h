// Drawing primitives of the skin generator: colours, the panel font, text,
// bevels, shadows and lamps. Everything is drawn in 1x units; a canvas at
// scale 2 carries the doubling in its transformation, so one drawing function
// serves both scales.
//
// Light falls from the upper left everywhere: highlights on upper and left
// edges, shadows below and to the right.
#pragma once

#include <cairo.h>

#include <string>

namespace skingen {

struct Rgb {
    double r, g, b;
};

// 0..255 components, as designers write them.
constexpr Rgb rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }
Rgb mix(Rgb a, Rgb b, double t);
Rgb lighter(Rgb c, double amount);  // towards white
Rgb darker(Rgb c, double amount);   // towards black

namespace palette {
// Control section: a light, slightly warm grey faceplate with dark print.
constexpr Rgb face = rgb(204, 200, 190);
constexpr Rgb facePrint = rgb(44, 42, 40);
constexpr Rgb faceFaint = rgb(120, 116, 108);
// Meter bridge, setup page and preset rail: anthracite with light print.
constexpr Rgb bridge = rgb(46, 47, 50);
constexpr Rgb bridgePrint = rgb(214, 208, 194);
constexpr Rgb bridgeFaint = rgb(140, 138, 132);
constexpr Rgb rail = rgb(33, 34, 36);
// The product's accent: a glowing ember.
constexpr Rgb ember = rgb(214, 92, 38);
constexpr Rgb emberDeep = rgb(150, 52, 24);
// Lamps and displays.
constexpr Rgb ledAmber = rgb(255, 170, 60);
constexpr Rgb ledRed = rgb(255, 52, 36);
constexpr Rgb ledGreen = rgb(120, 230, 90);
constexpr Rgb meterFace = rgb(240, 226, 190);
constexpr Rgb displayGlass = rgb(22, 16, 12);
// The preset name field (as the strip paints it).
constexpr Rgb nameBack = rgb(207, 222, 235);
constexpr Rgb nameFrame = rgb(76, 76, 72);
}  // namespace palette

enum class Align { Left, Centre, Right };
enum class Weight { Regular, Bold };

struct Font {
    Weight weight = Weight::Regular;
    double size = 7.0;     // pixels at 1x
    double spacing = 0.0;  // extra advance between letters, pixels at 1x
};

// Loads the two faces from the Liberation 2 files; false when a file is missing.
bool loadFonts();
void releaseFonts();

// A drawing target of width x height at 1x, with `scale` pixels per unit.
class Canvas {
public:
    Canvas(int width, int height, int scale);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return cr_; }
    cairo_surface_t* surface() const { return surface_; }
    int scale() const { return scale_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
    int width_, height_, scale_;
};

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0);
void fillRect(cairo_t* cr, double x, double y, double w, double h, Rgb c);
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

// Text with its baseline at y; x is the left edge, centre or right edge.
void drawText(cairo_t* cr, const std::string& text, double x, double y, const Font& font, Rgb c,
              Align align = Align::Centre);
double textWidth(cairo_t* cr, const std::string& text, const Font& font);
// Text centred vertically (by its capital height) on cy.
void drawTextMiddle(cairo_t* cr, const std::string& text, double x, double cy, const Font& font,
                    Rgb c, Align align = Align::Centre);

// A raised plate: fill, light upper-left edge, dark lower-right edge.
void raisedPlate(cairo_t* cr, double x, double y, double w, double h, double r, Rgb c);
// A window sunk into the panel: its rim is dark above and left, light below and right.
void sunkenRim(cairo_t* cr, double x, double y, double w, double h, double r, double depth);
// An engraved line (a groove with a highlight below it), horizontal or vertical.
void groove(cairo_t* cr, double x0, double y0, double x1, double y1, Rgb panel);
// A soft shadow of a circle, cast down and to the right.
void circleShadow(cairo_t* cr, double cx, double cy, double r, double offset, double alpha);
// A disc of radius discR filled with a gradient from upper-left to lower-right
// colour, laid over the square of half-size gradientR around the centre.
void diagonalDisc(cairo_t* cr, double cx, double cy, double gradientR, double discR, Rgb upperLeft,
                  Rgb lowerRight);
// A slotted panel screw.
void screw(cairo_t* cr, double cx, double cy, double r, double slotAngle, Rgb panel);
// A round lamp lens at a brightness of 0 (dark) to 1 (fully lit).
void lamp(cairo_t* cr, double cx, double cy, double r, Rgb colour, double level);

}  // namespace skingen

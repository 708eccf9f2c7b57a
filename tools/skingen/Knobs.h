// Knob film strips: a fixed knob body and printed scale with a pointer that
// turns 270 degrees clockwise from lower left (value 0) to lower right (1).
#pragma once

#include "tools/skingen/Canvas.h"

namespace skingen {

enum class KnobScale {
    Unipolar,  // eleven ticks, "0" and "10" at the ends
    Bipolar,   // eleven ticks, a centre mark, "-" and "+" at the ends
    Quarters,  // five labelled marks at the quarters, ticks between
    Plain,     // eleven ticks only
};

struct KnobStrip {
    int width, height;   // one frame
    int frames;
    int rowsPerColumn;   // frames per column; frames continue in the next column
    double cx, cy;       // knob centre within the frame
    double radius;       // skirt radius
    KnobScale scale;
    const char* labels[5];  // Quarters: the texts at values 0, 0.25, 0.5, 0.75, 1
    bool darkPanel;      // on the setup page (light print) or the control section
    bool accentCap;      // the ember cap of the main control
};

// Pointer angle in radians, clockwise from straight up, for a value 0..1.
double knobAngle(double value);

// Draws every frame of the strip into the canvas (sized to the whole strip).
void drawKnobStrip(Canvas& canvas, const KnobStrip& strip);

}  // namespace skingen

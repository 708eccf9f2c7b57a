// Buttons, switches, lamps and the readout glyphs. Each function fills a
// canvas the size of the whole bitmap with all its frames, top to bottom.
#pragma once

#include "tools/skingen/Canvas.h"

namespace skingen {

// A push button with a lamp in its cap: off in the upper half, on (pressed
// in, lamp lit) in the lower half.
struct PushButton {
    int width, height;  // one half
    double cap;         // cap edge length
    Rgb lampColour;
    bool darkPanel;
};
void drawPushButton(Canvas& canvas, const PushButton& button);

// The three-position meter source slide (frames: pre, gain reduction, post).
void drawMeterSourceSwitch(Canvas& canvas);
// The meter ballistics button: "VU" lamp lit when off, "PPM" lamp lit when on.
void drawMeterTypeButton(Canvas& canvas);
// The four-way channel button, frames mono, left, right, stereo.
void drawChannelButton(Canvas& canvas);
// The over lamp from dark to fully lit in six 21 x 21 frames, drawn over
// whatever the canvas already holds (the panel under the lamp).
void drawOverLamp(Canvas& canvas);
// The knob-mode toggle: lever up (circular), lever down (linear).
void drawKnobModeToggle(Canvas& canvas);
// The readout's eighteen glyphs: digits, point, k, plus, minus, percent, dB, Hz, blank.
void drawReadoutGlyphs(Canvas& canvas);

// Preset rail buttons.
enum class RailIcon { SaveBank, LoadBank, SavePreset, LoadPreset, StoreA, RecallA, StoreB, RecallB };
// Frames: normal, highlighted, pressed, and disabled when `frames` is 4.
void drawRailButton(Canvas& canvas, RailIcon icon, int frames);
// The previous/next rocker: normal, left lit, right lit, left pressed, right pressed.
void drawRailRocker(Canvas& canvas);

}  // namespace skingen

// The needle meters' film strips: a backlit face with a dB scale printed where
// the meter's level law puts each level, and a needle in every frame.
#pragma once

#include "tools/skingen/Canvas.h"

namespace skingen {

// The frame the meter shows for a level (1.0 = full scale) under its law:
// e = 0.617 p + 0.018 with p = v^1.2 (law 0) or v^0.6 (law 1), frame = int(100 e + 0.5).
int meterFrame(double level, int law);

// The 101-frame strip with the scale of law 0 (-20..+3 dB) or law 1 (-40..+6 dB).
void drawMeterStrip(Canvas& canvas, int law);

}  // namespace skingen

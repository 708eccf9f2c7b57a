// The two page backgrounds: the main page with the preset rail below it, and
// the setup page. Everything printed around the controls comes from the
// tables in Layout.cpp.
#pragma once

#include "tools/skingen/Canvas.h"

namespace skingen {

// 450 x 460: the main page (edition 1 or 2) and the preset rail.
void drawMainPage(Canvas& canvas, int edition);
// 450 x 443: the setup page.
void drawSetupPage(Canvas& canvas);

// The main page's meter bridge alone, so that a lamp mounted on it can carry
// the piece of bridge under its own rectangle.
void drawBridge(cairo_t* cr);

}  // namespace skingen

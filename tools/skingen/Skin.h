// Every bitmap the editor loads: identifier, size at 1x, frame count and how
// it is drawn.
#pragma once

#include <string>
#include <vector>

#include "tools/skingen/Canvas.h"

namespace skingen {

struct BitmapSpec {
    int id;
    const char* name;
    int width, height;  // the whole bitmap at 1x
    int frames;         // film-strip frames (1 for a page)
    void (*draw)(Canvas& canvas);
};

const std::vector<BitmapSpec>& catalogue();

// Draws one bitmap at scale 1 or 2 and encodes it as PNG.
std::string renderPng(const BitmapSpec& spec, int scale);

}  // namespace skingen

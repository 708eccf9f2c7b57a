// The editor's bitmaps by resource identifier, each at scale 1 and 2, as PNG
// bytes built into the library.
#pragma once

namespace resources {

struct BitmapResource {
    int id;             // resource identifier, e.g. 19000
    int scale;          // 1 or 2
    int width, height;  // pixels at this scale (2x: twice the 1x size)
    const unsigned char* png;  // PNG bytes (ARGB with alpha where the bitmap needs transparency)
    unsigned size;
};

// nullptr when the identifier does not exist at that scale.
const BitmapResource* findBitmap(int id, int scale);

// Every bitmap, for contact sheets and tests.
const BitmapResource* allBitmaps(int* count);

}  // namespace resources

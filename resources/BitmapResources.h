// The editor bitmaps built into the library, by numeric identifier and scale
// (1 or 2), as PNG data.
#pragma once

namespace resources {

struct BitmapResource {
    int id;
    int scale;
    int width, height;
    const unsigned char* png;
    unsigned size;
};

const BitmapResource* findBitmap(int id, int scale);  // nullptr when absent
const BitmapResource* allBitmaps(int* count);

}  // namespace resources

// The bitmap table while the library carries no bitmaps yet: every lookup
// finds nothing, so every bitmap is empty.
#include "resources/BitmapResources.h"

namespace resources {

const BitmapResource* findBitmap(int, int) { return nullptr; }

const BitmapResource* allBitmaps(int* count) {
    if (count) *count = 0;
    return nullptr;
}

}  // namespace resources

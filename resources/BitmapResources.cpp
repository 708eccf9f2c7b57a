#include "resources/BitmapResources.h"

namespace resources {

// Written by the skin generator, ordered by identifier, scale 1 before 2.
extern const BitmapResource kBitmapTable[];
extern const int kBitmapTableSize;

const BitmapResource* findBitmap(int id, int scale) {
    int lo = 0, hi = kBitmapTableSize;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        const BitmapResource& r = kBitmapTable[mid];
        if (r.id < id || (r.id == id && r.scale < scale)) lo = mid + 1;
        else hi = mid;
    }
    if (lo < kBitmapTableSize && kBitmapTable[lo].id == id && kBitmapTable[lo].scale == scale)
        return &kBitmapTable[lo];
    return nullptr;
}

const BitmapResource* allBitmaps(int* count) {
    if (count) *count = kBitmapTableSize;
    return kBitmapTable;
}

}  // namespace resources

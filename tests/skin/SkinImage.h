// Decoded skin bitmaps for the tests: pixels of the embedded PNGs, frames of
// film strips and simple measurements on them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB per pixel, rows top to bottom

    bool empty() const { return pixels.empty(); }
    uint32_t at(int x, int y) const { return pixels[(size_t)y * width + x]; }
    // Luminance 0..255 of a pixel.
    double luma(int x, int y) const;
    // Linear interpolation of the luminance between pixel centres (x, y in pixel units).
    double lumaAt(double x, double y) const;
    // A rectangle of this image.
    Image crop(int x, int y, int w, int h) const;
    bool operator==(const Image& o) const {
        return width == o.width && height == o.height && pixels == o.pixels;
    }
};

// Decodes PNG bytes; an empty image when they do not decode.
Image decodePng(const unsigned char* data, unsigned size);
// The embedded bitmap, decoded; empty when it is missing.
Image bitmap(int id, int scale);
// Frame k of a strip of `frames` frames laid out `rows` to a column.
Image frame(const Image& strip, int frames, int rows, int k);
// Mean of |a - b| over all channels of all pixels (the images have equal size).
double meanDifference(const Image& a, const Image& b);
// The image at half the size, each pixel the mean of a 2 x 2 block.
Image halve(const Image& image);

// Runs check(c, scale) for every case (anything with an id) at 1x and at 2x,
// traced as "WHAT ID at SCALEx".
template <class Case, size_t N, class Check>
void forEachAtBothScales(const char* what, const Case (&cases)[N], Check check) {
    for (const Case& c : cases)
        for (int scale = 1; scale <= 2; ++scale) {
            SCOPED_TRACE(std::string(what) + " " + std::to_string(c.id) + " at " + std::to_string(scale) + "x");
            check(c, scale);
        }
}

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace skintest

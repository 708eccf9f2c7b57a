// Buttons, switches, lamps and glyphs: each state has its own picture, lamps
// grow brighter frame by frame, and the readout glyphs are distinct.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/skin/SkinImage.h"

using namespace skintest;

namespace {

double meanLuma(const Image& image) {
    double sum = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) sum += image.luma(x, y);
    return sum / (image.width * image.height);
}

// Every pair of frames of a strip differs clearly (not just by a pixel).
void expectAllFramesDistinct(int id, int frames, double minDifference) {
    for (int scale = 1; scale <= 2; ++scale) {
        SCOPED_TRACE("bitmap " + std::to_string(id) + " at " + std::to_string(scale) + "x");
        Image strip = bitmap(id, scale);
        ASSERT_FALSE(strip.empty());
        for (int a = 0; a < frames; ++a)
            for (int b = a + 1; b < frames; ++b)
                EXPECT_GT(meanDifference(frame(strip, frames, frames, a), frame(strip, frames, frames, b)),
                          minDifference)
                    << "frames " << a << " and " << b;
    }
}

TEST(SkinControls, OnOffButtonHalvesDiffer) {
    for (int id : {19014, 19114, 19015, 19017, 19034, 19035, 19036, 19037, 19006, 19033})
        expectAllFramesDistinct(id, 2, 1.0);
}

TEST(SkinControls, MultiPositionControlsShowEachPosition) {
    expectAllFramesDistinct(19005, 3, 1.0);   // meter source: pre, gain reduction, post
    expectAllFramesDistinct(19016, 4, 1.0);   // channels: mono, left, right, stereo
    expectAllFramesDistinct(19997, 5, 0.5);   // previous/next rocker
    for (int id : {19993, 19994, 19998, 19999}) expectAllFramesDistinct(id, 3, 0.5);
    for (int id : {19991, 19992, 19995, 19996}) expectAllFramesDistinct(id, 4, 0.5);
}

// A lit push button is brighter at its lamp than the same button off.
TEST(SkinControls, OnHalfLightsTheLamp) {
    for (int id : {19014, 19114, 19015, 19017, 19034, 19035, 19036, 19037}) {
        for (int scale = 1; scale <= 2; ++scale) {
            Image strip = bitmap(id, scale);
            ASSERT_FALSE(strip.empty());
            Image off = frame(strip, 2, 2, 0), on = frame(strip, 2, 2, 1);
            int cx = off.width / 2, cy = off.height / 2;
            int r = 2 * scale;
            EXPECT_GT(meanLuma(on.crop(cx - r, cy - r, 2 * r, 2 * r)),
                      meanLuma(off.crop(cx - r, cy - r, 2 * r, 2 * r)) + 60)
                << id << " at " << scale << "x";
        }
    }
}

// The over lamp runs from dark to fully lit: each frame brighter than the last.
TEST(SkinControls, OverLampBrightensFrameByFrame) {
    for (int scale = 1; scale <= 2; ++scale) {
        Image strip = bitmap(19026, scale);
        ASSERT_FALSE(strip.empty());
        double previous = -1;
        for (int k = 0; k < 6; ++k) {
            Image f = frame(strip, 6, 6, k);
            int c = f.width / 2, r = 3 * scale;
            double light = meanLuma(f.crop(c - r, c - r, 2 * r, 2 * r));
            EXPECT_GT(light, previous + 8) << "frame " << k << " at " << scale << "x";
            previous = light;
        }
    }
}

// The readout glyphs: the blank glyph is plain, every other glyph carries
// something, and no two glyphs are alike.
TEST(SkinControls, ReadoutGlyphsAreDistinctAndTheLastIsBlank) {
    for (int scale = 1; scale <= 2; ++scale) {
        Image strip = bitmap(19021, scale);
        ASSERT_FALSE(strip.empty());
        std::vector<Image> glyphs;
        for (int k = 0; k < 18; ++k) glyphs.push_back(frame(strip, 18, 18, k));
        const Image& blank = glyphs[17];
        for (uint32_t p : blank.pixels) EXPECT_EQ(p, blank.pixels[0]);
        for (int k = 0; k < 17; ++k) {
            EXPECT_GT(meanDifference(glyphs[k], blank), 1.0) << "glyph " << k << " looks blank";
            for (int j = k + 1; j < 17; ++j)
                EXPECT_GT(meanDifference(glyphs[k], glyphs[j]), 1.0) << "glyphs " << k << " and " << j;
        }
        // The digit eight lights more than the digit one.
        EXPECT_GT(meanLuma(glyphs[8]), meanLuma(glyphs[1]) + 5);
    }
}

// Neighbouring readout cells join without a seam: the glyphs' left and right
// edge columns are the plain ground of the blank glyph.
TEST(SkinControls, ReadoutGlyphEdgesAreGround) {
    for (int scale = 1; scale <= 2; ++scale) {
        Image strip = bitmap(19021, scale);
        ASSERT_FALSE(strip.empty());
        uint32_t ground = frame(strip, 18, 18, 17).pixels[0];
        for (int k = 0; k < 18; ++k) {
            Image g = frame(strip, 18, 18, k);
            for (int y = 0; y < g.height; ++y) {
                EXPECT_EQ(g.at(0, y), ground) << "glyph " << k << " row " << y;
                EXPECT_EQ(g.at(g.width - 1, y), ground) << "glyph " << k << " row " << y;
            }
        }
    }
}

// The over lamps sit on the meter bridge: around the lamp each frame shows the
// page under the lamp's rectangle, so the lamp joins the page without an edge.
TEST(SkinControls, OverLampCarriesThePageUnderIt) {
    for (int scale = 1; scale <= 2; ++scale) {
        Image page = bitmap(19000, scale), strip = bitmap(19026, scale);
        ASSERT_FALSE(page.empty());
        ASSERT_FALSE(strip.empty());
        for (int at : {160, 367}) {
            Image under = page.crop(at * scale, 109 * scale, 21 * scale, 21 * scale);
            Image dark = frame(strip, 6, 6, 0);
            // The corners are outside the lamp.
            int n = 3 * scale;
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x) {
                    EXPECT_EQ(dark.at(x, dark.height - 1 - y), under.at(x, under.height - 1 - y)) << at;
                    EXPECT_EQ(dark.at(dark.width - 1 - x, dark.height - 1 - y),
                              under.at(under.width - 1 - x, under.height - 1 - y))
                        << at;
                }
        }
    }
}

}  // namespace

// Every bitmap the editor loads is present at both scales with the size and
// frame layout the editor expects, draws the same picture at 2x as at 1x, and
// leaves plain ground where the editor writes text over the page.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "resources/BitmapResources.h"
#include "tests/skin/SkinImage.h"

using namespace skintest;

namespace {

struct Expected {
    int id, width, height, frames, rows;
};

// The editor's bitmaps at 1x: whole size, frame count, frames per column.
const Expected kExpected[] = {
    {19000, 450, 460, 1, 1},    {19002, 450, 443, 1, 1},     {19003, 136, 7070, 101, 101},
    {19004, 136, 7070, 101, 101}, {19005, 40, 150, 3, 3},    {19006, 40, 100, 2, 2},
    {19008, 60, 5050, 101, 101}, {19009, 1243, 930, 101, 10}, {19010, 60, 5656, 101, 101},
    {19012, 60, 5656, 101, 101}, {19013, 60, 5050, 101, 101}, {19014, 36, 80, 2, 2},
    {19015, 36, 80, 2, 2},      {19016, 51, 192, 4, 4},      {19017, 38, 80, 2, 2},
    {19021, 9, 306, 18, 18},    {19024, 60, 5656, 101, 101}, {19026, 21, 126, 6, 6},
    {19032, 30, 1530, 51, 51},  {19033, 15, 58, 2, 2},       {19034, 38, 80, 2, 2},
    {19035, 25, 50, 2, 2},      {19036, 25, 50, 2, 2},       {19037, 25, 50, 2, 2},
    {19100, 450, 460, 1, 1},    {19114, 36, 80, 2, 2},
    // The preset rail: 14-pixel frames as wide as the controls' x ranges.
    {19991, 12, 56, 4, 4},      {19992, 12, 56, 4, 4},       {19993, 12, 42, 3, 3},
    {19994, 12, 42, 3, 3},      {19995, 12, 56, 4, 4},       {19996, 12, 56, 4, 4},
    {19997, 31, 70, 5, 5},      {19998, 12, 42, 3, 3},       {19999, 12, 42, 3, 3},
};

TEST(SkinBitmaps, EveryIdentifierAtBothScalesWithItsSize) {
    for (const Expected& e : kExpected) {
        for (int scale = 1; scale <= 2; ++scale) {
            SCOPED_TRACE("bitmap " + std::to_string(e.id) + " at " + std::to_string(scale) + "x");
            const resources::BitmapResource* b = resources::findBitmap(e.id, scale);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->id, e.id);
            EXPECT_EQ(b->scale, scale);
            EXPECT_EQ(b->width, e.width * scale);
            EXPECT_EQ(b->height, e.height * scale);
            Image image = decodePng(b->png, b->size);
            ASSERT_FALSE(image.empty()) << "the PNG bytes do not decode";
            EXPECT_EQ(image.width, b->width);
            EXPECT_EQ(image.height, b->height);
        }
    }
}

TEST(SkinBitmaps, TableHoldsTheseBitmapsOnlyAndLookupsMissCleanly) {
    int count = -1;
    const resources::BitmapResource* all = resources::allBitmaps(&count);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(count, 2 * (int)std::size(kExpected));
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(seen.insert({all[i].id, all[i].scale}).second) << all[i].id << " listed twice";
        EXPECT_EQ(resources::findBitmap(all[i].id, all[i].scale), &all[i]);
    }
    EXPECT_EQ(resources::findBitmap(19001, 1), nullptr);
    EXPECT_EQ(resources::findBitmap(19000, 3), nullptr);
    EXPECT_EQ(resources::findBitmap(19000, 0), nullptr);
    EXPECT_EQ(resources::findBitmap(0, 1), nullptr);
    EXPECT_EQ(resources::findBitmap(20000, 2), nullptr);
    EXPECT_EQ(resources::allBitmaps(nullptr), all);
}

// Neighbouring frames of every strip differ, so no frame is a duplicate left
// behind by a wrong frame height or count.
TEST(SkinBitmaps, NeighbouringFramesDiffer) {
    for (const Expected& e : kExpected) {
        if (e.frames == 1) continue;
        for (int scale = 1; scale <= 2; ++scale) {
            SCOPED_TRACE("bitmap " + std::to_string(e.id) + " at " + std::to_string(scale) + "x");
            Image strip = bitmap(e.id, scale);
            ASSERT_FALSE(strip.empty());
            for (int k = 0; k + 1 < e.frames; ++k) {
                EXPECT_FALSE(frame(strip, e.frames, e.rows, k) == frame(strip, e.frames, e.rows, k + 1))
                    << "frames " << k << " and " << k + 1 << " are equal";
            }
        }
    }
}

// The 2x bitmap, halved, is the 1x bitmap up to antialiasing: same layout.
TEST(SkinBitmaps, DoubleScaleDrawsTheSameLayout) {
    for (const Expected& e : kExpected) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        Image one = bitmap(e.id, 1), two = bitmap(e.id, 2);
        ASSERT_FALSE(one.empty());
        ASSERT_FALSE(two.empty());
        Image halved = halve(two);
        ASSERT_EQ(halved.width, one.width);
        ASSERT_EQ(halved.height, one.height);
        EXPECT_LT(meanDifference(halved, one), 6.0);
        // Shifting the 1x picture by one pixel is a much larger difference,
        // so the comparison above does see misplaced drawing.
        if (e.frames == 1) {
            Image shifted = one.crop(1, 0, one.width - 1, one.height);
            Image base = halved.crop(0, 0, one.width - 1, one.height);
            EXPECT_GT(meanDifference(shifted, base), meanDifference(halved, one));
        }
    }
}

struct TextArea {
    int id;
    int left, top, right, bottom;
    int textR, textG, textB;
};

double relativeLuminance(double r, double g, double b) {
    auto lin = [](double c) {
        c /= 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b);
}

// Where the editor draws text over the page (value displays, latency
// readouts, the version label), the page is plain and the text stands out.
TEST(SkinBitmaps, TextAreasArePlainAndLegible) {
    const TextArea areas[] = {
        {19000, 120, 428, 165, 438, 40, 40, 40},    {19000, 167, 428, 212, 438, 40, 40, 40},
        {19100, 120, 428, 165, 438, 40, 40, 40},    {19100, 167, 428, 212, 438, 40, 40, 40},
        {19002, 55, 221, 105, 235, 170, 170, 170},  {19002, 102, 221, 152, 235, 170, 170, 170},
        {19002, 148, 221, 198, 235, 170, 170, 170}, {19002, 253, 221, 303, 235, 170, 170, 170},
        {19002, 300, 221, 350, 235, 170, 170, 170}, {19002, 346, 221, 396, 235, 170, 170, 170},
        {19002, 60, 291, 100, 305, 170, 170, 170},  {19002, 55, 340, 105, 354, 170, 170, 170},
        {19002, 254, 291, 304, 305, 170, 170, 170}, {19002, 254, 340, 304, 354, 170, 170, 170},
        {19002, 65, 412, 95, 426, 170, 170, 170},   {19002, 264, 412, 294, 426, 170, 170, 170},
        {19002, 300, 45, 329, 55, 0, 0, 0},
    };
    for (const TextArea& a : areas) {
        for (int scale = 1; scale <= 2; ++scale) {
            SCOPED_TRACE("bitmap " + std::to_string(a.id) + " area at " + std::to_string(a.left) + "," +
                         std::to_string(a.top) + " at " + std::to_string(scale) + "x");
            Image page = bitmap(a.id, scale);
            ASSERT_FALSE(page.empty());
            // Inside a one-pixel margin (a display's rim may sit on its edge).
            Image area = page.crop((a.left + 1) * scale, (a.top + 1) * scale, (a.right - a.left - 2) * scale,
                                   (a.bottom - a.top - 2) * scale);
            double lo = 255, hi = 0, sum = 0;
            for (int y = 0; y < area.height; ++y)
                for (int x = 0; x < area.width; ++x) {
                    double l = area.luma(x, y);
                    lo = std::min(lo, l);
                    hi = std::max(hi, l);
                    sum += l;
                }
            EXPECT_LE(hi - lo, 8.0) << "the ground under the text is not plain";
            uint32_t p = area.at(area.width / 2, area.height / 2);
            double ground = relativeLuminance((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
            double text = relativeLuminance(a.textR, a.textG, a.textB);
            double contrast = (std::max(ground, text) + 0.05) / (std::min(ground, text) + 0.05);
            EXPECT_GE(contrast, 4.5) << "text colour and ground are too close";
        }
    }
}

// The name field's place on the preset rail is painted as the field paints
// itself: its back colour inside a one-pixel frame in its frame colour.
TEST(SkinBitmaps, NameFieldBackgroundMatchesTheField) {
    for (int id : {19000, 19100}) {
        for (int scale = 1; scale <= 2; ++scale) {
            Image page = bitmap(id, scale);
            ASSERT_FALSE(page.empty());
            EXPECT_EQ(page.at(233 * scale, 451 * scale), 0xCFDEEBu) << id;  // (207, 222, 235)
            EXPECT_EQ(page.at(200 * scale, 444 * scale), 0x4C4C48u) << id;  // (76, 76, 72)
            EXPECT_EQ(page.at(176 * scale, 451 * scale), 0x4C4C48u) << id;
        }
    }
}

}  // namespace

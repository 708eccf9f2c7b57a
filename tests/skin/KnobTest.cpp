// Knob strips: the pointer, measured from the pixels, turns clockwise over
// 270 degrees from lower left (frame 0) to lower right (last frame), evenly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "tests/skin/SkinImage.h"

using namespace skintest;

namespace {

struct KnobStripCase {
    int id, frames, rows;
};

const KnobStripCase kKnobs[] = {
    {19008, 101, 101}, {19009, 101, 10}, {19010, 101, 101}, {19012, 101, 101},
    {19013, 101, 101}, {19024, 101, 101}, {19032, 51, 51},
};

// The still parts of a knob: each pixel's median over all frames (the pointer
// covers any one pixel in a few frames only).
Image stillImage(const std::vector<Image>& frames) {
    Image still = frames[0];
    std::vector<uint32_t> column(frames.size());
    for (size_t i = 0; i < still.pixels.size(); ++i) {
        uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            for (size_t f = 0; f < frames.size(); ++f) column[f] = (frames[f].pixels[i] >> shift) & 0xFF;
            std::nth_element(column.begin(), column.begin() + column.size() / 2, column.end());
            out |= column[column.size() / 2] << shift;
        }
        still.pixels[i] = out;
    }
    return still;
}

// The pointer of one frame as a line: centroid and direction of the pixels
// that differ from the still image.
struct Line {
    double x, y, dx, dy;
    double weight;
    std::vector<std::array<double, 3>> points;  // x, y, weight of the pointer's pixels
};

Line pointerLine(const Image& f, const Image& still) {
    double sw = 0, sx = 0, sy = 0;
    std::vector<std::array<double, 3>> points;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            double d = std::fabs(f.luma(x, y) - still.luma(x, y));
            if (d < 40) continue;
            points.push_back({x + 0.5, y + 0.5, d});
            sw += d;
            sx += d * (x + 0.5);
            sy += d * (y + 0.5);
        }
    if (sw == 0) return {0, 0, 0, 0, 0, {}};
    double mx = sx / sw, my = sy / sw, cxx = 0, cxy = 0, cyy = 0;
    for (auto& p : points) {
        double ex = p[0] - mx, ey = p[1] - my;
        cxx += p[2] * ex * ex;
        cxy += p[2] * ex * ey;
        cyy += p[2] * ey * ey;
    }
    double angle = 0.5 * std::atan2(2 * cxy, cxx - cyy);  // principal axis
    return {mx, my, std::cos(angle), std::sin(angle), sw, points};
}

// The point nearest to all the lines (least squares): the knob's axis.
std::pair<double, double> axisOf(const std::vector<Line>& lines) {
    double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
    for (const Line& l : lines) {
        // Projection onto the line's normal: (I - d d^T).
        double n11 = 1 - l.dx * l.dx, n12 = -l.dx * l.dy, n22 = 1 - l.dy * l.dy;
        a11 += n11;
        a12 += n12;
        a22 += n22;
        b1 += n11 * l.x + n12 * l.y;
        b2 += n12 * l.x + n22 * l.y;
    }
    double det = a11 * a22 - a12 * a12;
    return {(a22 * b1 - a12 * b2) / det, (a11 * b2 - a12 * b1) / det};
}

// Every frame of a knob strip at a scale; empty when the bitmap is missing.
std::vector<Image> knobFrames(const KnobStripCase& k, int scale) {
    Image strip = bitmap(k.id, scale);
    std::vector<Image> frames;
    for (int f = 0; !strip.empty() && f < k.frames; ++f) frames.push_back(frame(strip, k.frames, k.rows, f));
    return frames;
}

// A knob strip at one scale, measured: the pointers of ten evenly spaced
// frames and the two ends, and the axis nearest to all of them.
struct MeasuredKnob {
    std::vector<Image> frames;  // empty when the bitmap is missing
    Image still;
    std::vector<int> samples;  // frame numbers of the lines
    std::vector<Line> lines;
    double ax = 0, ay = 0;
};

MeasuredKnob measureKnob(const KnobStripCase& k, int scale) {
    MeasuredKnob m;
    m.frames = knobFrames(k, scale);
    if (m.frames.empty()) return m;
    m.still = stillImage(m.frames);
    for (int i = 0; i <= 10; ++i) m.samples.push_back((k.frames - 1) * i / 10);
    for (int f : m.samples) m.lines.push_back(pointerLine(m.frames[f], m.still));
    std::tie(m.ax, m.ay) = axisOf(m.lines);
    return m;
}

// Clockwise from straight up, in degrees, -180..180.
double clockwiseFromUp(double dx, double dy) { return std::atan2(dx, -dy) * 180.0 / M_PI; }

TEST(SkinKnobs, PointerTurnsClockwiseFromLowerLeftToLowerRight) {
    forEachAtBothScales("knob", kKnobs, [](const KnobStripCase& k, int scale) {
        MeasuredKnob m = measureKnob(k, scale);
        ASSERT_FALSE(m.frames.empty());
        for (size_t i = 0; i < m.lines.size(); ++i)
            ASSERT_GT(m.lines[i].weight, 0) << "frame " << m.samples[i] << " shows no pointer";
        // The axis lies inside the frame, near its middle.
        EXPECT_NEAR(m.ax, m.frames[0].width / 2.0, m.frames[0].width * 0.1);
        EXPECT_NEAR(m.ay, m.frames[0].height / 2.0, m.frames[0].height * 0.12);
        std::vector<double> angles;
        for (const Line& l : m.lines) angles.push_back(clockwiseFromUp(l.x - m.ax, l.y - m.ay));
        EXPECT_NEAR(angles.front(), -135.0, 4.0) << "minimum not at lower left";
        EXPECT_NEAR(angles[5], 0.0, 4.0) << "middle value not straight up";
        EXPECT_NEAR(angles.back(), 135.0, 4.0) << "maximum not at lower right";
        const int last = k.frames - 1;
        for (size_t i = 1; i < angles.size(); ++i) {
            double step = angles[i] - angles[i - 1];
            EXPECT_NEAR(step, 27.0 * (m.samples[i] - m.samples[i - 1]) / (last / 10.0), 4.0)
                << "between frames " << m.samples[i - 1] << " and " << m.samples[i];
        }
    });
}

TEST(SkinKnobs, FramesZeroMiddleAndLastDiffer) {
    for (const KnobStripCase& k : kKnobs) {
        Image strip = bitmap(k.id, 1);
        ASSERT_FALSE(strip.empty());
        int mid = (k.frames - 1) / 2;
        Image a = frame(strip, k.frames, k.rows, 0), b = frame(strip, k.frames, k.rows, mid),
              c = frame(strip, k.frames, k.rows, k.frames - 1);
        EXPECT_GT(meanDifference(a, b), 1.0) << k.id;
        EXPECT_GT(meanDifference(b, c), 1.0) << k.id;
        EXPECT_GT(meanDifference(a, c), 1.0) << k.id;
    }
}

// The light falls from the upper left: on the knob's flange, the quarter
// towards the upper left is brighter than the quarter towards the lower right.
TEST(SkinKnobs, LitFromTheUpperLeft) {
    forEachAtBothScales("knob", kKnobs, [](const KnobStripCase& k, int scale) {
        MeasuredKnob m = measureKnob(k, scale);
        ASSERT_FALSE(m.frames.empty());
        // The pointer reaches almost to the rim: its farthest pixel measures the knob.
        double reach = 0;
        for (const Line& l : m.lines)
            for (auto& p : l.points) reach = std::max(reach, std::hypot(p[0] - m.ax, p[1] - m.ay));
        const Image& still = m.still;
        double upperLeft = 0, lowerRight = 0, nUL = 0, nLR = 0;
        for (int y = 0; y < still.height; ++y)
            for (int x = 0; x < still.width; ++x) {
                double dx = x + 0.5 - m.ax, dy = y + 0.5 - m.ay, r = std::hypot(dx, dy);
                if (r < 0.75 * reach || r > reach) continue;
                if (dx < 0 && dy < 0) upperLeft += still.luma(x, y), nUL += 1;
                if (dx > 0 && dy > 0) lowerRight += still.luma(x, y), nLR += 1;
            }
        ASSERT_GT(nUL, 0);
        ASSERT_GT(nLR, 0);
        EXPECT_GT(upperLeft / nUL, lowerRight / nLR + 15);
    });
}

// The Drive strip's frames run down the rows of a column, then on to the next
// column: frame 10 starts the second column, at the top.
TEST(SkinKnobs, DriveGridRunsColumnAfterColumn) {
    Image strip = bitmap(19009, 1);
    ASSERT_FALSE(strip.empty());
    // Read as one long column would put frames 9 and 10 side by side; in the
    // grid frame 10 continues the turn of frame 9, so it is closer to it than
    // to frame 19 (the bottom of the second column).
    Image f9 = strip.crop(0, 9 * 93, 113, 93), f10 = strip.crop(113, 0, 113, 93);
    Image f19 = strip.crop(113, 9 * 93, 113, 93), f11 = strip.crop(113, 93, 113, 93);
    EXPECT_LT(meanDifference(f9, f10), meanDifference(f9, f19));
    EXPECT_LT(meanDifference(f10, f11), meanDifference(f10, f19));
    // The nine cells after frame 100 hold no pointer: all equal.
    Image spare = strip.crop(10 * 113, 93, 113, 93);
    for (int row = 2; row < 10; ++row) EXPECT_TRUE(strip.crop(10 * 113, row * 93, 113, 93) == spare) << row;
}

}  // namespace

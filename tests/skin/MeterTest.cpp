// The needle meters: the needle, measured from the pixels, sits on a printed
// mark whenever the meter shows a marked level; level 1.0 lands on the mark
// where the red zone begins (0 dB), and the scales span their ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/skin/SkinImage.h"
#include "tools/skingen/MeterGeometry.h"

using namespace skintest;
namespace meter = skingen::meter;

namespace {

// The level law the meters are drawn for: e = 0.617 p + 0.018, p = v^1.2
// (scale 0) or v^0.6 (scale 1), frame int(100 e + 0.5), at most frame 100.
int lawFrame(double v, int law) {
    double p = law == 0 ? std::pow(v, 1.2) : std::pow(v, 0.6);
    double e = std::min(0.617 * p + 0.018, 1.0);
    return (int)(100 * e + 0.5);
}

double degrees(double radians) { return radians * 180.0 / M_PI; }

class MeterStrip {
public:
    MeterStrip(int id, int scale) : scale_(scale), strip_(bitmap(id, scale)) {
        if (strip_.empty()) return;
        // The card without a needle: per pixel the brighter of the two end
        // frames, whose needles lie far apart.
        card_ = frameAt(0);
        Image other = frameAt(100);
        for (size_t i = 0; i < card_.pixels.size(); ++i)
            if (luma(other.pixels[i]) > luma(card_.pixels[i])) card_.pixels[i] = other.pixels[i];
    }
    bool ok() const { return !strip_.empty(); }
    Image frameAt(int k) const { return frame(strip_, 101, 101, k); }

    // The needle's angle in frame k (degrees clockwise from up), from the
    // pixels clearly darker than the card between the window's floor and the scale.
    double needleAngle(int k) const {
        Image f = frameAt(k);
        double px = meter::kPivotX * scale_, py = meter::kPivotY * scale_;
        double sw = 0, sa = 0;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                double r = std::hypot(x + 0.5 - px, y + 0.5 - py) / scale_;
                if (r < 36 || r > meter::kArcRadius - meter::kRedBandWidth - 1) continue;
                double d = card_.luma(x, y) - f.luma(x, y);
                if (d < 50) continue;
                sw += d;
                sa += d * degrees(std::atan2(x + 0.5 - px, py - (y + 0.5)));
            }
        return sw > 0 ? sa / sw : NAN;
    }

    // Angles of the printed ticks: dark runs on a circle through the ticks.
    std::vector<double> tickAngles() const {
        double r = (meter::kArcRadius + meter::kMinorTickOuter) / 2 * scale_;
        const double step = 0.02, from = -60;
        std::vector<double> samples;
        for (double a = from; a <= 60; a += step) {
            double x = meter::kPivotX * scale_ + r * std::sin(a * M_PI / 180);
            double y = meter::kPivotY * scale_ - r * std::cos(a * M_PI / 180);
            samples.push_back(card_.lumaAt(x, y));
        }
        // Dark against the card around it (within 1.5 degrees either side).
        const int window = (int)(1.5 / step);
        std::vector<double> ticks;
        int start = -1;
        for (int i = 0; i < (int)samples.size(); ++i) {
            double ground = 0;
            for (int j = std::max(0, i - window); j <= std::min((int)samples.size() - 1, i + window); ++j)
                ground = std::max(ground, samples[j]);
            bool dark = samples[i] < ground - 30;
            if (dark && start < 0) start = i;
            if (!dark && start >= 0) {
                ticks.push_back(from + step * (start + i - 1) / 2.0);
                start = -1;
            }
        }
        return ticks;
    }

    // Where the red zone begins, on a circle through the red band.
    double redStart() const {
        double r = (meter::kArcRadius - meter::kRedBandWidth / 2) * scale_;
        for (double a = -60; a <= 60; a += 0.02) {
            double x = meter::kPivotX * scale_ + r * std::sin(a * M_PI / 180);
            double y = meter::kPivotY * scale_ - r * std::cos(a * M_PI / 180);
            uint32_t p = card_.at((int)x, (int)y);
            int red = (p >> 16) & 0xFF, green = (p >> 8) & 0xFF;
            if (red > 150 && red - green > 90) return a;
        }
        return NAN;
    }

private:
    static double luma(uint32_t p) {
        return 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF);
    }
    int scale_;
    Image strip_;
    Image card_;
};

double nearest(const std::vector<double>& values, double to) {
    double best = NAN;
    for (double v : values)
        if (std::isnan(best) || std::fabs(v - to) < std::fabs(best - to)) best = v;
    return best;
}

struct Case {
    int id, law;
    double lowDb, highDb;  // the ends of the printed scale
};

const Case kCases[] = {{19003, 0, -20, 3}, {19004, 1, -40, 6}};

TEST(SkinMeters, LevelOnePointsAtTheZeroMarkWhereTheRedZoneBegins) {
    forEachAtBothScales("meter", kCases, [](const Case& c, int scale) {
        MeterStrip m(c.id, scale);
        ASSERT_TRUE(m.ok());
        int frame = lawFrame(1.0, c.law);
        EXPECT_EQ(frame, 64);
        double needle = m.needleAngle(frame);
        double red = m.redStart();
        ASSERT_FALSE(std::isnan(red)) << "no red zone";
        double zeroMark = nearest(m.tickAngles(), red);
        EXPECT_NEAR(zeroMark, red, 0.6) << "no mark where the red zone begins";
        EXPECT_NEAR(needle, zeroMark, 0.4) << "level 1.0 misses the 0 dB mark";
        // One frame either side is visibly off the mark.
        EXPECT_GT(std::fabs(m.needleAngle(frame - 1) - zeroMark), 0.5);
        EXPECT_GT(std::fabs(m.needleAngle(frame + 1) - zeroMark), 0.5);
    });
}

TEST(SkinMeters, EveryMarkLiesUnderTheNeedleOfSomeFrame) {
    forEachAtBothScales("meter", kCases, [](const Case& c, int scale) {
        MeterStrip m(c.id, scale);
        ASSERT_TRUE(m.ok());
        std::vector<double> needles;
        for (int k = 0; k <= 100; ++k) needles.push_back(m.needleAngle(k));
        for (int k = 1; k <= 100; ++k) EXPECT_GT(needles[k], needles[k - 1]) << "frame " << k;
        std::vector<double> ticks = m.tickAngles();
        ASSERT_GE(ticks.size(), 8u);
        for (double t : ticks) EXPECT_NEAR(nearest(needles, t), t, 0.35) << "mark at " << t << " degrees";
        // The scale's ends are the marks of its range's ends.
        double low = std::pow(10.0, c.lowDb / 20), high = std::pow(10.0, c.highDb / 20);
        EXPECT_NEAR(ticks.front(), needles[lawFrame(low, c.law)], 0.35) << "first mark";
        EXPECT_NEAR(ticks.back(), needles[lawFrame(high, c.law)], 0.35) << "last mark";
        // At rest (level 0) the needle stays left of the first mark.
        EXPECT_LT(needles[lawFrame(0.0, c.law)], ticks.front());
    });
}

}  // namespace

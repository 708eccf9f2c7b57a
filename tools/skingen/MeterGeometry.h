// Geometry of the needle meters' faces (1x pixels within one 136 x 70 frame).
// The needle turns about a pivot below the window, linearly with the frame
// number: frame 0 at the left end of its travel, frame 100 at the right end.
#pragma once

#include <cmath>

namespace skingen::meter {

constexpr int kWidth = 136;
constexpr int kFrameHeight = 70;
constexpr int kFrames = 101;

constexpr double kPivotX = 68.0;
constexpr double kPivotY = 100.0;
// Half the needle's travel, radians each side of straight up.
constexpr double kHalfSweep = 46.0 * M_PI / 180.0;
// The printed scale: the arc, the red band just inside it from 0 dB up, the
// ticks outward from the arc and the numbers beyond them.
constexpr double kArcRadius = 73.0;
constexpr double kRedBandWidth = 3.2;
constexpr double kTickOuter = 78.5;
constexpr double kMinorTickOuter = 76.0;
constexpr double kLabelRadius = 84.5;
// The needle, from where it enters the window to its tip (in the ticks).
constexpr double kNeedleTip = 77.5;

// Needle angle, radians clockwise from straight up, for a frame position 0..100.
inline double needleAngle(double frame) { return -kHalfSweep + 2.0 * kHalfSweep * frame / 100.0; }

}  // namespace skingen::meter

// The page layouts as data: where the controls sit (window pixels, right and
// bottom exclusive, as the editor places them) and what is printed around them.
#pragma once

#include <cstddef>

#include "tools/skingen/Canvas.h"

namespace skingen::layout {

struct Rect {
    double left, top, right, bottom;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
    double cx() const { return (left + right) / 2; }
    double cy() const { return (top + bottom) / 2; }
};

enum class Ink { Print, Faint, Accent };

// A printed legend, vertically centred on y.
struct Label {
    const char* text;
    double x, y;
    double size;
    Weight weight;
    Align align;
    Ink ink;
    int editions;  // bit 0: first edition, bit 1: second; 3 for both
};

template <typename T>
struct Table {
    const T* rows;
    size_t count;
    const T* begin() const { return rows; }
    const T* end() const { return rows + count; }
};

// Main page.
extern const Rect kLeftMeter, kRightMeter, kLeftLamp, kRightLamp, kReadout, kPageSwitch;
extern const Rect kBridge;
Table<Label> mainBridgeLabels();
Table<Label> mainFaceLabels();
// Rectangles of the value displays of the setup page.
Table<Rect> setupDisplays();
Table<Label> setupLabels();
extern const Rect kSetupReturn;
// Headed groups of the setup page: a heading rule spans each.
struct Group {
    const char* heading;
    double left, right, y;
};
Table<Group> setupGroups();

// The preset rail (y 444 to 458 of the window).
extern const double kRailTop, kRailBottom;
struct RailSlot {
    double left, right;
};
extern const RailSlot kNameField, kProgramMenu;
Table<Label> railLabels();

}  // namespace skingen::layout

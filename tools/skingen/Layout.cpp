#include "tools/skingen/Layout.h"

#include <iterator>

namespace skingen::layout {

namespace {
template <typename T, size_t N>
Table<T> table(const T (&rows)[N]) {
    return {rows, N};
}
constexpr Weight R = Weight::Regular;
constexpr Weight B = Weight::Bold;
constexpr Align L = Align::Left;
constexpr Align C = Align::Centre;
constexpr Align Rt = Align::Right;
}  // namespace

// Control rectangles of the main page. The latency readouts at (120, 428)-(212, 438)
// and the version label at (300, 45)-(329, 55) of the setup page write on
// plain ground: nothing below prints there.
const Rect kLeftMeter{54, 40, 190, 110};
const Rect kRightMeter{261, 40, 397, 110};
const Rect kLeftLamp{160, 109, 181, 130};
const Rect kRightLamp{367, 109, 388, 130};
const Rect kReadout{152, 281, 206, 298};
const Rect kPageSwitch{78, 404, 247, 422};
const Rect kBridge{0, 0, 450, 143};

namespace {

// On the meter bridge (light print on anthracite).
const Label kBridgeLabels[] = {
    {"LEFT", 122, 27, 7.0, B, C, Ink::Print, 3},
    {"RIGHT", 329, 27, 7.0, B, C, Ink::Print, 3},
    {"SOURCE", 226, 19, 6.0, B, C, Ink::Faint, 3},
    {"OVER", 156, 121, 6.0, B, Rt, Ink::Faint, 3},
    {"OVER", 363, 121, 6.0, B, Rt, Ink::Faint, 3},
    {"BALLISTICS", 226, 83.5, 6.0, B, C, Ink::Faint, 3},
};

// On the control section (dark print on the light faceplate).
const Label kFaceLabels[] = {
    // Left column: Knee (46,167)-(106,217), Speed (46,245)-(106,295), Release (46,320)-(106,376).
    {"KNEE", 76, 159, 7.5, B, C, Ink::Print, 3},
    {"SPEED", 76, 237, 7.5, B, C, Ink::Print, 3},
    {"RELEASE", 76, 312, 7.5, B, C, Ink::Print, 3},
    {"AUTO", 119.5, 311, 6.0, B, C, Ink::Print, 3},
    {"LONG", 119.5, 349.5, 6.0, B, C, Ink::Print, 3},
    // Drive (122,162)-(235,255) and the value readout under it.
    {"DRIVE", 178.5, 153, 9.0, B, C, Ink::Print, 3},
    // Tone: adjust knobs at y 167..217, frequency knobs at y 242..298.
    {"LOW", 284, 159, 7.5, B, C, Ink::Print, 3},
    {"HIGH", 375, 159, 7.5, B, C, Ink::Print, 3},
    {"LOW FREQ", 284, 233, 6.5, B, C, Ink::Print, 3},
    {"HIGH FREQ", 375, 233, 6.5, B, C, Ink::Print, 3},
    // Output section: Ceiling (150,324)-(210,374), Mix (253,323)-(313,373), Output (345,324)-(405,374).
    {"CEILING", 180, 316, 7.5, B, C, Ink::Print, 3},
    {"BRICKWALL", 231.5, 329, 6.0, B, C, Ink::Print, 3},
    {"MIX", 283, 315, 7.5, B, C, Ink::Print, 3},
    {"OUTPUT", 375, 316, 7.5, B, C, Ink::Print, 3},
    // Switch row: Process (42,398), FAT (248,398), Mode (290,398), channels (326,388), Link (371,398).
    {"PROCESS", 60, 391, 6.5, B, C, Ink::Print, 3},
    {"FAT", 267, 391, 6.5, B, C, Ink::Print, 2},
    {"MULTI", 308, 391, 6.5, B, C, Ink::Print, 3},
    {"LINK", 390, 391, 6.5, B, C, Ink::Print, 3},
    {"LATENCY", 117, 433, 6.0, B, Rt, Ink::Faint, 3},
};

// Setup page (light print on anthracite). Knobs are 30 x 30 with a value display beneath.
const Group kGroups[] = {
    {"BAND SATURATION", 52, 201, 166},
    {"BAND RELEASE", 250, 399, 166},
    {"VU METER", 52, 201, 249},
    {"PPM METER", 250, 399, 249},
    {"OVER LAMP", 52, 201, 368},
    {"FINE TUNE", 250, 335, 368},
    {"KNOB MODE", 352, 432, 368},
};

const Label kSetupLabels[] = {
    {"LOW", 80, 182, 6.5, B, C, Ink::Print, 3},
    {"MID", 127, 182, 6.5, B, C, Ink::Print, 3},
    {"HIGH", 173, 182, 6.5, B, C, Ink::Print, 3},
    {"LOW", 278, 182, 6.5, B, C, Ink::Print, 3},
    {"MID", 325, 182, 6.5, B, C, Ink::Print, 3},
    {"HIGH", 371, 182, 6.5, B, C, Ink::Print, 3},
    {"INTEGRATION", 110, 275, 6.5, B, L, Ink::Print, 3},
    {"REFERENCE", 110, 324, 6.5, B, L, Ink::Print, 3},
    {"INTEGRATION", 309, 275, 6.5, B, L, Ink::Print, 3},
    {"RETURN", 309, 324, 6.5, B, L, Ink::Print, 3},
    {"THRESHOLD", 104, 392, 6.5, B, L, Ink::Print, 3},
    {"SAMPLES", 104, 402, 5.5, B, L, Ink::Faint, 3},
    {"RANGE", 303, 392, 6.5, B, L, Ink::Print, 3},
    {"CIRCULAR", 395, 396, 6.0, B, L, Ink::Print, 3},
    {"LINEAR", 395, 411, 6.0, B, L, Ink::Print, 3},
};

const Rect kSetupDisplays[] = {
    {55, 221, 105, 235},  {102, 221, 152, 235}, {148, 221, 198, 235}, {253, 221, 303, 235},
    {300, 221, 350, 235}, {346, 221, 396, 235}, {60, 291, 100, 305},  {55, 340, 105, 354},
    {254, 291, 304, 305}, {254, 340, 304, 354}, {65, 412, 95, 426},   {264, 412, 294, 426},
};

const Label kRailLabels[] = {
    {"BANK", 51, 451.5, 6.0, B, C, Ink::Faint, 3},
    {"PRESET", 126.5, 451.5, 6.0, B, C, Ink::Faint, 3},
    {"A", 369, 451.5, 7.0, B, C, Ink::Print, 3},
    {"B", 412, 451.5, 7.0, B, C, Ink::Print, 3},
};

}  // namespace

const Rect kSetupReturn{110, 36, 338, 134};
const double kRailTop = 444, kRailBottom = 458;
const RailSlot kNameField{176, 290};
const RailSlot kProgramMenu{293, 303};

Table<Label> mainBridgeLabels() { return table(kBridgeLabels); }
Table<Label> mainFaceLabels() { return table(kFaceLabels); }
Table<Rect> setupDisplays() { return table(kSetupDisplays); }
Table<Label> setupLabels() { return table(kSetupLabels); }
Table<Group> setupGroups() { return table(kGroups); }
Table<Label> railLabels() { return table(kRailLabels); }

}  // namespace skingen::layout

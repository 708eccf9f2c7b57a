// Where every view of the two pages sits, what it shows and which parameter
// it edits: the editor builds both pages from these tables.
#pragma once

#include <cstdint>

#include "effect/Edition.h"

namespace editorlayout {

// The window: 450 x 460. Both pages end above the preset strip (y 444 to
// 458), which stays on the frame below whichever page is shown.
constexpr int kWidth = 450, kHeight = 460;
constexpr int kMainPageHeight = kHeight - 16, kSetupPageHeight = kHeight - 17;

// Bitmaps by resource identifier.
constexpr int kMainBackground = edition::kSecond ? 19000 : 19100;
constexpr int kSetupBackground = 19002;
constexpr int kMeterStrip = 19003, kMeterStripAlternative = 19004;
constexpr int kSetupKnobStrip = 19032, kKnobModeStrip = 19033;

// The tags of the views that edit no parameter.
constexpr int kTagReadout = edition::kSecond ? 50 : 56;
constexpr int kTagToSetup = edition::kSecond ? 52 : 60;
constexpr int kTagToMain = edition::kSecond ? 53 : 61;
constexpr int kTagLedLeft = edition::kSecond ? 54 : 62;
constexpr int kTagLedRight = edition::kSecond ? 55 : 63;
constexpr int kTagEntry = edition::kSecond ? 58 : 66;

// What the readout shows for a parameter (the readout's formats).
enum Readout : uint8_t { kNoReadout = 0, kReadDecibel = 1, kReadFrequency, kReadPercent, kReadPlain };

enum class Kind : uint8_t {
    LatencyMs,       // value display of the latency in milliseconds
    LatencySamples,  // value display of the latency in samples
    OnOff,           // two-frame button
    ChannelButton,   // four-way channel-mode button
    Selector,        // three-position vertical switch
    Knob,            // film-strip knob
    ColumnKnob,      // film-strip knob in columns
    MeterLeft,
    MeterRight,
    Readout,
    Entry,           // the typed-value field (not attached at open)
    LedLeft,
    LedRight,
    PageSwitch,      // invisible area switching pages
};

// A view of the main page. Views with a bitmap take their size from one
// frame of it (right and bottom are then 0).
struct MainView {
    Kind kind;
    int logical;        // the parameter (logical index) or edition::kNone
    int bitmap;         // 0: none
    int frames;
    int left, top, right, bottom;
    float defaultValue;  // modifier-click default of knobs
    float wheelInc;      // 0: the toolkit's
    Readout readout;     // what the value readout shows for the parameter
    int cellWidth;       // column knob: the width of a cell
};

// The main page, in creation order.
extern const MainView kMainViews[];
extern const int kNumMainViews;

// How a setup-page display writes its value.
enum class Converter : uint8_t { Decibel, DecibelFS, Multiplier, Milliseconds, Integer, Percent };

// A knob of the setup page and the value display beneath it.
struct SetupKnob {
    int logical;
    bool productKnob;  // the product's knob handling, not the toolkit's
    int left, top;     // knob: 30 x 30
    float defaultValue;
    int displayLeft, displayTop, displayRight, displayBottom;
    Converter converter;
};

extern const SetupKnob kSetupKnobs[];
extern const int kNumSetupKnobs;

// The setup page's other views.
struct Rect {
    int left, top, right, bottom;
};
constexpr Rect kKnobModeSwitch = {375, 389, 390, 418};
constexpr Rect kBackToMain = {110, 36, 338, 134};
constexpr Rect kVersionLabel = {300, 45, 329, 55};
constexpr const char* kVersionText = "v2.3.1";
constexpr int kSetupKnobSize = 30, kSetupKnobFrames = 51;

// The host (edition) index of a logical parameter; -1 where the edition has none.
constexpr int tagOf(int logical) { return logical < 0 ? -1 : edition::toHost(logical); }

}  // namespace editorlayout

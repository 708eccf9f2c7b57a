// Where the test editor puts its controls and which colours it draws: shared
// by the test plug-in and the tests that look at its screenshots.
#pragma once

#include "gui/VSTGUIBase.h"

namespace testeditor {

struct Rgb {
    int r, g, b;
};

constexpr int kWidth = 400, kHeight = 300;

enum Tag {
    kKnobTag = 0,
    kAnimKnobTag,
    kOnOffTag,
    kSwitchTag,
    kKickTag,
    kRockerTag,
    kLabelTag,
    kTextTag,
    kMenuTag,
    kNumControls
};
constexpr int kNumParams = 9;

enum BitmapId { kBackgroundId = 1000, kAnimKnobId, kOnOffId, kSwitchId, kKickId, kRockerId };
constexpr int kAnimFrames = 11;

inline const VSTGUI::CRect kKnobRect{20, 20, 80, 80};
inline const VSTGUI::CRect kAnimKnobRect{100, 20, 140, 60};
inline const VSTGUI::CRect kOnOffRect{160, 20, 200, 60};
inline const VSTGUI::CRect kSwitchRect{220, 20, 250, 80};
inline const VSTGUI::CRect kKickRect{270, 20, 310, 40};
inline const VSTGUI::CRect kRockerRect{320, 20, 380, 40};
inline const VSTGUI::CRect kLabelRect{20, 100, 200, 124};
inline const VSTGUI::CRect kTextRect{20, 140, 180, 160};
inline const VSTGUI::CRect kMenuRect{200, 140, 300, 160};

constexpr Rgb kBackgroundColor{40, 60, 80};
constexpr Rgb kOffColor{200, 0, 0};
constexpr Rgb kOnColor{0, 200, 0};
constexpr VSTGUI::CColor kLabelColor{255, 255, 0, 255};
constexpr VSTGUI::CColor kLabelBack{0, 0, 0, 255};
constexpr const char* kLabelText = "Toolkit 42";
constexpr const char* kInitialText = "Init";
constexpr const char* kMenuEntries[] = {"Alpha", "-", "Beta", "Gamma", "Delta"};

inline Rgb animFrameColor(int k) { return Rgb{k * 20, 255 - k * 20, 128}; }
inline Rgb switchFrameColor(int k) { return Rgb{0, 0, 100 + k * 70}; }

}  // namespace testeditor

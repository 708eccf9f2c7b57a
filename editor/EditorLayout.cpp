#include "editor/EditorLayout.h"

namespace editorlayout {

using namespace edition;

namespace {
constexpr float kKnobStep = 1.0f / 32.0f;
constexpr float kFineStep = 1.0f / 38.4f;
constexpr float kDriveStep = 1.0f / 76.8f;
}  // namespace

// clang-format off
const MainView kMainViews[] = {
    // kind                 parameter     bitmap frames left  top  right bottom default wheel  readout         cell
    {Kind::LatencyMs,       kNone,        0,     0,     120, 428, 165, 438, 0,    0,          kNoReadout,     0},
    {Kind::LatencySamples,  kNone,        0,     0,     167, 428, 212, 438, 0,    0,          kNoReadout,     0},
    {Kind::OnOff,           kProcess,     kSecond ? 19014 : 19114, 2, 42, 398, 0, 0, 0, 0,   kNoReadout,     0},
    {Kind::OnOff,           kLong,        19035, 2,     107, 356, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::OnOff,           kAuto,        19036, 2,     107, 317, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::OnOff,           kBrickwall,   19037, 2,     219, 337, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::OnOff,           kFat,         19034, 2,     248, 398, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::OnOff,           kMode,        19015, 2,     290, 398, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::ChannelButton,   kChannelMode, 19016, 4,     326, 388, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::OnOff,           kLink,        19017, 2,     371, 398, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::OnOff,           kMeterType,   19006, 2,     206, 88,  0,   0,   0,    0,          kNoReadout,     0},
    {Kind::Selector,        kMeters,      19005, 3,     206, 28,  0,   0,   0,    0,          kNoReadout,     0},
    {Kind::Knob,            kKnee,        19008, 101,   46,  167, 0,   0,   0.5f, kKnobStep,  kReadPercent,   0},
    {Kind::Knob,            kSpeed,       19008, 101,   46,  245, 0,   0,   0.5f, kKnobStep,  kReadPercent,   0},
    {Kind::ColumnKnob,      kDrive,       19009, 101,   122, 162, 0,   0,   0.5f, kDriveStep, kReadDecibel,   113},
    {Kind::Knob,            kHighFreq,    19010, 101,   345, 242, 0,   0,   0.5f, kFineStep,  kReadFrequency, 0},
    {Kind::Knob,            kHighAdjust,  19013, 101,   345, 167, 0,   0,   0.5f, kFineStep,  kReadDecibel,   0},
    {Kind::Knob,            kLowFreq,     19012, 101,   254, 242, 0,   0,   0.5f, kFineStep,  kReadFrequency, 0},
    {Kind::Knob,            kLowAdjust,   19013, 101,   254, 167, 0,   0,   0.5f, kFineStep,  kReadDecibel,   0},
    {Kind::Knob,            kOutput,      19013, 101,   345, 324, 0,   0,   0.5f, kFineStep,  kReadDecibel,   0},
    {Kind::Knob,            kMix,         19008, 101,   253, 323, 0,   0,   1.0f, kKnobStep,  kReadPercent,   0},
    {Kind::Knob,            kCeiling,     19013, 101,   150, 324, 0,   0,   0.5f, kFineStep,  kReadDecibel,   0},
    {Kind::Knob,            kRelease,     19024, 101,   46,  320, 0,   0,   0.5f, kFineStep,  kReadPlain,     0},
    {Kind::MeterLeft,       kMeterScale,  kMeterStrip, 101, 54, 40, 0,  0,   0,    0,          kNoReadout,     0},
    {Kind::MeterRight,      kMeterScale,  kMeterStrip, 101, 261, 40, 0, 0,   0,    0,          kNoReadout,     0},
    {Kind::Readout,         kNone,        19021, 18,    152, 281, 207, 297, 0,    0,          kNoReadout,     0},
    {Kind::Entry,           kNone,        0,     0,     151, 281, 207, 298, 0,    0,          kNoReadout,     0},
    {Kind::LedLeft,         kNone,        19026, 6,     160, 109, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::LedRight,        kNone,        19026, 6,     367, 109, 0,   0,   0,    0,          kNoReadout,     0},
    {Kind::PageSwitch,      kNone,        0,     0,     78,  404, 247, 422, 0,    0,          kNoReadout,     0},
};
const int kNumMainViews = (int)(sizeof kMainViews / sizeof kMainViews[0]);

const SetupKnob kSetupKnobs[] = {
    // parameter  product knob left top  default     display rectangle     converter
    {kLowSat,     false,       65,  190, 0.5f,       55,  221, 105, 235, Converter::Decibel},
    {kMidSat,     false,       112, 190, 0.5f,       102, 221, 152, 235, Converter::Decibel},
    {kHighSat,    false,       158, 190, 0.5f,       148, 221, 198, 235, Converter::Decibel},
    {kLowRel,     false,       263, 190, 0.5f,       253, 221, 303, 235, Converter::Multiplier},
    {kMidRel,     false,       310, 190, 0.5f,       300, 221, 350, 235, Converter::Multiplier},
    {kHighRel,    false,       356, 190, 0.5f,       346, 221, 396, 235, Converter::Multiplier},
    {kVuIntegr,   false,       65,  260, 0.5f,       60,  291, 100, 305, Converter::Milliseconds},
    {kVuRefer,    false,       65,  309, 0.4f,       55,  340, 105, 354, Converter::DecibelFS},
    {kPpmIntegr,  false,       264, 260, 0.5f,       254, 291, 304, 305, Converter::Milliseconds},
    {kPpmReturn,  false,       264, 309, 0.5f,       254, 340, 304, 354, Converter::Milliseconds},
    {kOverIndic,  true,        65,  381, 2.0f / 9.0f, 65, 412, 95,  426, Converter::Integer},
    {kFineTune,   false,       264, 381, 1.0f,       264, 412, 294, 426, Converter::Percent},
};
// clang-format on
const int kNumSetupKnobs = (int)(sizeof kSetupKnobs / sizeof kSetupKnobs[0]);

}  // namespace editorlayout

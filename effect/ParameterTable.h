// The parameter table: one row per parameter with its texts, the law that
// turns a stored value 0..1 into display units (and back), its value text,
// how a stored value is quantised, whether it is global, the engine quantity
// it sets and the recomputations and resets its change needs.
//
// The host texts, the engineering values, the parameter application and the
// editor's readouts and typed values are all read from here.
#pragma once

#include <cstdint>

#include "effect/Edition.h"

namespace params {

using namespace edition;

// int(v + 0.5): how a stored value is read as a switch.
constexpr int roundSwitch(double v) { return (int)(v + 0.5); }

// How a stored value v becomes a value in display units.
enum class Law : uint8_t {
    None,         // no value: 0
    Switch,       // int(v + 0.5)
    Selector3,    // positions 0, 1, 2 at 1/3 and 2/3, compared in single precision
    Routing,      // 0, 0.5 or 1 at 0.333 and 0.66
    Identity,     // v
    Percent,      // v * 100
    Db,           // (v - 0.5) * a dB, times the scale; the gain is b over the whole travel
    Exponential,  // a * b^v + c
    FloorPower,   // a^(1 - v)
    Linear,       // a * v + b
    HiddenTime,   // -1 at 0, else (v - 0.125) * 1000 / 0.875 ms
};

// The range scale a dB law or text follows: none, FineTuneScale or its square root.
enum class Scale : uint8_t { One, FineTune, RootFineTune };

struct LawSpec {
    Law kind = Law::None;
    double a = 0, b = 0, c = 0;
    Scale scale = Scale::One;
};

// The host's value text.
enum class TextKind : uint8_t {
    Empty,       // nothing
    Dash,        // "-"
    Number,      // the display value times `factor`, with `decimals` decimals
    Db,          // (v * span - span / 2) times the scale, with `decimals` decimals
    Choice,      // choices[position of the law]
    MonoStereo,  // a choice, or " L-R " while L R picks one channel
    Samples,     // the display value in eight characters
};

struct TextSpec {
    TextKind kind = TextKind::Empty;
    int decimals = 0;
    double span = 0;
    Scale scale = Scale::One;
    double factor = 1;
    const char* choices[3] = {nullptr, nullptr, nullptr};
};

// How setParameter stores a value.
enum class Store : uint8_t {
    AsIs,         // unchanged
    Steps,        // int(n * v + 0.5) / n
    HiddenFloor,  // 0 below 0.06125, at least 0.125 otherwise
    Zero,         // always 0
    ChannelPair,  // writes Mono Stereo and L R
};

// The engine quantity a parameter sets.
enum class Applied : uint8_t {
    Nothing, ProcessOn, Mode, Stereo, Linked, DriveGain, Knee, Speed, Release, HighAdjustGain,
    LowAdjustGain, HighFreq, LowFreq, Mix, CeilingGain, OutputGain, BandSat, BandRelease,
    MeterSource, MeterType, FatGuard, Fat, FatOff, LongRelease, AutoRelease, Brickwall, Routing,
    VuIntegration, VuReference, Ppm, OverThreshold,
};

// What a change needs besides its quantity. The recomputations run for every
// derivation of the quantity; the resets and the rest only when the value is set.
enum Work : uint16_t {
    kFilters = 1 << 0,
    kTimeConstants = 1 << 1,
    kCurveConstants = 1 << 2,
    kSmallSignalGain = 1 << 3,  // the Drive-only step of the curve constants
    kVuFilters = 1 << 4,
    kClearSignal = 1 << 5,
    kResetDynamics = 1 << 6,
    kFullReset = 1 << 7,
    kKnobModeFlag = 1 << 8,     // the editor picks the new knob mode up
    kRescaleGains = 1 << 9,     // the FineTuneScale-scaled gains are set again
    kRecomputations = kFilters | kTimeConstants | kCurveConstants | kSmallSignalGain | kVuFilters,
};

struct Row {
    int logical;            // logical index (Edition.h)
    const char* name;       // getParameterName
    const char* label;      // getParameterLabel
    LawSpec law;            // stored value -> display units
    bool shown;             // false: the engineering value is 0 (the law only picks a text)
    TextSpec text;          // getParameterDisplay
    Store store;            // quantisation of the stored value
    int storeSteps;         // n for Store::Steps
    int hostMax;            // integer range announced to the host (0: none)
    bool global;            // written into every program
    Applied applied;        // the engine quantity
    uint16_t work;          // Work flags
};

// Law constructors.
constexpr LawSpec noLaw() { return {}; }
constexpr LawSpec switchLaw() { return {Law::Switch}; }
constexpr LawSpec percent() { return {Law::Percent}; }
constexpr LawSpec db(double spanDb, double gainRatio, Scale s) { return {Law::Db, spanDb, gainRatio, 0, s}; }
constexpr LawSpec exponential(double a, double b, double c = 0) { return {Law::Exponential, a, b, c}; }
constexpr LawSpec floorPower(double a) { return {Law::FloorPower, a}; }
constexpr LawSpec linear(double a, double b) { return {Law::Linear, a, b}; }

// Text constructors.
constexpr TextSpec noText() { return {}; }
constexpr TextSpec dash() { return {TextKind::Dash}; }
constexpr TextSpec number(int decimals, double factor = 1) {
    return {TextKind::Number, decimals, 0, Scale::One, factor};
}
constexpr TextSpec dbText(double span, Scale s) { return {TextKind::Db, 2, span, s}; }
constexpr TextSpec choice(const char* a, const char* b, const char* c = nullptr) {
    return {TextKind::Choice, 0, 0, Scale::One, 1, {a, b, c}};
}

constexpr bool kValue = true, kNoValue = false;
constexpr bool kGlobal = true, kProgram = false;

// The edition's band laws: the first edition's ranges are narrower.
constexpr LawSpec kBandSatLaw = kSecond ? exponential(0.25, 16) : exponential(0.5, 4);
constexpr TextSpec kBandSatText = kSecond ? dbText(24, Scale::One) : dbText(12, Scale::One);
constexpr LawSpec kBandRelLaw = kSecond ? exponential(0.0625, 256) : exponential(0.25, 16);

constexpr Row kRows[] = {
    {kProcess, " Process ", "", switchLaw(), kValue, choice(" Off ", " On "),
     Store::AsIs, 0, 1, kGlobal, Applied::ProcessOn, kClearSignal},
    {kMode, " Mode", "", switchLaw(), kValue, choice(" SingleBnd ", " MultiBand "),
     Store::AsIs, 0, 1, kProgram, Applied::Mode, kResetDynamics | kFilters | kTimeConstants},
    {kMonoStereo, " Mono Stereo", "", switchLaw(), kValue,
     {TextKind::MonoStereo, 0, 0, Scale::One, 1, {" Mono ", " Stereo ", nullptr}},
     Store::AsIs, 0, 1, kGlobal, Applied::Stereo, 0},
    {kLink, " Link", "", switchLaw(), kValue, choice(" Unlinked ", " Linked "),
     Store::AsIs, 0, 1, kProgram, Applied::Linked, 0},
    {kDrive, " Drive ", " dB ", db(48, 256, Scale::FineTune), kValue, dbText(48, Scale::FineTune),
     Store::AsIs, 0, 0, kProgram, Applied::DriveGain, kSmallSignalGain},
    {kKnee, " Knee ", " % ", percent(), kValue, number(1),
     Store::AsIs, 0, 0, kProgram, Applied::Knee, kCurveConstants},
    {kSpeed, " Speed ", " % ", percent(), kValue, number(1),
     Store::AsIs, 0, 0, kProgram, Applied::Speed, kTimeConstants},
    {kRelease, " Release ", " * ", exponential(0.25, 16), kValue, number(2),
     Store::AsIs, 0, 0, kProgram, Applied::Release, kTimeConstants},
    {kHighAdjust, " HighAdjust ", " dB ", db(24, 16, Scale::FineTune), kValue, dbText(24, Scale::FineTune),
     Store::AsIs, 0, 0, kProgram, Applied::HighAdjustGain, 0},
    {kLowAdjust, " LowAdjust ", " dB ", db(24, 16, Scale::FineTune), kValue, dbText(24, Scale::FineTune),
     Store::AsIs, 0, 0, kProgram, Applied::LowAdjustGain, 0},
    {kHighFreq, " HighFreq ", " Hz ", exponential(1000, 16), kValue, number(0),
     Store::AsIs, 0, 0, kProgram, Applied::HighFreq, kFilters},
    // Shown at twice the frequency the crossover is designed at.
    {kLowFreq, " LowFreq ", " Hz ", exponential(25, 16), kValue, number(1),
     Store::AsIs, 0, 0, kProgram, Applied::LowFreq, kFilters},
    {kMix, " Mix ", " % ", percent(), kValue, number(1),
     Store::AsIs, 0, 0, kProgram, Applied::Mix, 0},
    {kCeiling, " Ceiling ", " dB ", db(24, 16, Scale::RootFineTune), kValue, dbText(24, Scale::RootFineTune),
     Store::AsIs, 0, 0, kProgram, Applied::CeilingGain, kCurveConstants},
    {kOutput, " Output ", " dB ", db(24, 16, Scale::RootFineTune), kValue, dbText(24, Scale::RootFineTune),
     Store::AsIs, 0, 0, kProgram, Applied::OutputGain, 0},
    // The band saturation levels are shown linear and read as dB in the host text.
    {kLowSat, " LowSat", " dB ", kBandSatLaw, kValue, kBandSatText,
     Store::AsIs, 0, 0, kProgram, Applied::BandSat, 0},
    {kMidSat, " MidSat ", " dB ", kBandSatLaw, kValue, kBandSatText,
     Store::AsIs, 0, 0, kProgram, Applied::BandSat, 0},
    {kHighSat, " HighSat ", " dB ", kBandSatLaw, kValue, kBandSatText,
     Store::AsIs, 0, 0, kProgram, Applied::BandSat, 0},
    {kLowRel, " LowRel ", " * ", kBandRelLaw, kValue, number(2),
     Store::AsIs, 0, 0, kProgram, Applied::BandRelease, kTimeConstants},
    {kMidRel, " MidRel ", " * ", kBandRelLaw, kValue, number(2),
     Store::AsIs, 0, 0, kProgram, Applied::BandRelease, kTimeConstants},
    {kHighRel, " HighRel ", " * ", kBandRelLaw, kValue, number(2),
     Store::AsIs, 0, 0, kProgram, Applied::BandRelease, kTimeConstants},
    {kMeters, " Meters ", "", {Law::Selector3}, kNoValue, choice(" Pre ", " GainRed ", " Post "),
     Store::AsIs, 0, 2, kGlobal, Applied::MeterSource, 0},
    {kMeterType, " MeterType ", "", switchLaw(), kNoValue, choice(" VU ", " PPM "),
     Store::AsIs, 0, 1, kGlobal, Applied::MeterType, 0},
    // A millisecond value without a name or text; it keeps FAT off at high rates.
    {edition::kHidden, "-", " ms ", {Law::HiddenTime}, kValue, dash(),
     Store::HiddenFloor, 0, 0, kGlobal, Applied::FatGuard, 0},
    {kFineTune, " FineTune ", " % ", floorPower(0.125), kValue, number(0, 100),
     Store::Steps, 3, 3, kProgram, Applied::Nothing, kRescaleGains},
    {kMeterScale, " MeterScale ", " dB ", switchLaw(), kNoValue, choice("-20..+3", "-40..+6"),
     Store::AsIs, 0, 1, kGlobal, Applied::Nothing, 0},
    {kFat, " FAT ", "", switchLaw(), kValue, choice(" Off ", " FAT "),
     Store::AsIs, 0, 1, kGlobal, Applied::Fat, kFilters | kTimeConstants | kFullReset},
    {kLong, " Long ", "", switchLaw(), kValue, choice(" Off ", " Long "),
     Store::AsIs, 0, 1, kProgram, Applied::LongRelease, kTimeConstants},
    {kAuto, " Auto ", "", switchLaw(), kValue, choice(" Off ", " Auto "),
     Store::AsIs, 0, 1, kProgram, Applied::AutoRelease, 0},
    {kBrickwall, " Brickwall ", "", switchLaw(), kValue, choice(" Off ", " BrickWall "),
     Store::AsIs, 0, 1, kProgram, Applied::Brickwall, 0},
    {kLR, " L R ", "", {Law::Routing}, kValue, choice(" OO-O", " L ", " R "),
     Store::AsIs, 0, 0, kProgram, Applied::Routing, 0},
    {kVuIntegr, " VU Integr ", " ms ", exponential(30, 100), kValue, number(0),
     Store::AsIs, 0, 0, kProgram, Applied::VuIntegration, kVuFilters},
    {kVuRefer, " VU Refer ", " dBFS ", floorPower(0.06125), kValue, number(1),
     Store::AsIs, 0, 0, kProgram, Applied::VuReference, 0},
    {kPpmIntegr, " PPM Integr ", " ms ", exponential(1, 101, -1), kValue, number(0),
     Store::AsIs, 0, 0, kProgram, Applied::Ppm, 0},
    {kPpmReturn, " PPM Return ", " ms ", exponential(100, 100), kValue, number(0),
     Store::AsIs, 0, 0, kProgram, Applied::Ppm, 0},
    {kOverIndic, " OverIndic ", " samples ", linear(9, 1), kValue, {TextKind::Samples},
     Store::Steps, 9, 0, kProgram, Applied::OverThreshold, 0},
    {kKnobMode, " Knob Mode ", " ", {Law::Identity}, kValue, choice(" Circular ", " Linear "),
     Store::AsIs, 0, 0, kProgram, Applied::Nothing, kKnobModeFlag},
    // Sets Mono Stereo and L R together (the editor's channel-mode button).
    {kChannelMode, "-", "-", noLaw(), kValue, noText(),
     Store::ChannelPair, 0, 0, kProgram, Applied::Nothing, 0},
    // The first edition's FAT position: stores 0 and keeps oversampling off.
    {kVestigialFat, "-", "", noLaw(), kValue, noText(),
     Store::Zero, 0, 1, kGlobal, Applied::FatOff, 0},
};

// The gains FineTune scales, in the order a FineTune change sets them again.
constexpr int kRescaledByFineTune[] = {kCeiling, kDrive, kHighAdjust, kLowAdjust, kOutput};

namespace detail {
struct RowIndex {
    int8_t at[kNumLogical];
};
constexpr RowIndex makeRowIndex() {
    RowIndex index{};
    for (int i = 0; i < kNumLogical; ++i) index.at[i] = -1;
    for (int r = 0; r < (int)(sizeof kRows / sizeof kRows[0]); ++r) index.at[kRows[r].logical] = (int8_t)r;
    return index;
}
constexpr RowIndex kRowIndex = makeRowIndex();
}  // namespace detail

// The row of a logical index, or nullptr where there is no parameter.
constexpr const Row* rowOf(int logical) {
    if (logical < 0 || logical >= kNumLogical) return nullptr;
    const int r = detail::kRowIndex.at[logical];
    return r < 0 ? nullptr : &kRows[r];
}

// Whether a host (edition) index is written into every program.
constexpr bool isGlobalHostIndex(int index) {
    const Row* row = rowOf(toLogical(index));
    return row && row->global;
}

// The value of a scale for a FineTuneScale k.
double scaleValue(Scale scale, double k);

// The law's value in display units for a stored value v and FineTuneScale k.
double lawValue(const LawSpec& law, double v, double k);

// The position a choice text and a stepped control show (0, 1 or 2).
int lawPosition(const LawSpec& law, double v);

// A value in display units back to a stored value, limited to 0..1; a value
// that is not a number, and a non-positive time, frequency or level, give 0.
double toNormalised(const LawSpec& law, double x, double k);

// The linear gain of a dB law.
double dbGain(const LawSpec& law, double v, double k);

// What getDisplayValue answers for a row (0 where the row shows no value).
inline double displayValue(const Row& row, double v, double k) {
    return row.shown ? lawValue(row.law, v, k) : 0.0;
}

// The number a numeric value text shows.
double textNumber(const Row& row, double v, double k);

}  // namespace params

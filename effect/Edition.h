// What differs between the two editions, fixed at build time.
//
// Inside the effect every parameter is addressed by its second-edition index
// (its "logical" index); the first edition maps its own host indices onto
// those at the boundary.
#pragma once

#include <cstdint>

#include "host/vst2.h"
#include "presets/CProgram.h"  // kEdition, kNumProgramValues

namespace edition {

constexpr bool kSecond = ::kEdition == 2;

// Logical parameter indices (the second edition's host indices).
enum Param : int {
    kProcess = 0, kMode, kMonoStereo, kLink, kDrive, kKnee, kSpeed, kRelease, kHighAdjust,
    kLowAdjust, kHighFreq, kLowFreq, kMix, kCeiling, kOutput, kLowSat, kMidSat, kHighSat, kLowRel,
    kMidRel, kHighRel, kMeters, kMeterType, kHidden, kFineTune, kMeterScale, kFat, kLong, kAuto,
    kBrickwall, kLR,
    kFirstPlaceholder = 31, kLastPlaceholder = 41,
    kVuIntegr = 43, kVuRefer, kPpmIntegr, kPpmReturn, kOverIndic, kKnobMode,
    kChannelMode = 57,
    kNumLogical = 61,
    kNone = -1,
    // The first edition's vestigial FAT switch (its host index 31): stores 0, does nothing.
    kVestigialFat = 60,
};

constexpr vst::int32 kNumParams = kSecond ? 42 : 48;
static_assert(kNumParams == ::kNumProgramValues, "a program holds one value per host parameter");
constexpr vst::int32 kUniqueId = kSecond ? vst::fourCC('Z', 'E', 'M', 'L') : vst::fourCC('Z', 'e', 'M', 'L');
constexpr const char* kEffectName = kSecond ? "Zev Emberline2" : "Zev Emberline";
constexpr const char* kProductString =
    kSecond ? "Zev Emberline2 - analog saturation & compression emulator"
            : "Zev Emberline - analog saturation & compression emulator";
constexpr const char* kVendorString = "emberline.audio";
constexpr vst::int32 kVendorVersion = 2310;

// Host (edition) index -> logical index, or kNone for indices without a parameter.
constexpr int toLogical(int index) {
    if constexpr (kSecond) {
        if (index < 0) return kNone;
        if (index <= kLR) return index;
        if (index >= kVuIntegr && index <= kKnobMode) return index;
        if (index == kChannelMode) return index;
        return kNone;
    } else {
        if (index < 0) return kNone;
        if (index <= kMeterType) return index;
        switch (index) {
            case 27: return kHidden;
            case 28: return kFineTune;
            case 31: return kVestigialFat;
            case 32: return kLong;
            case 33: return kAuto;
            case 34: return kBrickwall;
            case 35: return kMeterScale;
            case 36: return kLR;
            case 49: return kVuIntegr;
            case 50: return kVuRefer;
            case 51: return kPpmIntegr;
            case 52: return kPpmReturn;
            case 53: return kOverIndic;
            case 54: return kKnobMode;
            case 65: return kChannelMode;
            default: return kNone;
        }
    }
}

// Logical index -> host (edition) index, or -1 when the edition has no such parameter.
constexpr int toHost(int logical) {
    if constexpr (kSecond) {
        return toLogical(logical) == logical ? logical : -1;
    } else {
        if (logical >= 0 && logical <= kMeterType) return logical;
        switch (logical) {
            case kHidden: return 27;
            case kFineTune: return 28;
            case kVestigialFat: return 31;
            case kLong: return 32;
            case kAuto: return 33;
            case kBrickwall: return 34;
            case kMeterScale: return 35;
            case kLR: return 36;
            case kVuIntegr: return 49;
            case kVuRefer: return 50;
            case kPpmIntegr: return 51;
            case kPpmReturn: return 52;
            case kOverIndic: return 53;
            case kKnobMode: return 54;
            case kChannelMode: return 65;
            default: return -1;
        }
    }
}

}  // namespace edition

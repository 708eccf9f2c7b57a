#include "effect/ParameterSet.h"

#include <cmath>
#include <cstring>

#include "host/AudioEffect.h"
#include "host/NumberText.h"

using namespace edition;

namespace {

constexpr int kTextMax = vst::kMaxHostText;

struct Texts {
    const char* name;
    const char* label;
};

// Names and labels by logical index.
Texts textsOf(int logical) {
    switch (logical) {
        case kProcess: return {" Process ", ""};
        case kMode: return {" Mode", ""};
        case kMonoStereo: return {" Mono Stereo", ""};
        case kLink: return {" Link", ""};
        case kDrive: return {" Drive ", " dB "};
        case kKnee: return {" Knee ", " % "};
        case kSpeed: return {" Speed ", " % "};
        case kRelease: return {" Release ", " * "};
        case kHighAdjust: return {" HighAdjust ", " dB "};
        case kLowAdjust: return {" LowAdjust ", " dB "};
        case kHighFreq: return {" HighFreq ", " Hz "};
        case kLowFreq: return {" LowFreq ", " Hz "};
        case kMix: return {" Mix ", " % "};
        case kCeiling: return {" Ceiling ", " dB "};
        case kOutput: return {" Output ", " dB "};
        case kLowSat: return {" LowSat", " dB "};
        case kMidSat: return {" MidSat ", " dB "};
        case kHighSat: return {" HighSat ", " dB "};
        case kLowRel: return {" LowRel ", " * "};
        case kMidRel: return {" MidRel ", " * "};
        case kHighRel: return {" HighRel ", " * "};
        case kMeters: return {" Meters ", ""};
        case kMeterType: return {" MeterType ", ""};
        case kHidden: return {"-", " ms "};
        case kFineTune: return {" FineTune ", " % "};
        case kMeterScale: return {" MeterScale ", " dB "};
        case kFat: return {" FAT ", ""};
        case kLong: return {" Long ", ""};
        case kAuto: return {" Auto ", ""};
        case kBrickwall: return {" Brickwall ", ""};
        case kLR: return {" L R ", ""};
        case kVuIntegr: return {" VU Integr ", " ms "};
        case kVuRefer: return {" VU Refer ", " dBFS "};
        case kPpmIntegr: return {" PPM Integr ", " ms "};
        case kPpmReturn: return {" PPM Return ", " ms "};
        case kOverIndic: return {" OverIndic ", " samples "};
        case kKnobMode: return {" Knob Mode ", " "};
        case kVestigialFat: return {"-", ""};
        default: return {"-", "-"};
    }
}

inline int roundSwitch(double v) { return (int)(v + 0.5); }

void copyText(char* out, const char* text) { vst_strncpy(out, text, kTextMax); }

void fixed(char* out, double value, int decimals) { formatFixed((float)value, decimals, out); }

}  // namespace

ParameterSet::ParameterSet() {
    for (auto& v : values_) v.store(0.0, std::memory_order_relaxed);
}

ParameterSet::StoreResult ParameterSet::store(int logical, float v) {
    StoreResult result;
    if (!std::isfinite(v) || logical < 0 || logical >= kNumLogical) return result;
    const double d = v;
    result.passOn = v;
    switch (logical) {
        case kHidden: {
            double q = d < 0.06125 ? 0.0 : (d < 0.125 ? 0.125 : d);
            if (d >= 0.06125 && d < 0.125) result.passOn = 0.125f;
            values_[logical].store(q, std::memory_order_relaxed);
            break;
        }
        case kFineTune:
            values_[logical].store((int)(3.0 * d + 0.5) / 3.0, std::memory_order_relaxed);
            break;
        case kOverIndic:
            values_[logical].store((int)(9.0 * d + 0.5) / 9.0, std::memory_order_relaxed);
            break;
        case kVestigialFat:
            values_[logical].store(0.0, std::memory_order_relaxed);
            break;
        case kChannelMode: {
            const double previous = channelModeCopy_.load(std::memory_order_relaxed);
            result.channelModeReset = (int)(100.0 * d) != (int)(100.0 * previous);
            channelModeCopy_.store(d, std::memory_order_relaxed);
            double mono = 0, lr = 0;
            if (d < 0.25) {
                mono = 0;
                lr = 0;
            } else if (d < 0.5) {
                mono = 0;
                lr = 0.5;
            } else if (d < 0.75) {
                mono = 0;
                lr = 1;
            } else {
                mono = 1;
                lr = 0;
            }
            values_[kMonoStereo].store(mono, std::memory_order_relaxed);
            values_[kLR].store(lr, std::memory_order_relaxed);
            values_[kChannelMode].store(d, std::memory_order_relaxed);
            break;
        }
        default:
            if ((logical > kLR && logical < kVuIntegr) || (logical > kKnobMode)) return result;
            values_[logical].store(d, std::memory_order_relaxed);
            break;
    }
    result.stored = true;
    return result;
}

float ParameterSet::get(int logical) const {
    if (logical >= 0 && logical <= kLR) return (float)stored(logical);
    if (logical >= kVuIntegr && logical <= kKnobMode) return (float)stored(logical);
    if (logical == kChannelMode) {
        const double mono = stored(kMonoStereo);
        const double lr = stored(kLR);
        if (lr < 0.333) return mono < 0.5 ? 0.0f : 1.0f;
        return lr < 0.66 ? 0.333f : 0.667f;
    }
    return 0.0f;
}

double ParameterSet::fineTuneScale() const { return std::pow(0.125, 1.0 - stored(kFineTune)); }

float ParameterSet::displayValue(int logical) const {
    const double v = stored(logical);
    const double k = fineTuneScale();
    switch (logical) {
        case kProcess:
        case kMode:
        case kMonoStereo:
        case kLink:
        case kFat:
        case kLong:
        case kAuto:
        case kBrickwall:
            return (float)roundSwitch(v);
        case kDrive: return (float)((v - 0.5) * 48.0 * k);
        case kKnee:
        case kSpeed:
        case kMix:
            return (float)(v * 100.0);
        case kRelease: return (float)(0.25 * std::pow(16.0, v));
        case kHighAdjust:
        case kLowAdjust:
            return (float)((v - 0.5) * 24.0 * k);
        case kHighFreq: return (float)(1000.0 * std::pow(16.0, v));
        case kLowFreq: return (float)(2.0 * 12.5 * std::pow(16.0, v));
        case kCeiling:
        case kOutput:
            return (float)(std::sqrt(k) * (v - 0.5) * 24.0);
        case kLowSat:
        case kMidSat:
        case kHighSat:
            return (float)(kSecond ? 0.25 * std::pow(16.0, v) : 0.5 * std::pow(4.0, v));
        case kLowRel:
        case kMidRel:
        case kHighRel:
            return (float)(kSecond ? 0.0625 * std::pow(256.0, v) : 0.25 * std::pow(16.0, v));
        case kHidden: return v == 0.0 ? -1.0f : (float)((v - 0.125) * 1000.0 / 0.875);
        case kFineTune: return (float)k;
        case kLR: return v < 0.333 ? 0.0f : (v < 0.66 ? 0.5f : 1.0f);
        case kVuIntegr: return (float)(30.0 * std::pow(100.0, v));
        case kVuRefer: return (float)std::pow(0.06125, 1.0 - v);
        case kPpmIntegr: return (float)(std::pow(101.0, v) - 1.0);
        case kPpmReturn: return (float)(100.0 * std::pow(100.0, v));
        case kOverIndic: return (float)(9.0 * v + 1.0);
        case kKnobMode: return (float)v;
        default: return 0.0f;
    }
}

void ParameterSet::name(int hostIndex, char* text) const {
    copyText(text, textsOf(toLogical(hostIndex)).name);
}

void ParameterSet::label(int hostIndex, char* text) const {
    copyText(text, textsOf(toLogical(hostIndex)).label);
}

void ParameterSet::display(int hostIndex, char* text) const {
    const int logical = toLogical(hostIndex);
    const double v = stored(logical);
    const double k = fineTuneScale();
    text[0] = 0;
    switch (logical) {
        case kProcess: copyText(text, v >= 0.5 ? " On " : " Off "); break;
        case kMode: copyText(text, v >= 0.5 ? " MultiBand " : " SingleBnd "); break;
        case kMonoStereo: {
            const double w = stored(kLR);
            if (w < 0.333)
                copyText(text, v >= 0.5 ? " Stereo " : " Mono ");
            else
                copyText(text, " L-R ");
            break;
        }
        case kLink: copyText(text, v >= 0.5 ? " Linked " : " Unlinked "); break;
        case kDrive: fixed(text, (v * 48.0 - 24.0) * k, 2); break;
        case kKnee:
        case kSpeed:
        case kMix:
            fixed(text, v * 100.0, 1);
            break;
        case kRelease: fixed(text, 0.25 * std::pow(16.0, v), 2); break;
        case kHighAdjust:
        case kLowAdjust:
            fixed(text, (v * 24.0 - 12.0) * k, 2);
            break;
        case kHighFreq: fixed(text, 1000.0 * std::pow(16.0, v), 0); break;
        case kLowFreq: fixed(text, 2.0 * 12.5 * std::pow(16.0, v), 1); break;
        case kCeiling:
        case kOutput:
            fixed(text, std::sqrt(k) * (v * 24.0 - 12.0), 2);
            break;
        case kLowSat:
        case kMidSat:
        case kHighSat:
            fixed(text, kSecond ? v * 24.0 - 12.0 : v * 12.0 - 6.0, 2);
            break;
        case kLowRel:
        case kMidRel:
        case kHighRel:
            fixed(text, kSecond ? 0.0625 * std::pow(256.0, v) : 0.25 * std::pow(16.0, v), 2);
            break;
        case kMeters: {
            // Compared in single precision, as stored, so that the text and the
            // meter source int(3v) agree at 1/3 and 2/3.
            const float f = (float)v;
            copyText(text, f < 0.3333333f ? " Pre " : (f < 0.6666667f ? " GainRed " : " Post "));
            break;
        }
        case kMeterType: copyText(text, v >= 0.5 ? " PPM " : " VU "); break;
        case kHidden: copyText(text, "-"); break;
        case kFineTune: fixed(text, k * 100.0, 0); break;
        case kMeterScale: copyText(text, roundSwitch(v) == 1 ? "-40..+6" : "-20..+3"); break;
        case kFat: copyText(text, v >= 0.5 ? " FAT " : " Off "); break;
        case kLong: copyText(text, v >= 0.5 ? " Long " : " Off "); break;
        case kAuto: copyText(text, v >= 0.5 ? " Auto " : " Off "); break;
        case kBrickwall: copyText(text, v >= 0.5 ? " BrickWall " : " Off "); break;
        case kLR: copyText(text, v < 0.333 ? " OO-O" : (v < 0.66 ? " L " : " R ")); break;
        case kVuIntegr: fixed(text, 30.0 * std::pow(100.0, v), 0); break;
        case kVuRefer: fixed(text, std::pow(0.06125, 1.0 - v), 1); break;
        case kPpmIntegr: fixed(text, std::pow(101.0, v) - 1.0, 0); break;
        case kPpmReturn: fixed(text, 100.0 * std::pow(100.0, v), 0); break;
        case kOverIndic: {
            char buf[32];
            writeEightCharacters((double)(float)(9.0 * v + 1.0), buf);
            vst_strncpy(text, buf, 12);
            break;
        }
        case kKnobMode: copyText(text, v >= 0.5 ? " Linear " : " Circular "); break;
        default: break;
    }
}

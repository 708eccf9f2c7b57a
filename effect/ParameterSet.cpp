#include "effect/ParameterSet.h"

#include <cmath>
#include <cstring>

#include "effect/ParameterTable.h"
#include "host/AudioEffect.h"
#include "host/NumberText.h"

using namespace edition;
using params::Row;

namespace {

constexpr int kTextMax = vst::kMaxHostText;

void copyText(char* out, const char* text) { vst_strncpy(out, text, kTextMax); }

void fixed(char* out, double value, int decimals) { formatFixed((float)value, decimals, out); }

// The four positions of ChannelMode: Mono Stereo and L R.
struct ChannelPair {
    double mono, lr;
};
ChannelPair channelPairOf(double v) {
    if (v < 0.25) return {0, 0};
    if (v < 0.5) return {0, 0.5};
    if (v < 0.75) return {0, 1};
    return {1, 0};
}

}  // namespace

ParameterSet::ParameterSet() {
    for (auto& v : values_) v.store(0.0, std::memory_order_relaxed);
}

ParameterSet::StoreResult ParameterSet::store(int logical, float v) {
    StoreResult result;
    const Row* row = params::rowOf(logical);
    if (!std::isfinite(v) || !row) return result;
    const double d = v;
    result.passOn = v;
    double q = d;
    switch (row->store) {
        case params::Store::AsIs: break;
        case params::Store::Steps: q = (int)(row->storeSteps * d + 0.5) / (double)row->storeSteps; break;
        case params::Store::HiddenFloor:
            q = d < 0.06125 ? 0.0 : (d < 0.125 ? 0.125 : d);
            if (d >= 0.06125 && d < 0.125) result.passOn = 0.125f;
            break;
        case params::Store::Zero: q = 0.0; break;
        case params::Store::ChannelPair: {
            const double previous = channelModeCopy_.load(std::memory_order_relaxed);
            result.channelModeReset = (int)(100.0 * d) != (int)(100.0 * previous);
            channelModeCopy_.store(d, std::memory_order_relaxed);
            const ChannelPair pair = channelPairOf(d);
            values_[kMonoStereo].store(pair.mono, std::memory_order_relaxed);
            values_[kLR].store(pair.lr, std::memory_order_relaxed);
            break;
        }
    }
    values_[logical].store(q, std::memory_order_relaxed);
    result.stored = true;
    return result;
}

float ParameterSet::get(int logical) const {
    const Row* row = params::rowOf(logical);
    if (!row) return 0.0f;
    if (row->store != params::Store::ChannelPair) return (float)stored(logical);
    const int lr = params::lawPosition(params::rowOf(kLR)->law, stored(kLR));
    if (lr == 0) return params::lawPosition(params::rowOf(kMonoStereo)->law, stored(kMonoStereo)) ? 1.0f : 0.0f;
    return lr == 1 ? 0.333f : 0.667f;
}

double ParameterSet::fineTuneScale() const {
    return params::lawValue(params::rowOf(kFineTune)->law, stored(kFineTune), 1.0);
}

float ParameterSet::displayValue(int logical) const {
    const Row* row = params::rowOf(logical);
    return row ? (float)params::displayValue(*row, stored(logical), fineTuneScale()) : 0.0f;
}

void ParameterSet::name(int hostIndex, char* text) const {
    const Row* row = params::rowOf(toLogical(hostIndex));
    copyText(text, row ? row->name : "-");
}

void ParameterSet::label(int hostIndex, char* text) const {
    const Row* row = params::rowOf(toLogical(hostIndex));
    copyText(text, row ? row->label : "-");
}

void ParameterSet::display(int hostIndex, char* text) const {
    const int logical = toLogical(hostIndex);
    const Row* row = params::rowOf(logical);
    text[0] = 0;
    if (!row) return;
    const double v = stored(logical);
    const params::TextSpec& t = row->text;
    switch (t.kind) {
        case params::TextKind::Empty: break;
        case params::TextKind::Dash: copyText(text, "-"); break;
        case params::TextKind::Number:
        case params::TextKind::Db: fixed(text, params::textNumber(*row, v, fineTuneScale()), t.decimals); break;
        case params::TextKind::MonoStereo:
            // While L R picks one channel the pair is neither mono nor stereo.
            if (params::lawPosition(params::rowOf(kLR)->law, stored(kLR)) != 0) {
                copyText(text, " L-R ");
                break;
            }
            [[fallthrough]];
        case params::TextKind::Choice: copyText(text, t.choices[params::lawPosition(row->law, v)]); break;
        case params::TextKind::Samples: {
            char buf[32];
            writeEightCharacters((double)(float)params::textNumber(*row, v, 1.0), buf);
            vst_strncpy(text, buf, 12);
            break;
        }
    }
}

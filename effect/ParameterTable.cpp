#include "effect/ParameterTable.h"

#include <cmath>

#include "dsp/Math.h"

namespace params {

namespace {

double limitToUnit(double v) {
    if (!(v > 0.0)) return 0.0;  // also a result that is not a number
    return v < 1.0 ? v : 1.0;
}

}  // namespace

double scaleValue(Scale scale, double k) {
    switch (scale) {
        case Scale::FineTune: return k;
        case Scale::RootFineTune: return std::sqrt(k);
        case Scale::One: break;
    }
    return 1.0;
}

double lawValue(const LawSpec& law, double v, double k) {
    switch (law.kind) {
        case Law::None: return 0.0;
        case Law::Switch: return roundSwitch(v);
        case Law::Selector3: return lawPosition(law, v);
        case Law::Routing: return 0.5 * lawPosition(law, v);
        case Law::Identity: return v;
        case Law::Percent: return v * 100.0;
        case Law::Db:
            // The root-scaled rows take the scale first, which rounds differently;
            // the shown values keep that order.
            if (law.scale == Scale::RootFineTune) return std::sqrt(k) * (v - 0.5) * law.a;
            return (v - 0.5) * law.a * scaleValue(law.scale, k);
        case Law::Exponential: return law.a * dsp::math::pow(law.b, v) + law.c;
        case Law::FloorPower: return dsp::math::pow(law.a, 1.0 - v);
        case Law::Linear: return law.a * v + law.b;
        case Law::HiddenTime: return v == 0.0 ? -1.0 : (v - 0.125) * 1000.0 / 0.875;
    }
    return 0.0;
}

int lawPosition(const LawSpec& law, double v) {
    switch (law.kind) {
        case Law::Selector3: {
            // Compared in single precision, as the value arrives.
            const float f = (float)v;
            return f < 0.3333333f ? 0 : (f < 0.6666667f ? 1 : 2);
        }
        case Law::Routing: return v < 0.333 ? 0 : (v < 0.66 ? 1 : 2);
        case Law::Switch:
        case Law::Identity: return v >= 0.5 ? 1 : 0;
        default: return 0;
    }
}

double toNormalised(const LawSpec& law, double x, double k) {
    if (std::isnan(x)) return 0.0;
    switch (law.kind) {
        case Law::None: return 0.0;
        case Law::Switch: return x >= 0.5 ? 1.0 : 0.0;
        case Law::Selector3: return limitToUnit(x / 2.0);
        case Law::Routing:
        case Law::Identity: return limitToUnit(x);
        case Law::Percent: return limitToUnit(x / 100.0);
        case Law::Db: {
            const double s = scaleValue(law.scale, k);
            return limitToUnit((law.a / 2.0 * s + x) / (law.a * s));
        }
        case Law::Exponential: {
            const double t = (x - law.c) / law.a;
            return t > 0.0 ? limitToUnit(dsp::math::log(t) / dsp::math::log(law.b)) : 0.0;
        }
        case Law::FloorPower: return x > 0.0 ? limitToUnit(1.0 - dsp::math::log(x) / dsp::math::log(law.a)) : 0.0;
        case Law::Linear: return limitToUnit((x - law.b) / law.a);
        case Law::HiddenTime: return x < 0.0 ? 0.0 : limitToUnit(0.125 + x * 0.875 / 1000.0);
    }
    return 0.0;
}

double dbGain(const LawSpec& law, double v, double k) {
    const double s = scaleValue(law.scale, k);
    return dsp::math::pow(dsp::math::pow(law.b, s), v) / dsp::math::pow(std::sqrt(law.b), s);
}

double textNumber(const Row& row, double v, double k) {
    const TextSpec& t = row.text;
    if (t.kind == TextKind::Db) return (v * t.span - t.span / 2.0) * scaleValue(t.scale, k);
    return lawValue(row.law, v, k) * t.factor;
}

}  // namespace params

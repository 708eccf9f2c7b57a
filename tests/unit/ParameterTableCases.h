// Cases for the parameter table and what the effect derives from it, run by
// the test programs of both editions (each includes this file once).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "effect/Emberline.h"
#include "effect/ParameterTable.h"
#include "tests/support/EffectSignals.h"
#include "tests/support/EmberlineTestAccess.h"
#include "tests/support/PrivateConfig.h"

namespace parameter_table_cases {

using namespace edition;
using params::Law;
using params::Row;

constexpr double kScales[] = {0.125, 0.25, 0.5, 1.0};

inline bool isContinuous(Law law) {
    return law == Law::Identity || law == Law::Percent || law == Law::Db || law == Law::Exponential ||
           law == Law::FloorPower || law == Law::Linear || law == Law::HiddenTime;
}

// The stored values a law is checked at (the hidden time has nothing between 0 and 0.125).
inline std::vector<double> gridFor(const Row& row) {
    std::vector<double> grid;
    for (int i = 0; i <= 64; ++i) {
        const double v = i / 64.0;
        if (row.law.kind == Law::HiddenTime && v > 0.0 && v < 0.125) continue;
        grid.push_back(v);
    }
    return grid;
}

inline std::vector<const Row*> rowsOfThisEdition() {
    std::vector<const Row*> rows;
    for (int logical = 0; logical < kNumLogical; ++logical)
        if (const Row* row = params::rowOf(logical); row && toHost(logical) >= 0) rows.push_back(row);
    return rows;
}

TEST(ParameterLaws, TypedValuesRoundTripForEveryContinuousParameter) {
    int checked = 0;
    for (const Row* row : rowsOfThisEdition()) {
        if (!isContinuous(row->law.kind)) continue;
        ++checked;
        for (double k : kScales)
            for (double v : gridFor(*row)) {
                const double shown = params::lawValue(row->law, v, k);
                EXPECT_NEAR(params::toNormalised(row->law, shown, k), v, 1e-12)
                    << row->name << " v " << v << " scale " << k;
            }
    }
    EXPECT_GE(checked, 20) << "every knob of the edition is continuous";
}

TEST(ParameterLaws, SwitchesAndSelectorsRoundTripToTheirPositions) {
    for (const Row* row : rowsOfThisEdition()) {
        const Law law = row->law.kind;
        if (law != Law::Switch && law != Law::Selector3 && law != Law::Routing) continue;
        for (double v : gridFor(*row)) {
            const double back = params::toNormalised(row->law, params::lawValue(row->law, v, 1.0), 1.0);
            EXPECT_EQ(params::lawPosition(row->law, back), params::lawPosition(row->law, v)) << row->name << " " << v;
        }
    }
}

TEST(ParameterLaws, TypedValuesOutsideTheRangeAreLimited) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Row* row : rowsOfThisEdition()) {
        if (!isContinuous(row->law.kind)) continue;
        for (double k : kScales) {
            const double top = params::lawValue(row->law, 1.0, k);
            const double bottom = params::lawValue(row->law, 0.0, k);
            EXPECT_EQ(params::toNormalised(row->law, top + std::fabs(top) + 1000.0, k), 1.0) << row->name;
            EXPECT_EQ(params::toNormalised(row->law, bottom - std::fabs(bottom) - 1000.0, k), 0.0) << row->name;
            EXPECT_EQ(params::toNormalised(row->law, nan, k), 0.0) << row->name;
        }
        // Times, frequencies and levels that are not positive give 0, not a logarithm's NaN.
        if (row->law.kind == Law::Exponential || row->law.kind == Law::FloorPower) {
            EXPECT_EQ(params::toNormalised(row->law, 0.0, 1.0), 0.0) << row->name;
            EXPECT_EQ(params::toNormalised(row->law, -3.0, 1.0), 0.0) << row->name;
        }
    }
}

TEST(ParameterLaws, DisplayValuesRiseWithTheStoredValue) {
    for (const Row* row : rowsOfThisEdition()) {
        if (!isContinuous(row->law.kind)) continue;
        for (double k : kScales) {
            const std::vector<double> grid = gridFor(*row);
            for (size_t i = 1; i < grid.size(); ++i)
                EXPECT_LT(params::lawValue(row->law, grid[i - 1], k), params::lawValue(row->law, grid[i], k))
                    << row->name << " at " << grid[i] << " scale " << k;
        }
    }
}

class EffectParameters : public ::testing::Test {
protected:
    void SetUp() override { effect = std::make_unique<Emberline>(host); }
    static vst::intptr host(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float) {
        return opcode == vst::audioMasterVersion ? 2400 : 0;
    }
    std::string text(int hostIndex) {
        char buf[64];
        effect->getParameterDisplay(hostIndex, buf);
        return buf;
    }
    // The engine quantities, in one list.
    std::vector<double> engineQuantities() {
        EmberlineTestAccess::applyPending(*effect);
        const dsp::EngineParams& p = EmberlineTestAccess::engine(*effect).params;
        std::vector<double> q = {(double)p.processOn, (double)p.multiBand, p.modeValue, (double)p.stereo,
                                 (double)p.routing, (double)p.linked, (double)p.fatActive,
                                 (double)p.longRelease, (double)p.autoRelease, (double)p.brickwallOn,
                                 p.driveGain, p.ceilingGain, p.outputGain, p.mixAmount, p.lowAdjustGain,
                                 p.highAdjustGain, p.speed, p.releaseValue, p.releaseScale,
                                 (double)p.kneeType, p.kneeAmount, p.highFreqHz, p.lowFreqHz,
                                 (double)p.meterSource, (double)p.meterTypePpm, p.vuIntegrationMs,
                                 p.vuReference, p.vuReferenceInverse, p.ppmIntegrationMs, p.ppmReturnMs,
                                 (double)p.ppmRatio, p.overThreshold};
        for (int b = 0; b < 3; ++b) {
            q.push_back(p.bandSatGain[b]);
            q.push_back(p.bandSatInverse[b]);
            q.push_back(p.bandReleaseScale[b]);
        }
        return q;
    }
    // Peak of the first output channel for n frames of a 1 kHz sine (0: silence).
    double runPeak(int n, double level) {
        return testing_support::peakOf(testing_support::runSine(*effect, n, level, phase));
    }

    testing_support::PrivateConfig config;
    std::unique_ptr<Emberline> effect;
    long phase = 0;
};

// Texts and engineering values come from the same law: each numeric text
// reads the value the editor shows (the band saturation texts its level in dB).
TEST_F(EffectParameters, ValueTextsReadTheDisplayValue) {
    int checked = 0;
    for (float fineTune : {0.0f, 0.34f, 1.0f}) {
        effect->setParameter(toHost(kFineTune), fineTune);
        for (const Row* row : rowsOfThisEdition()) {
            const params::TextKind kind = row->text.kind;
            if (kind != params::TextKind::Number && kind != params::TextKind::Db &&
                kind != params::TextKind::Samples)
                continue;
            const int h = toHost(row->logical);
            for (int i = 0; i <= 20; ++i) {
                effect->setParameter(h, i / 20.0f);
                const double shown = effect->getDisplayValue(h);
                const double read = std::strtod(text(h).c_str(), nullptr);
                const bool level = row->applied == params::Applied::BandSat;
                const double expected = level ? 20.0 * std::log10(shown) : shown * row->text.factor;
                const double tolerance =
                    level ? 0.13 : 0.5 * std::pow(10.0, -row->text.decimals) + 1e-4 * std::fabs(expected);
                EXPECT_NEAR(read, expected, tolerance) << row->name << " at " << i / 20.0 << ": " << text(h);
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, 3 * 21 * 20);
}

// What the editor does with a typed value: back to a normalised value with the
// current FineTune scale, set, and shown again as typed.
TEST_F(EffectParameters, TypedValuesAreShownAsTyped) {
    for (float fineTune : {0.0f, 0.34f, 0.67f, 1.0f}) {
        effect->setParameter(toHost(kFineTune), fineTune);
        const double k = effect->getDisplayValue(toHost(kFineTune));
        for (int logical = kDrive; logical <= kOutput; ++logical) {
            const Row* row = params::rowOf(logical);
            const int h = toHost(logical);
            const double low = params::lawValue(row->law, 0.0, k), high = params::lawValue(row->law, 1.0, k);
            for (int i = 1; i < 10; ++i) {
                const double typed = std::round((low + (high - low) * i / 10.0) * 100.0) / 100.0;
                effect->setParameter(h, (float)params::toNormalised(row->law, typed, k));
                EXPECT_NEAR(effect->getDisplayValue(h), typed, 1e-5 * std::max(1.0, std::fabs(typed)))
                    << row->name << " typed " << typed << " scale " << k;
            }
        }
    }
}

// Every parameter that sets an engine quantity changes one, and no two the
// same ones; those that set none leave them all alone.
TEST_F(EffectParameters, EachParameterReachesItsOwnQuantities) {
    std::vector<std::vector<size_t>> reached;
    for (const Row* row : rowsOfThisEdition()) {
        using params::Applied;
        // The FAT guards only ever switch oversampling off; ChannelMode and
        // FineTune act through other parameters.
        if (row->applied == Applied::FatGuard || row->applied == Applied::FatOff ||
            row->store == params::Store::ChannelPair || (row->work & params::kRescaleGains))
            continue;
        const int h = toHost(row->logical);
        effect->setParameter(h, 0.1f);
        const std::vector<double> before = engineQuantities();
        effect->setParameter(h, 0.9f);
        const std::vector<double> after = engineQuantities();
        std::vector<size_t> moved;
        for (size_t i = 0; i < before.size(); ++i)
            if (before[i] != after[i]) moved.push_back(i);
        if (row->applied == Applied::Nothing) {
            EXPECT_TRUE(moved.empty()) << row->name;
            continue;
        }
        EXPECT_FALSE(moved.empty()) << row->name;
        for (const std::vector<size_t>& other : reached) EXPECT_NE(moved, other) << row->name;
        reached.push_back(moved);
    }
    EXPECT_GE(reached.size(), 30u);
}

// Setting a parameter to the value it already has changes nothing but what
// its change asks for: only a full reset empties the delays at once, and a
// parameter that asks for no reset keeps the delayed signal. (A signal clear
// alone, Process, leaves the resampler path's short delays to the full reset.)
TEST_F(EffectParameters, OnlyAFullResetEmptiesTheDelays) {
    effect->setSampleRate(44100);
    effect->resume();
    int resetting = 0, keeping = 0;
    for (const Row* row : rowsOfThisEdition()) {
        if (row->work & params::kClearSignal) continue;
        const int h = toHost(row->logical);
        const float current = effect->getParameter(h);
        effect->setParameter(h, current);  // ChannelMode resets when its copy first moves
        ASSERT_GT(runPeak(3000, 0.5), 0.1);
        effect->setParameter(h, current);
        const double tail = runPeak(64, 0.0);
        if (row->work & params::kFullReset) {
            EXPECT_LT(tail, 1e-6) << row->name;
            ++resetting;
        } else {
            EXPECT_GT(tail, 0.1) << row->name;
            ++keeping;
        }
    }
    EXPECT_EQ(resetting, kSecond ? 1 : 0) << "FAT";
    EXPECT_GE(keeping, 35);
}

}  // namespace parameter_table_cases

// The effect object itself: construction, sample-rate handling, suspend and
// resume, parameter application and its hand-offs to the program store, the
// host and the editor.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "effect/Emberline.h"
#include "presets/SettingsStore.h"
#include "tests/support/EffectSignals.h"
#include "tests/support/EmberlineTestAccess.h"
#include "tests/support/PrivateConfig.h"

using namespace vst;

namespace {

struct Call {
    int32 opcode;
    int32 index;
    float opt;
};
std::vector<Call> gCalls;
intptr gPinAnswer = 0;

intptr recordingHost(AEffect*, int32 opcode, int32 index, intptr, void*, float opt) {
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterPinConnected) return gPinAnswer;
    gCalls.push_back({opcode, index, opt});
    return 1;
}

// An editor that records what the effect tells it.
struct RecordingEditor : CPresetSystemEditor, CEditorReadouts {
    using CPresetSystemEditor::CPresetSystemEditor;
    void setParameter(int32 index, float value) override { calls.push_back({index, value}); }
    void refreshLatencyReadouts() override { ++latencyRefreshes; }
    void restMeters() override { ++meterRests; }
    std::vector<std::pair<int32, float>> calls;
    int latencyRefreshes = 0;
    int meterRests = 0;
};

class Effect : public ::testing::Test {
protected:
    void SetUp() override {
        gCalls.clear();
        gPinAnswer = 0;
        effect = std::make_unique<Emberline>(recordingHost);
    }
    RecordingEditor* attachEditor() {
        auto* editor = new RecordingEditor(effect.get());
        delete effect->getEditor();
        effect->setEditor(editor, false);
        return editor;
    }
    // Runs n frames of a 1 kHz sine of the given peak (0: silence) through the
    // 64-bit entry and returns the first output channel.
    std::vector<double> run(int n, double level) { return testing_support::runSine(*effect, n, level, phase_); }
    void applyPending() { EmberlineTestAccess::applyPending(*effect); }
    const dsp::CEngine& engine() const { return EmberlineTestAccess::engine(*effect); }
    double peak(const std::vector<double>& x) { return testing_support::peakOf(x); }

    testing_support::PrivateConfig config;
    std::unique_ptr<Emberline> effect;
    long phase_ = 0;
};

TEST_F(Effect, ConstructionLeavesItSuspendedWithTheLatencyReported) {
    EXPECT_TRUE(EmberlineTestAccess::isStateCleared(*effect));
    EXPECT_EQ(effect->getAeffect()->initialDelay, 639);
    EXPECT_EQ(effect->getLatencySamples(), 639.0f);
    EXPECT_NEAR(effect->getLatencyMs(), 639.0 * 1000.0 / 44100.0, 1e-3);
    EXPECT_EQ(effect->knobModeChanged.load(), 1);
    EXPECT_EQ(effect->getProgram(), 0);
    char name[32];
    effect->getProgramName(name);
    EXPECT_STREQ(name, "Current");
    // Selecting program 0 reported every parameter to the host: begin edit,
    // the value read back, the value applied, end edit; then a display update.
    std::vector<Call> perParameter;
    for (const Call& c : gCalls)
        if (c.opcode != audioMasterUpdateDisplay) perParameter.push_back(c);
    ASSERT_EQ(perParameter.size(), 42u * 4);
    for (int k = 0; k < 42; ++k) {
        EXPECT_EQ(perParameter[4 * k].opcode, audioMasterBeginEdit);
        EXPECT_EQ(perParameter[4 * k + 1].opcode, audioMasterAutomate);
        EXPECT_EQ(perParameter[4 * k + 2].opcode, audioMasterAutomate);
        EXPECT_EQ(perParameter[4 * k + 3].opcode, audioMasterEndEdit);
        for (int j = 0; j < 4; ++j) EXPECT_EQ(perParameter[4 * k + j].index, k);
        EXPECT_EQ(perParameter[4 * k + 1].opt, effect->getParameter(k));
    }
    EXPECT_EQ(gCalls.back().opcode, audioMasterUpdateDisplay);
}

TEST_F(Effect, SampleRatesChooseRingsAndLatency) {
    struct Case {
        float rate;
        int latency, s1, s2;
    } cases[] = {{44100, 639, 256, 512},   {48000, 639, 256, 512},   {88200, 1151, 512, 1024},
                 {96000, 1151, 512, 1024}, {176400, 2175, 1024, 2048}, {192000, 2175, 1024, 2048},
                 {8000, 639, 256, 512},    {400000, 2175, 1024, 2048}};
    for (const Case& c : cases) {
        effect->setSampleRate(c.rate);
        effect->resume();
        EXPECT_EQ(effect->getAeffect()->initialDelay, c.latency) << c.rate;
        EXPECT_EQ(engine().lookAheadSize(), c.s1) << c.rate;
        EXPECT_EQ(engine().delaySize(), c.s2) << c.rate;
        effect->suspend();
    }
    // Limited at the ends of the range, not replaced.
    effect->setSampleRate(8000);
    EXPECT_EQ(effect->getSampleRate(), 22050.0f);
    effect->setSampleRate(400000);
    EXPECT_EQ(effect->getSampleRate(), 192000.0f);
}

TEST_F(Effect, FatStaysOffAboveOneHundredKilohertz) {
    effect->setParameter(26, 1.0f);
    applyPending();
    EXPECT_EQ(engine().params.fatActive, 1);
    EXPECT_EQ(effect->getDisplayValue(26), 1.0f);
    effect->setSampleRate(176400);
    effect->resume();
    EXPECT_EQ(engine().params.fatActive, 0);
    EXPECT_EQ(effect->getParameter(26), 1.0f) << "the stored value stays";
    EXPECT_EQ(effect->getDisplayValue(26), 0.0f);
    effect->setParameter(26, 1.0f);
    applyPending();
    EXPECT_EQ(engine().params.fatActive, 0);
    effect->setSampleRate(96000);
    effect->resume();
    EXPECT_EQ(engine().params.fatActive, 1) << "the stored switch comes back at a lower rate";
}

TEST_F(Effect, ResumeWithoutSuspendStillClearsTheEngine) {
    effect->setSampleRate(48000);
    effect->resume();
    run(4000, 0.5);
    std::vector<double> tail = run(64, 0.0);
    EXPECT_GT(peak(tail), 0.1) << "the delayed signal is still in the rings";
    effect->resume();  // no suspend first
    EXPECT_LT(peak(run(2000, 0.0)), 1e-6);
}

TEST_F(Effect, SuspendRestsTheMetersAndAsksForTheKnobMode) {
    RecordingEditor* editor = attachEditor();
    effect->knobModeChanged = 0;
    effect->suspend();
    EXPECT_EQ(effect->knobModeChanged.load(), 1);
    EXPECT_GE(editor->meterRests, 1);
    EXPECT_GE(editor->latencyRefreshes, 1);
    bool knobModeReported = false;
    for (auto& c : editor->calls) knobModeReported |= c.first == 48;
    EXPECT_TRUE(knobModeReported);
}

TEST_F(Effect, FineTuneReappliesTheFiveScaledGains) {
    RecordingEditor* editor = attachEditor();
    effect->setParameter(4, 1.0f);
    editor->calls.clear();
    effect->setParameter(24, 0.2f);
    ASSERT_EQ(editor->calls.size(), 6u);
    const int order[] = {13, 4, 8, 9, 14, 24};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(editor->calls[i].first, order[i]);
    EXPECT_FLOAT_EQ(effect->getParameter(24), 1.0f / 3.0f);
    applyPending();
    EXPECT_NEAR(effect->getDisplayValue(24), 0.25, 1e-6);
    EXPECT_NEAR(engine().params.driveGain, 2.0, 1e-12);
    char text[32];
    effect->getParameterDisplay(4, text);
    EXPECT_STREQ(text, "6.00");
}

TEST_F(Effect, DerivedQuantitiesFollowTheirParameters) {
    auto& p = engine().params;
    effect->setParameter(5, 0.25f);
    applyPending();
    EXPECT_EQ(p.kneeType, 1);
    EXPECT_EQ(p.kneeAmount, 0.0);
    effect->setParameter(5, 0.2499f);
    applyPending();
    EXPECT_EQ(p.kneeType, 0);
    EXPECT_NEAR(p.kneeAmount, 0.9996, 1e-6);
    effect->setParameter(21, 1.0f);
    applyPending();
    EXPECT_EQ(p.meterSource, 2);
    effect->setParameter(21, 0.66f);
    applyPending();
    EXPECT_EQ(p.meterSource, 1);
    effect->setParameter(13, 1.0f);
    effect->setParameter(14, 0.0f);
    effect->setParameter(11, 0.0f);
    effect->setParameter(18, 1.0f);
    effect->setParameter(15, 0.0f);
    applyPending();
    EXPECT_NEAR(p.ceilingGain, 4.0, 1e-12);
    EXPECT_NEAR(p.outputGain, 0.25, 1e-12);
    EXPECT_NEAR(p.lowFreqHz, 12.5, 1e-12) << "the filter uses half the shown frequency";
    EXPECT_NEAR(p.bandReleaseScale[0], 16.0, 1e-12);
    EXPECT_NEAR(p.bandSatGain[0], 0.25, 1e-12);
    EXPECT_NEAR(p.bandSatInverse[0], 4.0, 1e-12);
    // A switch at exactly one half is on.
    effect->setParameter(1, 0.5f);
    effect->setParameter(3, 0.5f);
    applyPending();
    EXPECT_EQ(p.multiBand, 1);
    EXPECT_EQ(p.linked, 1);
}

TEST_F(Effect, ChannelModeResetsOnlyWhenItsHundredthsChange) {
    effect->setSampleRate(44100);
    effect->resume();
    effect->setParameter(57, 0.60f);
    run(3000, 0.5);
    effect->setParameter(57, 0.601f);
    EXPECT_GT(peak(run(64, 0.0)), 0.1) << "0.601 after 0.60: no reset";
    run(3000, 0.5);
    effect->setParameter(57, 0.61f);
    EXPECT_LT(peak(run(64, 0.0)), 1e-6) << "0.61 after 0.601: reset";
    EXPECT_EQ(effect->getParameter(2), 0.0f);
    EXPECT_EQ(effect->getParameter(30), 1.0f);
}

// Whatever is switched through the parameter setter, the output keeps the
// reported latency: each switch brings its recomputations with it.
TEST_F(Effect, SwitchingDuringPlaybackKeepsTheLatency) {
    for (float rate : {44100.0f, 96000.0f}) {
        effect->setSampleRate(rate);
        effect->resume();
        const int latency = effect->getAeffect()->initialDelay;
        const struct {
            int index;
            float value;
        } steps[] = {{1, 1.0f}, {26, 1.0f}, {6, 0.0f}, {1, 0.0f}, {27, 1.0f}, {26, 0.0f},
                     {57, 0.3f}, {1, 1.0f}, {57, 1.0f}, {3, 0.0f}, {0, 0.0f}, {26, 1.0f}};
        for (const auto& step : steps) {
            effect->setParameter(step.index, step.value);
            run(3000, 0.0);
            const int n = 4096;
            std::vector<double> l(n, 0.0), r(n, 0.0), ol(n), orr(n);
            l[100] = r[100] = 0.25;
            double* in[2] = {l.data(), r.data()};
            double* out[2] = {ol.data(), orr.data()};
            effect->processDoubleReplacing(in, out, n);
            int at = 0;
            for (int i = 0; i < n; ++i)
                if (std::fabs(ol[i]) > std::fabs(ol[at])) at = i;
            EXPECT_EQ(at - 100, latency)
                << "after setting " << step.index << " to " << step.value << " at " << rate << " Hz";
        }
        effect->setParameter(0, 1.0f);
        effect->setParameter(26, 0.0f);
        effect->setParameter(1, 0.0f);
        effect->suspend();
    }
}

TEST_F(Effect, GlobalParametersSurviveProgramChanges) {
    effect->selectProgram(5);
    effect->setParameter(0, 0.0f);   // Process: global
    effect->setParameter(26, 1.0f);  // FAT: global
    effect->setParameter(4, 0.9f);   // Drive: belongs to program 5
    effect->selectProgram(12);
    EXPECT_EQ(effect->getParameter(0), 0.0f);
    EXPECT_EQ(effect->getParameter(26), 1.0f);
    EXPECT_NE(effect->getParameter(4), 0.9f);
    effect->selectProgram(5);
    EXPECT_EQ(effect->getParameter(4), 0.9f);
    EXPECT_EQ(effect->getParameter(0), 0.0f);
    // Program 0 mirrors the selected program.
    EXPECT_EQ(effect->getProgramObject(0)->getValue(4), 0.9f);
    EXPECT_STREQ(effect->getProgramObject(0)->name(), effect->getProgramObject(5)->name());
}

TEST_F(Effect, SettingsAreWrittenAtDestructionAndReadByTheNextInstance) {
    effect.reset();
    {
        Emberline first(recordingHost);
        // Never changed: all six are written all the same.
    }
    presets::SettingsKey key("SOFTWARE\\Zevsound\\Emberline20");
    presets::StoreValues values;
    ASSERT_TRUE(key.read(values));
    for (int id = 43; id <= 48; ++id) {
        float v = -1;
        EXPECT_TRUE(presets::storeValueAsFloat(values, presets::settingValueName(2, id), v)) << id;
    }
    {
        Emberline second(recordingHost);
        second.setParameter(43, 0.8f);
        second.setParameter(47, 0.3f);
        second.setParameter(48, 0.1f);
    }
    Emberline third(recordingHost);
    EXPECT_FLOAT_EQ(third.getParameter(43), 0.8f);
    EXPECT_FLOAT_EQ(third.getParameter(47), 3.0f / 9.0f);
    EXPECT_FLOAT_EQ(third.getParameter(48), 0.1f);
}

TEST_F(Effect, MemoSlotsCarryValuesBetweenInstances) {
    effect->setParameter(4, 0.8f);
    effect->setParameter(12, 0.3f);
    ASSERT_TRUE(effect->storeMemoA());
    Emberline other(recordingHost);
    EXPECT_NE(other.getParameter(4), 0.8f);
    ASSERT_TRUE(other.recallMemoA());
    EXPECT_EQ(other.getParameter(4), 0.8f);
    EXPECT_EQ(other.getParameter(12), 0.3f);
    EXPECT_FALSE(other.recallMemoB()) << "slot B was never stored";
}

TEST_F(Effect, ProcessCallsWithoutFramesOrBuffersDoNothing) {
    effect->setSampleRate(44100);
    effect->resume();
    effect->processReplacing(nullptr, nullptr, 64);
    float l[4] = {1, 1, 1, 1};
    float* ins[2] = {l, nullptr};
    float o[4] = {7, 7, 7, 7};
    float* outs[2] = {o, nullptr};
    effect->processReplacing(ins, outs, 0);
    EXPECT_EQ(o[0], 7.0f);
    // A missing second channel falls back on the first.
    effect->processReplacing(ins, outs, 4);
    for (float v : o) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace

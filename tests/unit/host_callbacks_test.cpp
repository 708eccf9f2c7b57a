// The host callbacks the interface base makes, with and without a host.
#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <vector>

#include "host/AudioEffect.h"

using namespace vst;

namespace {

struct Seen {
    AEffect* effect;
    int32 opcode, index;
    intptr value;
    float opt;
};
std::vector<Seen> gSeen;
intptr gAnswer = 0;

intptr host(AEffect* effect, int32 opcode, int32 index, intptr value, void*, float opt) {
    gSeen.push_back({effect, opcode, index, value, opt});
    return gAnswer;
}

struct Probe : AudioEffectX {
    using AudioEffectX::AudioEffectX;
    void setParameter(int32 index, float value) override { set.push_back({index, value}); }
    std::vector<std::pair<int32, float>> set;
};

TEST(HostCallbacks, WithoutAHostEveryOperationHasItsAnswer) {
    Probe effect(nullptr, 1, 4);
    EXPECT_TRUE(effect.isInputConnected(1));
    EXPECT_TRUE(effect.isOutputConnected(1));
    EXPECT_FALSE(effect.beginEdit(2));
    EXPECT_FALSE(effect.endEdit(2));
    EXPECT_FALSE(effect.updateDisplay());
    EXPECT_FALSE(effect.ioChanged());
    EXPECT_EQ(effect.getMasterVersion(), 1);
    effect.setParameterAutomated(3, 0.25f);
    ASSERT_EQ(effect.set.size(), 1u) << "the value is still applied";
    EXPECT_EQ(effect.set[0].first, 3);
    EXPECT_EQ(effect.set[0].second, 0.25f);
}

TEST(HostCallbacks, WithAHostTheRecordGoesFirstAndTheAnswerCounts) {
    gSeen.clear();
    gAnswer = 0;
    Probe effect(host, 1, 4);
    EXPECT_TRUE(effect.isInputConnected(1)) << "0 from the host means connected";
    EXPECT_FALSE(effect.beginEdit(2)) << "0 from the host means not handled";
    gAnswer = 1;
    EXPECT_FALSE(effect.isOutputConnected(1));
    EXPECT_TRUE(effect.beginEdit(2));
    EXPECT_TRUE(effect.endEdit(2));
    EXPECT_TRUE(effect.updateDisplay());
    ASSERT_EQ(gSeen.size(), 6u);
    EXPECT_EQ(gSeen[0].opcode, audioMasterPinConnected);
    EXPECT_EQ(gSeen[0].index, 1);
    EXPECT_EQ(gSeen[0].value, 0) << "input";
    EXPECT_EQ(gSeen[2].opcode, audioMasterPinConnected);
    EXPECT_EQ(gSeen[2].value, 1) << "output";
    EXPECT_EQ(gSeen[3].opcode, audioMasterBeginEdit);
    EXPECT_EQ(gSeen[4].opcode, audioMasterEndEdit);
    EXPECT_EQ(gSeen[5].opcode, audioMasterUpdateDisplay);
    for (const Seen& s : gSeen) EXPECT_EQ(s.effect, effect.getAeffect());

    gSeen.clear();
    effect.setParameterAutomated(1, 0.75f);
    ASSERT_EQ(effect.set.size(), 1u);
    ASSERT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(gSeen[0].opcode, audioMasterAutomate);
    EXPECT_EQ(gSeen[0].index, 1);
    EXPECT_EQ(gSeen[0].opt, 0.75f);
}

}  // namespace

namespace {

struct KeyEditor : AEffEditor {
    using AEffEditor::AEffEditor;
    bool onKeyDown(VstKeyCode& key) override {
        keys.push_back(key);
        return true;
    }
    bool onKeyUp(VstKeyCode& key) override { return onKeyDown(key); }
    std::vector<VstKeyCode> keys;
};

}  // namespace

TEST(HostCallbacks, KeysCarryOnlyModifierBytesTheHostCanMean) {
    Probe effect(host, 1, 4);
    auto* editor = new KeyEditor(&effect);
    effect.setEditor(editor);
    AEffect* e = effect.getAeffect();
    const float opts[] = {8.0f, 0.0f, 255.0f, -3.0f, 256.0f, 1e10f, -1e10f,
                          std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity()};
    const int expected[] = {8, 0, 255, 0, 0, 0, 0, 0, 0, 0};
    for (float opt : opts) {
        EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 'a', 0x1ff, nullptr, opt), 1);
        EXPECT_EQ(e->dispatcher(e, effEditKeyUp, 'a', 3, nullptr, opt), 1);
    }
    ASSERT_EQ(editor->keys.size(), 2 * std::size(opts));
    for (size_t i = 0; i < std::size(opts); ++i) {
        EXPECT_EQ(editor->keys[2 * i].modifier, expected[i]) << opts[i];
        EXPECT_EQ(editor->keys[2 * i].virt, 0xff);
        EXPECT_EQ(editor->keys[2 * i].character, 'a');
        EXPECT_EQ(editor->keys[2 * i + 1].modifier, expected[i]) << opts[i];
    }
}

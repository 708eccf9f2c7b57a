// Memo slots and user settings through whichever settings store the
// platform has (text files on POSIX systems, the registry on Windows).
#include <cmath>
#include <limits>
#include <string>

#include "presets/FactoryPrograms.h"
#include "presets/SettingsStore.h"
#include "tests/unit/presets_support.h"

using namespace presets_test;

namespace {

class MemoSlotsTest : public ConfigDirTest {};

}  // namespace

TEST_F(MemoSlotsTest, MemoStoredInOneInstanceRecalledInAnother) {
    {
        TestEffect a;
        a.selectProgram(21);
        a.setParameter(4, 0.3f);
        a.setParameter(17, 0.9f);
        ASSERT_TRUE(a.storeMemoB());
        a.setParameter(4, 0.7f);
        ASSERT_TRUE(a.storeMemoA());
    }
    TestEffect b;
    b.selectProgram(5);
    hostCalls().clear();
    ASSERT_TRUE(b.recallMemoB());
    const presets::FactoryProgram& f21 = presets::factoryPrograms(2)[21];
    for (int k = 0; k < 42; ++k) {
        float want = k == 4 ? 0.3f : k == 17 ? 0.9f : (float)f21.values[k];
        EXPECT_EQ(b.stored[k], want) << k;
        EXPECT_EQ(b.getProgramObject(5)->getValue(k), want) << k;
        EXPECT_EQ(b.getProgramObject(0)->getValue(k), want) << k;
    }
    EXPECT_EQ(nameOf(b.getProgramObject(5)), "HeavyRythmGuitar Trk");
    EXPECT_EQ(nameOf(b.getProgramObject(0)), "HeavyRythmGuitar Trk");
    EXPECT_EQ(nameOf(b.getProgramObject(21)), "HeavyRythmGuitar Trk");
    EXPECT_EQ(b.getProgramObject(6)->getValue(4), (float)presets::factoryPrograms(2)[6].values[4]);
    // One automation report per parameter, then the display update.
    ASSERT_EQ(hostCalls().size(), 43u);
    for (int k = 0; k < 42; ++k) {
        EXPECT_EQ(hostCalls()[k].opcode, vst::audioMasterAutomate);
        EXPECT_EQ(hostCalls()[k].index, k);
    }
    EXPECT_EQ(hostCalls()[42].opcode, vst::audioMasterUpdateDisplay);

    ASSERT_TRUE(b.recallMemoA());
    EXPECT_EQ(b.stored[4], 0.7f);
}

TEST_F(MemoSlotsTest, RecallOfAnEmptySlotChangesNothing) {
    TestEffect fx;
    fx.selectProgram(9);
    hostCalls().clear();
    fx.setterCalls = 0;
    EXPECT_FALSE(fx.recallMemoB());
    EXPECT_FALSE(fx.recallMemoA());
    EXPECT_EQ(fx.setterCalls, 0);
    EXPECT_TRUE(hostCalls().empty());
    EXPECT_EQ(nameOf(fx.getProgramObject(0)), "Mix Finalize 2");
}

TEST_F(MemoSlotsTest, SettingsWrittenAtDestructionReadByTheNextInstance) {
    {
        SettingsEffect first;  // no product key yet
        for (int id = 43; id <= 48; ++id) EXPECT_EQ(first.stored[id], 0.5f) << id;
        first.stored[43] = 0.1f;
        first.stored[44] = 0.2f;
        first.stored[45] = 0.3f;
        first.stored[46] = 0.4f;
        first.stored[47] = 2.0f / 9.0f;
        first.stored[48] = 0.0f;
    }
    SettingsEffect second;
    EXPECT_EQ(second.stored[43], 0.1f);
    EXPECT_EQ(second.stored[44], 0.2f);
    EXPECT_EQ(second.stored[45], 0.3f);
    EXPECT_EQ(second.stored[46], 0.4f);
    EXPECT_EQ(second.stored[47], 2.0f / 9.0f);
    EXPECT_EQ(second.stored[48], 0.0f);
    // Settings never reach the programs.
    EXPECT_EQ(second.getProgramObject(0)->getValue(43), -1.0f);

    // The plain functions: other ids, the other edition's ids, bad values.
    EXPECT_FALSE(presets::saveSetting(42, 0.9f));
    EXPECT_FALSE(presets::saveSetting(49, 0.9f));
    EXPECT_EQ(presets::loadSetting(42), 0.5f);
    EXPECT_EQ(presets::loadSetting(49, 0.7f), 0.7f);
    EXPECT_TRUE(presets::saveSetting(46, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(presets::loadSetting(46), 0.5f);
    EXPECT_EQ(presets::loadSetting(43), 0.1f);
    // Both editions share the values under their own ids.
    EXPECT_TRUE(presets::saveSettingForEdition(1, 52, 0.8f));
    EXPECT_EQ(presets::loadSetting(46), 0.8f);
    EXPECT_EQ(presets::loadSettingForEdition(1, 49), 0.1f);
}


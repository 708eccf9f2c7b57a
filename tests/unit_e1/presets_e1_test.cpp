// The preset system built as the first edition: 48 values per program, its
// own global parameters and factory table, and the store shared with the
// second edition.
#include <string>

#include "presets/FactoryPrograms.h"
#include "presets/PresetFiles.h"
#include "presets/SettingsStore.h"
#include "tests/unit/presets_support.h"

using namespace presets_test;

namespace {


float fileValue(float base, int j, int k) { return base + 0.0005f * (float)(j * 50 + k); }


class Edition1Test : public ConfigDirTest {};

const char kDisk[4] = {'L', 'M', 'E', 'Z'};

}  // namespace

TEST(PresetsEdition1, ProgramsAndFactoryTable) {
    static_assert(kNumProgramValues == 48);
    static_assert(kEdition == 1);
    CProgram p;
    EXPECT_EQ(p.getValue(28), 1.0f);  // FineTune
    EXPECT_EQ(p.getValue(34), 1.0f);  // Brickwall
    EXPECT_EQ(p.getValue(29), 0.0f);
    p.setValue(47, 0.5f);
    EXPECT_EQ(p.getValue(47), 0.5f);
    p.setValue(48, 0.5f);
    EXPECT_EQ(p.getValue(48), -1.0f);

    TestEffect fx;
    const presets::FactoryProgram* table = presets::factoryPrograms(1);
    for (int q = 0; q < 31; ++q)
        for (int k = 0; k < 48; ++k) EXPECT_EQ(fx.getProgramObject(q)->getValue(k), (float)table[q].values[k]);
    EXPECT_EQ(fx.getProgramObject(10)->getValue(18), 1.0f);
    EXPECT_EQ(fx.getProgramObject(10)->getValue(20), 0.0f);
    EXPECT_EQ(fx.getAeffect()->numPrograms, 1);
}

TEST(PresetsEdition1, SelectionAndGlobals) {
    TestEffect fx;
    hostCalls().clear();
    fx.selectProgram(12);
    EXPECT_EQ(hostCalls().size(), 48u * 4 + 1);
    EXPECT_EQ(hostCalls()[47 * 4].index, 47);
    fx.setParameter(35, 1.0f);  // MeterScale: global here
    fx.setParameter(26, 1.0f);  // a placeholder: per program
    fx.setParameter(47, 0.25f);
    for (int q = 0; q < 31; ++q) EXPECT_EQ(fx.getProgramObject(q)->getValue(35), 1.0f);
    EXPECT_EQ(fx.getProgramObject(3)->getValue(26), 0.0f);
    EXPECT_EQ(fx.getProgramObject(12)->getValue(47), 0.25f);
    EXPECT_EQ(fx.getProgramObject(0)->getValue(47), 0.25f);
    fx.selectProgram(3);
    EXPECT_EQ(fx.stored[35], 1.0f);
    EXPECT_EQ(fx.stored[47], 0.0f);
}

TEST_F(Edition1Test, FilesInBothLayouts) {
    TestEffect a;
    a.selectProgram(11);
    a.setParameter(47, 0.75f);
    a.renameCurrentProgram("First edition");
    std::string pf = path("e1.zev"), bf = path("e1.zvb");
    ASSERT_TRUE(a.savePresetFile(pf.c_str()).ok);
    ASSERT_TRUE(a.saveBankFile(bf.c_str()).ok);
    EXPECT_EQ(readBytes(pf).size(), 221u);
    EXPECT_EQ(readBytes(bf).size(), 6701u);

    TestEffect b;
    ASSERT_TRUE(b.loadBankFile(bf.c_str()).ok);
    for (int q = 0; q < 31; ++q) {
        EXPECT_EQ(nameOf(b.getProgramObject(q)), nameOf(a.getProgramObject(q)));
        for (int k = 0; k < 48; ++k) EXPECT_EQ(b.getProgramObject(q)->getValue(k), a.getProgramObject(q)->getValue(k));
    }
    EXPECT_EQ(b.stored[47], 0.75f);  // program 0 mirrored program 11

    // A second-edition preset (197 bytes) is read with this edition's layout as
    // far as it goes: 42 values, 42..47 keep theirs.
    auto e2 = makeFile(kDisk, presets::kPresetKind, {"From E2"}, 42, 0.1f);
    ASSERT_EQ(e2.size(), 197u);
    writeBytes(pf, e2);
    TestEffect c;
    c.selectProgram(4);
    c.setParameter(45, 0.9f);
    ASSERT_TRUE(c.loadPresetFile(pf.c_str()).ok);
    EXPECT_EQ(nameOf(c.getProgramObject(4)), "From E2");
    EXPECT_EQ(c.getProgramObject(4)->getValue(41), fileValue(0.1f, 0, 41));
    EXPECT_EQ(c.getProgramObject(4)->getValue(45), 0.9f);

    // Legacy layouts are shared by both editions.
    auto legacy = makeFile(kDisk, presets::kPresetKind, {"Old"}, 30, 0.2f);
    writeBytes(pf, legacy);
    ASSERT_TRUE(c.loadPresetFile(pf.c_str()).ok);
    EXPECT_EQ(c.getProgramObject(4)->getValue(29), fileValue(0.2f, 0, 29));
    EXPECT_EQ(c.getProgramObject(4)->getValue(30), fileValue(0.1f, 0, 30));
    EXPECT_EQ(c.getProgramObject(4)->getValue(45), 0.9f);

    writeBytes(bf, makeFile(kDisk, presets::kPresetKind, {"x"}, 48, 0.1f));
    EXPECT_STREQ(c.loadBankFile(bf.c_str()).error, "Not a bank file!");
}

TEST_F(Edition1Test, SharesMemoSlotsAndSettingsWithTheSecondEdition) {
    // A slot as the second edition leaves it: 42 values.
    presets::StoreValues slot;
    for (int k = 0; k < 42; ++k) slot[presets::memoValueName(k)] = presets::StoreValue::binaryFloat(0.25f);
    slot["name"] = presets::StoreValue::string("Stored by E2");
    ASSERT_TRUE(presets::SettingsKey(presets::kMemoAKey).write(slot));

    TestEffect fx;
    fx.selectProgram(2);
    fx.setParameter(44, 0.6f);
    hostCalls().clear();
    ASSERT_TRUE(fx.recallMemoA());
    EXPECT_EQ(fx.stored[41], 0.25f);
    EXPECT_EQ(fx.stored[44], 0.6f);  // not in the slot: kept
    EXPECT_EQ(fx.getProgramObject(2)->getValue(44), 0.6f);
    EXPECT_EQ(nameOf(fx.getProgramObject(0)), "Stored by E2");
    EXPECT_EQ(hostCalls().size(), 43u);

    // This edition stores 48 values into the same slot.
    fx.setParameter(47, 0.125f);
    ASSERT_TRUE(fx.storeMemoA());
    presets::StoreValues back;
    ASSERT_TRUE(presets::SettingsKey(presets::kMemoAKey).read(back));
    float v = 0;
    ASSERT_TRUE(presets::storeValueAsFloat(back, "param 47", v));
    EXPECT_EQ(v, 0.125f);
    EXPECT_EQ(back.size(), 49u);

    // Settings: ids 49..54 here, the same values as 43..48 there.
    ASSERT_TRUE(presets::saveSettingForEdition(2, 43, 0.3f));
    ASSERT_TRUE(presets::saveSettingForEdition(2, 48, 0.0f));
    {
        SettingsEffect e;
        EXPECT_EQ(e.stored[49], 0.3f);
        EXPECT_EQ(e.stored[54], 0.0f);
        EXPECT_EQ(e.stored[50], 0.5f);
        e.stored[51] = 0.7f;
    }
    EXPECT_EQ(presets::loadSettingForEdition(2, 45), 0.7f);
    EXPECT_EQ(presets::loadSetting(51), 0.7f);
    EXPECT_EQ(presets::loadSetting(45, 0.1f), 0.1f);  // not an id of this edition
}

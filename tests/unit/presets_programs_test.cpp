// Program store of the second edition: programs, factory tables, selection,
// the global rule and renames.
#include <cstring>
#include <limits>
#include <string>

#include "presets/FactoryPrograms.h"
#include "tests/unit/presets_support.h"

using namespace presets_test;

namespace {


void expectMirror(TestEffect& fx) {
    const CProgram* sel = fx.getProgramObject(fx.getCurrentProgramIndex());
    const CProgram* zero = fx.getProgramObject(0);
    for (int k = 0; k < kNumProgramValues; ++k) EXPECT_EQ(sel->getValue(k), zero->getValue(k)) << k;
    EXPECT_EQ(nameOf(sel), nameOf(zero));
}

}  // namespace

TEST(PresetsProgram, NameValueAndIndexRules) {
    static_assert(kNumProgramValues == 42);
    CProgram p;
    EXPECT_EQ(nameOf(&p), "init");
    EXPECT_FLOAT_EQ(p.getValue(4), 0.5f);   // Default's Drive
    EXPECT_FLOAT_EQ(p.getValue(29), 1.0f);  // Default's Brickwall

    p.setName("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(nameOf(&p), "abcdefghijklmnopqrstuvwx");
    p.setName("short");
    EXPECT_EQ(nameOf(&p), "short");  // the longer name left nothing behind
    p.setName(nullptr);
    EXPECT_EQ(nameOf(&p), "");

    p.setValue(3, 1.7f);
    EXPECT_EQ(p.getValue(3), 1.0f);
    p.setValue(3, -0.2f);
    EXPECT_EQ(p.getValue(3), 0.0f);
    p.setValue(3, 0.3f);
    p.setValue(3, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(p.getValue(3), 0.3f);
    p.setValue(3, std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.getValue(3), 1.0f);

    p.setValue(42, 0.5f);
    p.setValue(-1, 0.5f);
    EXPECT_EQ(p.getValue(42), -1.0f);
    EXPECT_EQ(p.getValue(-1), -1.0f);
    EXPECT_EQ(p.getValue(41), 0.0f);
}

TEST(PresetsFactory, BothEditionsTables) {
    ASSERT_EQ(presets::numFactoryPrograms(), 31);
    EXPECT_EQ(presets::programValueCount(2), 42);
    EXPECT_EQ(presets::programValueCount(1), 48);
    EXPECT_EQ(presets::factoryPrograms(3), nullptr);
    const presets::FactoryProgram* e2 = presets::factoryPrograms(2);
    const presets::FactoryProgram* e1 = presets::factoryPrograms(1);
    ASSERT_TRUE(e2 && e1);

    EXPECT_STREQ(e2[0].name, "Current");
    EXPECT_STREQ(e2[1].name, "Default");
    EXPECT_STREQ(e2[14].name, "MultiBandLimiter Slow");
    EXPECT_STREQ(e2[30].name, "Track Tape Fast");
    for (int p = 0; p < 31; ++p) {
        EXPECT_STREQ(e1[p].name, e2[p].name);
        // Columns equal in every row.
        EXPECT_EQ(e2[p].values[0], 1);
        EXPECT_EQ(e2[p].values[2], 1);
        EXPECT_EQ(e2[p].values[12], 1);
        EXPECT_EQ(e2[p].values[19], 0.5);
        EXPECT_EQ(e2[p].values[21], 0.5);
        EXPECT_EQ(e2[p].values[24], 1);
        EXPECT_EQ(e2[p].values[29], 1);
        for (int k : {22, 23, 25, 26, 27, 28, 30, 31, 41}) EXPECT_EQ(e2[p].values[k], 0) << p << " " << k;
        // First edition: the same 0..21 except LowRel/HighRel of 8..13, its
        // own layout above.
        for (int k = 0; k <= 21; ++k) {
            if (p >= 8 && p <= 13 && (k == 18 || k == 20)) continue;
            EXPECT_EQ(e1[p].values[k], e2[p].values[k]) << p << " " << k;
        }
        EXPECT_EQ(e1[p].values[28], 1);
        EXPECT_EQ(e1[p].values[34], 1);
        for (int k = 22; k < 48; ++k)
            if (k != 28 && k != 34) {
                EXPECT_EQ(e1[p].values[k], 0) << p << " " << k;
            }
    }
    // Spot checks against the stored-value table.
    EXPECT_EQ(e2[2].values[4], 0.535);
    EXPECT_EQ(e2[2].values[14], 0.4984);
    EXPECT_EQ(e2[19].values[13], 0.3);
    EXPECT_EQ(e2[19].values[6], 0.472);
    EXPECT_EQ(e2[24].values[11], 0.85);
    EXPECT_EQ(e2[26].values[5], 0.082);
    EXPECT_EQ(e2[29].values[3], 1);
    EXPECT_EQ(e2[28].values[3], 0);
    EXPECT_EQ(e2[10].values[18], 0.75);
    EXPECT_EQ(e2[10].values[20], 0.25);
    EXPECT_EQ(e1[10].values[18], 1);
    EXPECT_EQ(e1[10].values[20], 0);
    EXPECT_EQ(e1[14].values[18], 0.5);
    EXPECT_EQ(e2[0].values[14], 0.5);
}

TEST(PresetsStore, StartsWithFactoryProgramsAndOneHostProgram) {
    TestEffect fx;
    EXPECT_EQ(fx.getAeffect()->numPrograms, 1);
    EXPECT_EQ(fx.getAeffect()->numParams, 42);
    EXPECT_EQ(fx.getCurrentProgramIndex(), 0);
    const presets::FactoryProgram* table = presets::factoryPrograms(2);
    for (int p = 0; p < 31; ++p) {
        EXPECT_EQ(nameOf(fx.getProgramObject(p)), table[p].name);
        for (int k = 0; k < 42; ++k)
            EXPECT_EQ(fx.getProgramObject(p)->getValue(k), (float)table[p].values[k]);
    }
    EXPECT_EQ(fx.getProgramObject(31), nullptr);
    char name[64];
    fx.getProgramName(name);
    EXPECT_STREQ(name, "Current");
    EXPECT_TRUE(fx.getProgramNameIndexed(0, 0, name));
    EXPECT_STREQ(name, "Current");
    EXPECT_FALSE(fx.getProgramNameIndexed(0, 1, name));
    for (int k = 0; k < 42; ++k) EXPECT_EQ(fx.stored[k], (float)table[0].values[k]);
}

TEST(PresetsStore, SelectProgramPushesValuesAndReportsToHost) {
    TestEffect fx;
    hostCalls().clear();
    fx.setterCalls = 0;
    fx.selectProgram(5);
    EXPECT_EQ(fx.getCurrentProgramIndex(), 5);
    EXPECT_EQ(fx.getProgram(), 0);
    EXPECT_EQ(fx.setterCalls, 42);
    EXPECT_FALSE(fx.applyingProgram);
    expectMirror(fx);
    char name[64];
    fx.getProgramName(name);
    EXPECT_STREQ(name, "Mix First Aid 3");
    const presets::FactoryProgram& f5 = presets::factoryPrograms(2)[5];
    for (int k = 0; k < 42; ++k) EXPECT_EQ(fx.stored[k], (float)f5.values[k]);

    // Four calls per parameter, then one display update.
    ASSERT_EQ(hostCalls().size(), 42u * 4 + 1);
    for (int k = 0; k < 42; ++k) {
        const HostCall* c = &hostCalls()[k * 4];
        EXPECT_EQ(c[0].opcode, vst::audioMasterBeginEdit);
        EXPECT_EQ(c[1].opcode, vst::audioMasterAutomate);
        EXPECT_EQ(c[2].opcode, vst::audioMasterAutomate);
        EXPECT_EQ(c[3].opcode, vst::audioMasterEndEdit);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(c[i].index, k);
            EXPECT_EQ(c[i].value, 0);
            EXPECT_EQ(c[i].ptr, nullptr);
        }
        EXPECT_EQ(c[0].opt, 0.0f);
        EXPECT_EQ(c[1].opt, (float)f5.values[k]);
        EXPECT_EQ(c[2].opt, (float)f5.values[k]);
        EXPECT_EQ(c[3].opt, 0.0f);
    }
    EXPECT_EQ(hostCalls().back().opcode, vst::audioMasterUpdateDisplay);

    // Out-of-range selections and the host's own program change do nothing.
    hostCalls().clear();
    fx.setProgram(9);
    EXPECT_EQ(fx.getProgram(), 0);
    fx.selectProgram(31);
    fx.selectProgram(-1);
    EXPECT_EQ(fx.getCurrentProgramIndex(), 5);
    EXPECT_TRUE(hostCalls().empty());

    // Without a host callback the values still arrive.
    TestEffect quiet(nullptr);
    quiet.selectProgram(19);
    EXPECT_EQ(quiet.stored[4], 0.8f);
    expectMirror(quiet);
}

TEST(PresetsStore, EditsReachSelectedProgramAndMirrorOnly) {
    TestEffect fx;
    fx.selectProgram(7);
    fx.setParameter(4, 0.9f);
    EXPECT_EQ(fx.getProgramObject(7)->getValue(4), 0.9f);
    EXPECT_EQ(fx.getProgramObject(0)->getValue(4), 0.9f);
    for (int p = 1; p < 31; ++p)
        if (p != 7) {
            EXPECT_EQ(fx.getProgramObject(p)->getValue(4), (float)presets::factoryPrograms(2)[p].values[4]) << p;
        }
    // Out-of-range indices and settings never reach the programs.
    fx.setParameter(43, 0.1f);
    fx.setParameter(-3, 0.1f);
    expectMirror(fx);

    // The edit stays in program 7 after going elsewhere and back.
    fx.selectProgram(2);
    EXPECT_EQ(fx.getProgramObject(0)->getValue(4), 0.535f);
    fx.selectProgram(7);
    EXPECT_EQ(fx.stored[4], 0.9f);
}

TEST(PresetsStore, GlobalParametersSurviveProgramChanges) {

    TestEffect fx;
    fx.selectProgram(3);
    fx.setParameter(0, 0.0f);    // Process off
    fx.setParameter(26, 1.0f);   // FAT on
    fx.setParameter(1, 0.0f);    // Mode: per program
    for (int p = 0; p < 31; ++p) {
        EXPECT_EQ(fx.getProgramObject(p)->getValue(0), 0.0f) << p;
        EXPECT_EQ(fx.getProgramObject(p)->getValue(26), 1.0f) << p;
    }
    EXPECT_EQ(fx.getProgramObject(4)->getValue(1), 1.0f);
    fx.selectProgram(20);
    EXPECT_EQ(fx.stored[0], 0.0f);
    EXPECT_EQ(fx.stored[26], 1.0f);
    EXPECT_EQ(fx.stored[1], 0.0f);
    fx.selectProgram(3);
    EXPECT_EQ(fx.stored[1], 0.0f);
    expectMirror(fx);
}

TEST(PresetsStore, RenamesFromHostAndEditor) {
    TestEffect fx;
    auto* ed = new RecordingEditor(&fx);
    fx.setEditor(ed, false);
    fx.selectProgram(9);
    hostCalls().clear();

    char longName[] = "abcdefghijklmnopqrstuvwxyz1234";
    fx.setProgramName(longName);
    EXPECT_EQ(nameOf(fx.getProgramObject(9)), "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(nameOf(fx.getProgramObject(0)), "abcdefghijklmnopqrstuvwx");
    ASSERT_EQ(ed->names.size(), 1u);
    EXPECT_EQ(ed->names[0], "abcdefghijklmnopqrstuvwx");
    EXPECT_TRUE(hostCalls().empty());

    fx.renameCurrentProgram("Edited");
    EXPECT_EQ(nameOf(fx.getProgramObject(9)), "Edited");
    char name[64];
    fx.getProgramName(name);
    EXPECT_STREQ(name, "Edited");
    ASSERT_EQ(hostCalls().size(), 1u);
    EXPECT_EQ(hostCalls()[0].opcode, vst::audioMasterUpdateDisplay);
    EXPECT_EQ(ed->names.size(), 1u);
    EXPECT_EQ(nameOf(fx.getProgramObject(8)), "Mix Finalize 1");
    fx.setProgramName(nullptr);
    EXPECT_EQ(nameOf(fx.getProgramObject(9)), "");

    // Program 0 selected: renames change only it.
    fx.selectProgram(0);
    fx.renameCurrentProgram("Zero");
    EXPECT_EQ(nameOf(fx.getProgramObject(0)), "Zero");
    EXPECT_EQ(nameOf(fx.getProgramObject(9)), "");
}

// Preset and bank files of the second edition: the pure format functions and
// the load and save operations of the store.
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cmath>
#include <limits>
#include <string>

#include "presets/PresetFiles.h"
#include "tests/unit/presets_support.h"

using namespace presets_test;

namespace {

const char kDisk[4] = {'L', 'M', 'E', 'Z'};
const char kForward[4] = {'Z', 'E', 'M', 'L'};

std::vector<std::string> names(int n, const char* prefix) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(prefix + std::to_string(i));
    return out;
}

float fileValue(float base, int j, int k) { return base + 0.0005f * (float)(j * 50 + k); }

class PresetFilesTest : public ConfigDirTest {};

}  // namespace

TEST(PresetFileFormat, SizesHeaderAndErrors) {
    EXPECT_EQ(presets::presetFileSize(2), 197u);
    EXPECT_EQ(presets::bankFileSize(2), 5957u);
    EXPECT_EQ(presets::presetFileSize(1), 221u);
    EXPECT_EQ(presets::bankFileSize(1), 6701u);
    EXPECT_STREQ(presets::kErrorInvalidFile, "Error #01: Invalid preset file!");
    EXPECT_STREQ(presets::kErrorNotPreset, "Error #02: Not a preset file!");
    EXPECT_STREQ(presets::kErrorNotBank, "Not a bank file!");

    presets::ProgramRecord rec;
    std::strcpy(rec.name, "Name");
    rec.values[0] = 0.25f;
    auto bytes = presets::serialisePreset(rec, 2);
    ASSERT_EQ(bytes.size(), 197u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "LMEZ!");
    EXPECT_EQ(bytes[5 + 24 + 2], 0x80);  // 0.25f = 0x3e800000, little-endian
    EXPECT_EQ(bytes[5 + 24 + 3], 0x3e);
    EXPECT_TRUE(presets::serialisePreset(rec, 7).empty());

    // Identifier checks come first, then the kind.
    EXPECT_EQ(presets::parsePreset(bytes.data(), 3, 2).error, presets::kErrorInvalidFile);
    EXPECT_EQ(presets::parsePreset(bytes.data(), 4, 2).error, presets::kErrorNotPreset);
    EXPECT_EQ(presets::parsePreset(nullptr, 0, 2).error, presets::kErrorInvalidFile);
    auto bad = bytes;
    bad[0] = 'X';
    EXPECT_EQ(presets::parsePreset(bad.data(), bad.size(), 2).error, presets::kErrorInvalidFile);
    EXPECT_EQ(presets::parseBank(bad.data(), bad.size(), 2).error, presets::kErrorInvalidFile);
    EXPECT_EQ(presets::parseBank(bytes.data(), bytes.size(), 2).error, presets::kErrorNotBank);
    bytes[4] = presets::kBankKind;
    EXPECT_EQ(presets::parsePreset(bytes.data(), bytes.size(), 2).error, presets::kErrorNotPreset);

    // Reversed identifier (forward character order) is accepted.
    auto fwd = makeFile(kForward, presets::kPresetKind, {"Fwd"}, 42, 0.1f);
    auto parsed = presets::parsePreset(fwd.data(), fwd.size(), 2);
    EXPECT_EQ(parsed.error, nullptr);
    EXPECT_STREQ(parsed.records[0].name, "Fwd");
}

TEST(PresetFileFormat, ReadsAsFarAsTheFileGoes) {
    auto full = makeFile(kDisk, presets::kBankKind, names(31, "P"), 42, 0.1f);
    ASSERT_EQ(full.size(), 5957u);
    // Cut inside the value 3 of record 2.
    const std::size_t cut = 5 + 2 * 192 + 24 + 3 * 4 + 2;
    auto parsed = presets::parseBank(full.data(), cut, 2);
    ASSERT_EQ(parsed.error, nullptr);
    EXPECT_FALSE(parsed.legacy);
    EXPECT_TRUE(parsed.records[1].hasName);
    EXPECT_TRUE(parsed.records[1].hasValue[41]);
    EXPECT_TRUE(parsed.records[2].hasName);
    EXPECT_TRUE(parsed.records[2].hasValue[2]);
    EXPECT_FALSE(parsed.records[2].hasValue[3]);
    EXPECT_FALSE(parsed.records[3].hasName);

    // A name field cut short is not taken.
    parsed = presets::parseBank(full.data(), 5 + 192 + 10, 2);
    EXPECT_FALSE(parsed.records[1].hasName);

    // Extra bytes after the layout are ignored.
    auto longer = full;
    longer.resize(full.size() + 1000, 0xff);
    parsed = presets::parseBank(longer.data(), longer.size(), 2);
    EXPECT_EQ(parsed.error, nullptr);
    EXPECT_EQ(parsed.records[30].values[41], fileValue(0.1f, 30, 41));

    // Not-finite values are marked absent, the others around them present.
    auto preset = makeFile(kDisk, presets::kPresetKind, {"X"}, 42, 0.1f);
    float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::memcpy(&preset[5 + 24 + 4 * 4], &nan, 4);
    std::memcpy(&preset[5 + 24 + 5 * 4], &inf, 4);
    parsed = presets::parsePreset(preset.data(), preset.size(), 2);
    EXPECT_TRUE(parsed.records[0].hasValue[3]);
    EXPECT_FALSE(parsed.records[0].hasValue[4]);
    EXPECT_FALSE(parsed.records[0].hasValue[5]);
    EXPECT_TRUE(parsed.records[0].hasValue[6]);

    // A first-edition preset (221 bytes) read by the second edition: its own
    // full layout, the first 42 values.
    auto e1 = makeFile(kDisk, presets::kPresetKind, {"E1"}, 48, 0.1f);
    parsed = presets::parsePreset(e1.data(), e1.size(), 2);
    EXPECT_EQ(parsed.valuesPerRecord, 42);
    EXPECT_EQ(parsed.records[0].values[41], fileValue(0.1f, 0, 41));
    parsed = presets::parsePreset(e1.data(), e1.size(), 1);
    EXPECT_EQ(parsed.valuesPerRecord, 48);
    EXPECT_TRUE(parsed.records[0].hasValue[47]);
}

TEST_F(PresetFilesTest, BankRoundTripThroughFiles) {
    TestEffect a;
    for (int p = 0; p < 31; ++p) {
        a.selectProgram(p);
        for (int k = 0; k < 42; ++k)
            if (!params::isGlobalHostIndex(k)) a.setParameter(k, fileValue(0.05f, p, k));
        std::string n = p == 30 ? "exactly24characterslong!" : "Bank " + std::to_string(p);
        a.renameCurrentProgram(n.c_str());
    }
    a.selectProgram(12);
    std::string file = path("bank.zvb");
    auto r = a.saveBankFile(file.c_str());
    ASSERT_TRUE(r.ok);
    auto bytes = readBytes(file);
    ASSERT_EQ(bytes.size(), 5957u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "LMEZ7");
    EXPECT_EQ(std::string(bytes.begin() + 5 + 30 * 192, bytes.begin() + 5 + 30 * 192 + 24),
              "exactly24characterslong!");

    TestEffect b;
    b.selectProgram(4);
    r = b.loadBankFile(file.c_str());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.error, nullptr);
    EXPECT_EQ(b.getCurrentProgramIndex(), 0);
    for (int p = 0; p < 31; ++p) {
        EXPECT_EQ(nameOf(b.getProgramObject(p)), nameOf(a.getProgramObject(p))) << p;
        for (int k = 0; k < 42; ++k)
            EXPECT_EQ(b.getProgramObject(p)->getValue(k), a.getProgramObject(p)->getValue(k)) << p << " " << k;
    }
    // The file's first record is in the effect.
    for (int k = 0; k < 42; ++k) EXPECT_EQ(b.stored[k], a.getProgramObject(0)->getValue(k));
}

TEST_F(PresetFilesTest, PresetRoundTripAndSelection) {
    TestEffect a;
    a.selectProgram(6);
    a.setParameter(4, 0.123f);
    a.renameCurrentProgram("My Preset");
    std::string file = path("p.zev");
    ASSERT_TRUE(a.savePresetFile(file.c_str()).ok);
    EXPECT_EQ(readBytes(file).size(), 197u);

    TestEffect b;
    auto* ed = new RecordingEditor(&b);
    b.setEditor(ed, false);
    b.selectProgram(20);
    hostCalls().clear();
    auto r = b.loadPresetFile(file.c_str());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(b.getCurrentProgramIndex(), 20);
    EXPECT_EQ(nameOf(b.getProgramObject(20)), "My Preset");
    EXPECT_EQ(nameOf(b.getProgramObject(0)), "My Preset");
    EXPECT_EQ(nameOf(b.getProgramObject(6)), "Mix First Aid 4");
    ASSERT_EQ(ed->names.size(), 1u);
    EXPECT_EQ(ed->names[0], "My Preset");
    for (int k = 0; k < 42; ++k) {
        EXPECT_EQ(b.getProgramObject(20)->getValue(k), a.getProgramObject(6)->getValue(k)) << k;
        EXPECT_EQ(b.stored[k], a.getProgramObject(6)->getValue(k)) << k;
    }
    EXPECT_EQ(hostCalls().size(), 42u * 4 + 1);  // the selection reached the host
}

TEST_F(PresetFilesTest, LegacyLayouts) {
    auto preset = makeFile(kDisk, presets::kPresetKind, {"Legacy"}, 30, 0.2f);
    ASSERT_EQ(preset.size(), 149u);
    std::string pf = path("legacy.zev");
    writeBytes(pf, preset);
    TestEffect fx;
    fx.selectProgram(2);
    ASSERT_TRUE(fx.loadPresetFile(pf.c_str()).ok);
    const CProgram* p2 = fx.getProgramObject(2);
    for (int k = 0; k < 30; ++k) EXPECT_EQ(p2->getValue(k), fileValue(0.2f, 0, k)) << k;
    for (int k = 30; k < 42; ++k) EXPECT_EQ(p2->getValue(k), (float)presets::factoryPrograms(2)[2].values[k]) << k;
    EXPECT_EQ(nameOf(p2), "Legacy");

    auto bank = makeFile(kForward, presets::kBankKind, names(30, "L"), 30, 0.1f);
    ASSERT_EQ(bank.size(), 4325u);
    std::string bf = path("legacy.zvb");
    writeBytes(bf, bank);
    TestEffect b;
    b.getProgramObject(30)->setValue(4, 0.77f);
    ASSERT_TRUE(b.loadBankFile(bf.c_str()).ok);
    for (int j = 0; j < 30; ++j) {
        EXPECT_EQ(nameOf(b.getProgramObject(j)), "L" + std::to_string(j));
        // Selecting program 0 afterwards spreads its global values.
        for (int k = 0; k < 30; ++k) {
            int from = params::isGlobalHostIndex(k) ? 0 : j;
            EXPECT_EQ(b.getProgramObject(j)->getValue(k), fileValue(0.1f, from, k)) << j << " " << k;
        }
        // Values 30..41 kept theirs (program 0 is "Current", so globals aside
        // the factory values).
        EXPECT_EQ(b.getProgramObject(j)->getValue(35), 0.0f);
        EXPECT_EQ(b.getProgramObject(j)->getValue(30), 0.0f);
    }
    EXPECT_EQ(nameOf(b.getProgramObject(30)), "Track Tape Fast");
    EXPECT_EQ(b.getProgramObject(30)->getValue(4), 0.77f);
}

TEST_F(PresetFilesTest, RefusedFilesChangeNothing) {
    TestEffect fx;
    fx.selectProgram(3);
    hostCalls().clear();
    const std::string before = nameOf(fx.getProgramObject(3));

    std::string f1 = path("kind.zev");
    writeBytes(f1, makeFile(kDisk, presets::kBankKind, {"B"}, 42, 0.1f));
    auto r = fx.loadPresetFile(f1.c_str());
    EXPECT_FALSE(r.ok);
    EXPECT_STREQ(r.error, "Error #02: Not a preset file!");

    std::string f2 = path("kind.zvb");
    writeBytes(f2, makeFile(kDisk, presets::kPresetKind, names(31, "x"), 42, 0.1f));
    r = fx.loadBankFile(f2.c_str());
    EXPECT_FALSE(r.ok);
    EXPECT_STREQ(r.error, "Not a bank file!");

    std::string f3 = path("ident.zvb");
    writeBytes(f3, makeFile("MLEZ", presets::kBankKind, names(31, "x"), 42, 0.1f));
    r = fx.loadBankFile(f3.c_str());
    EXPECT_STREQ(r.error, "Error #01: Invalid preset file!");
    std::string f4 = path("empty.zev");
    writeBytes(f4, {});
    r = fx.loadPresetFile(f4.c_str());
    EXPECT_STREQ(r.error, "Error #01: Invalid preset file!");

    // Missing files, folders and non-regular files: failure without a text.
    for (const std::string& p : {path("missing.zev"), dir, std::string()}) {
        r = fx.loadPresetFile(p.c_str());
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, nullptr);
        r = fx.loadBankFile(p.c_str());
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, nullptr);
    }
    EXPECT_FALSE(fx.loadPresetFile(nullptr).ok);
    EXPECT_FALSE(fx.savePresetFile(path("no/such/folder/p.zev").c_str()).ok);
    EXPECT_FALSE(fx.saveBankFile(dir.c_str()).ok);

    EXPECT_EQ(fx.getCurrentProgramIndex(), 3);
    EXPECT_EQ(nameOf(fx.getProgramObject(3)), before);
    EXPECT_TRUE(hostCalls().empty());
    for (int p = 0; p < 31; ++p)
        EXPECT_EQ(fx.getProgramObject(p)->getValue(4), (float)presets::factoryPrograms(2)[p == 0 ? 3 : p].values[4]);
}

// Bytes a text-mode stream would change or stop at (0x1A ends a text file for
// the Windows C library; CR LF becomes LF), in the name and in values; then a
// save over an existing, longer file replaces it whole.
TEST_F(PresetFilesTest, EveryByteSurvivesAndSavesReplaceExistingFiles) {
    auto bytes = makeFile(kDisk, presets::kPresetKind, {"A\x1a\r\nB\nC\r"}, 42, 0.1f);
    const unsigned char drive[4] = {0x0d, 0x0a, 0x1a, 0x3e};  // about 0.1504
    const unsigned char knee[4] = {0x1a, 0x0d, 0x0a, 0x3f};   // about 0.5393
    std::memcpy(&bytes[5 + 24 + 4 * 4], drive, 4);
    std::memcpy(&bytes[5 + 24 + 0 * 4], knee, 4);
    float driveValue, kneeValue;
    std::memcpy(&driveValue, drive, 4);
    std::memcpy(&kneeValue, knee, 4);
    const std::string in = path("bytes.zev");
    writeBytes(in, bytes);

    TestEffect fx;
    fx.selectProgram(5);
    ASSERT_TRUE(fx.loadPresetFile(in.c_str()).ok);
    EXPECT_EQ(nameOf(fx.getProgramObject(5)), "A\x1a\r\nB\nC\r");
    EXPECT_EQ(fx.stored[4], driveValue);
    EXPECT_EQ(fx.stored[0], kneeValue);
    EXPECT_EQ(fx.stored[41], fileValue(0.1f, 0, 41));

    const std::string out = path("over.zev");
    writeBytes(out, std::vector<unsigned char>(5000, 0x1a));
    ASSERT_TRUE(fx.savePresetFile(out.c_str()).ok);
    EXPECT_EQ(readBytes(out), bytes);
    // And again over the file just written: still whole, nothing left beside it.
    ASSERT_TRUE(fx.savePresetFile(out.c_str()).ok);
    EXPECT_EQ(readBytes(out), bytes);
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

#if !defined(_WIN32)
// Links, permissions and pipes are POSIX matters.
TEST_F(PresetFilesTest, SavesReplaceWholeFilesAndSkipSpecialFiles) {
    TestEffect fx;
    fx.selectProgram(2);
    // Saving through a link writes the linked file and keeps the link; an
    // existing file keeps its permissions; no temporary file stays behind.
    std::string real = path("real.zev"), link = path("link.zev");
    writeBytes(real, {1, 2, 3});
    ::chmod(real.c_str(), 0600);
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_TRUE(fx.savePresetFile(link.c_str()).ok);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(real).size(), 197u);
    struct stat st;
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);

    // A pipe is neither waited on nor written.
    std::string fifo = path("pipe.zvb");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto r = fx.loadBankFile(fifo.c_str());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, nullptr);
    EXPECT_FALSE(fx.saveBankFile(fifo.c_str()).ok);
    EXPECT_EQ(fx.getCurrentProgramIndex(), 2);
}
#endif

TEST_F(PresetFilesTest, TruncatedOversizedAndNonFiniteFiles) {
    // A bank cut in the middle of program 2's values.
    auto bank = makeFile(kDisk, presets::kBankKind, names(31, "T"), 42, 0.1f);
    bank.resize(5 + 2 * 192 + 24 + 10 * 4 + 3);
    std::string bf = path("cut.zvb");
    writeBytes(bf, bank);
    TestEffect fx;
    ASSERT_TRUE(fx.loadBankFile(bf.c_str()).ok);
    EXPECT_EQ(nameOf(fx.getProgramObject(1)), "T1");
    EXPECT_EQ(fx.getProgramObject(1)->getValue(41), fileValue(0.1f, 1, 41));
    EXPECT_EQ(nameOf(fx.getProgramObject(2)), "T2");
    EXPECT_EQ(fx.getProgramObject(2)->getValue(9), fileValue(0.1f, 2, 9));
    EXPECT_EQ(fx.getProgramObject(2)->getValue(10), (float)presets::factoryPrograms(2)[2].values[10]);
    EXPECT_EQ(nameOf(fx.getProgramObject(3)), "Mix First Aid 1");
    EXPECT_EQ(fx.getProgramObject(3)->getValue(4), 0.55f);

    // A header-only bank changes no name or value.
    std::string hf = path("header.zvb");
    writeBytes(hf, {'L', 'M', 'E', 'Z', 0x37});
    TestEffect h;
    h.selectProgram(8);
    ASSERT_TRUE(h.loadBankFile(hf.c_str()).ok);
    // Program 0 still mirrors what was selected before.
    EXPECT_EQ(nameOf(h.getProgramObject(0)), "Mix Finalize 1");
    EXPECT_EQ(nameOf(h.getProgramObject(8)), "Mix Finalize 1");
    EXPECT_EQ(nameOf(h.getProgramObject(1)), "Default");
    EXPECT_EQ(h.stored[4], 0.65f);
    EXPECT_EQ(h.getCurrentProgramIndex(), 0);

    // An oversized preset is read with the full layout; the rest is ignored.
    auto preset = makeFile(kDisk, presets::kPresetKind, {"Big"}, 42, 0.3f);
    preset.resize(1 << 20, 0x41);
    float nan = std::numeric_limits<float>::quiet_NaN();
    float ninf = -std::numeric_limits<float>::infinity();
    std::memcpy(&preset[5 + 24 + 4 * 4], &nan, 4);   // Drive
    std::memcpy(&preset[5 + 24 + 12 * 4], &ninf, 4); // Mix
    std::string pf = path("big.zev");
    writeBytes(pf, preset);
    TestEffect p;
    p.selectProgram(5);
    ASSERT_TRUE(p.loadPresetFile(pf.c_str()).ok);
    EXPECT_EQ(nameOf(p.getProgramObject(5)), "Big");
    EXPECT_EQ(p.getProgramObject(5)->getValue(41), fileValue(0.3f, 0, 41));
    EXPECT_EQ(p.getProgramObject(5)->getValue(4), 0.6f);  // kept
    EXPECT_EQ(p.getProgramObject(5)->getValue(12), 1.0f);
    EXPECT_EQ(p.stored[4], 0.6f);
    EXPECT_FALSE(std::isnan(p.stored[4]));

    // Out-of-range finite values are limited to 0..1 by the program.
    auto wild = makeFile(kDisk, presets::kPresetKind, {"Wild"}, 42, 0.3f);
    float big = 1e30f, neg = -5.0f;
    std::memcpy(&wild[5 + 24 + 4 * 4], &big, 4);
    std::memcpy(&wild[5 + 24 + 5 * 4], &neg, 4);
    writeBytes(pf, wild);
    ASSERT_TRUE(p.loadPresetFile(pf.c_str()).ok);
    EXPECT_EQ(p.stored[4], 1.0f);
    EXPECT_EQ(p.stored[5], 0.0f);
}

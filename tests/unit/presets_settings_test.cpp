// The POSIX settings store (text files under the configuration folder): its
// key files and text form, damaged files, unusable folders and processes
// writing at once. What holds for every store is in presets_memo_test.cpp.
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "presets/FactoryPrograms.h"
#include "presets/SettingsStore.h"
#include "presets/SettingsText.h"
#include "presets/posix/TextSettingsStore.h"
#include "tests/unit/presets_support.h"

using namespace presets_test;

namespace {



std::string hexOf(float f) {
    unsigned char b[4];
    std::memcpy(b, &f, 4);
    char buf[16];
    std::snprintf(buf, sizeof(buf), "%02x,%02x,%02x,%02x", b[0], b[1], b[2], b[3]);
    return buf;
}

class SettingsStoreTest : public ConfigDirTest {
protected:
    std::string memoFile(char slot) const {
        return dir + "/Zevsound/Emberline20/Memo" + std::string(1, slot) + ".reg";
    }
    std::string productFile() const { return dir + "/Zevsound/Emberline20.reg"; }
};

}  // namespace

TEST_F(SettingsStoreTest, KeyFilesAndTextForm) {
    EXPECT_EQ(presets::memoValueName(0), "param  0");
    EXPECT_EQ(presets::memoValueName(7), "param  7");
    EXPECT_EQ(presets::memoValueName(41), "param 41");
    EXPECT_EQ(presets::TextSettingsStore::filePath(presets::kMemoAKey), memoFile('A'));
    EXPECT_EQ(presets::TextSettingsStore::filePath(presets::kProductKey), productFile());
    EXPECT_EQ(presets::TextSettingsStore::filePath("SOFTWARE\\..\\..\\x"), dir + "/x.reg");
    EXPECT_STREQ(presets::settingValueName(2, 43), "vuintegration");
    EXPECT_STREQ(presets::settingValueName(2, 47), "overcounter");
    EXPECT_STREQ(presets::settingValueName(1, 54), "knobmode");
    EXPECT_EQ(presets::settingValueName(2, 49), nullptr);
    EXPECT_EQ(presets::settingValueName(1, 48), nullptr);

    TestEffect fx;
    fx.selectProgram(3);
    fx.setParameter(4, 0.25f);
    fx.renameCurrentProgram("Quote\" back\\slash");
    ASSERT_TRUE(fx.storeMemoA());
    std::string text = readText(memoFile('A'));
    EXPECT_NE(text.find("[SOFTWARE\\Zevsound\\Emberline20\\MemoA]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"param  4\"=hex:00,00,80,3e\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"param 41\"=hex:00,00,00,00\n"), std::string::npos);
    EXPECT_EQ(text.find("\"param 42\""), std::string::npos);
    EXPECT_NE(text.find("\"name\"=\"Quote\\\" back\\\\slash\"\n"), std::string::npos) << text;

    // Round trip of arbitrary bytes through the text form.
    presets::StoreValues in;
    in["odd \"name\"\n"] = presets::StoreValue::string(std::string("a\x01\x7f\xc3\xa9", 5));
    in["bin"].data = {0, 255, 16};
    std::string t = presets::formatSettingsText("K", in);
    presets::StoreValues out;
    presets::parseSettingsText(t.data(), t.size(), out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out["odd \"name\"\n"].data, in["odd \"name\"\n"].data);
    EXPECT_EQ(out["bin"].data, in["bin"].data);
    EXPECT_EQ(out["bin"].type, presets::StoreValue::Type::Binary);
}

TEST_F(SettingsStoreTest, DamagedMemoIsReadAsFarAsItIsValid) {
    float nan = std::numeric_limits<float>::quiet_NaN();
    std::string text =
        "; hand edited\n"
        "[SOFTWARE\\Zevsound\\Emberline20\\MemoA]\n"
        "\"param  1\"=hex:" + hexOf(0.0f) + "\n"
        "garbage line without quotes\n"
        "\"param  3\"=\"0.5\"\n"                       // wrong type
        "\"param  4\"=hex:00,00,80\n"                  // wrong size
        "\"param  5\"=hex:" + hexOf(nan) + "\n"        // not a number
        "\"param  6\"=hex:" + hexOf(std::numeric_limits<float>::infinity()) + "\n"
        "\"param  7\"=hex:" + hexOf(2.5f) + "\n"       // limited to 1
        "  \"param  8\" = hex: 00, 00, 00, 3f \r\n"    // spacing and CRLF are fine
        "\"param  9\"=hex:zz,00,00,3f\n"
        "\"param 10\"=dword:00000001\n"
        "\"param 11\"=hex:00,00,00,3f,\n" +
        std::string("\"param 12\"=hex:00,00,\0\0", 23) + "\n"
        "\"param 13\"=hex:" + hexOf(0.125f) + "\n"
        "\"param 13\"=hex:" + hexOf(0.25f) + "\n"      // the later one counts
        "\"name\"=\"abcdefghijklmnopqrstuvwxyz1234\"\n"
        "\"param 14\"=hex:" + hexOf(0.375f) + "\n"
        "\"param 15\"=hex:00,00,";                      // cut off
    writeText(memoFile('A'), text);

    TestEffect fx;
    fx.selectProgram(19);
    ASSERT_TRUE(fx.recallMemoA());
    const presets::FactoryProgram& f = presets::factoryPrograms(2)[19];
    EXPECT_EQ(fx.stored[1], 0.0f);
    for (int k : {3, 4, 5, 6, 9, 10, 11, 12, 15}) {
        EXPECT_EQ(fx.stored[k], (float)f.values[k]) << k;
        EXPECT_EQ(fx.getProgramObject(19)->getValue(k), (float)f.values[k]) << k;
    }
    EXPECT_EQ(fx.stored[7], 1.0f);
    EXPECT_EQ(fx.stored[8], 0.5f);
    EXPECT_EQ(fx.stored[13], 0.25f);
    EXPECT_EQ(fx.stored[14], 0.375f);
    EXPECT_EQ(nameOf(fx.getProgramObject(19)), "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(nameOf(fx.getProgramObject(0)), "abcdefghijklmnopqrstuvwx");

    // A name that does not fit 64 bytes with its terminator is not taken.
    writeText(memoFile('B'), "\"name\"=\"" + std::string(64, 'n') + "\"\n\"param  2\"=hex:" +
                                 hexOf(0.0f) + "\n");
    ASSERT_TRUE(fx.recallMemoB());
    EXPECT_EQ(nameOf(fx.getProgramObject(19)), "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(fx.stored[2], 0.0f);
}

TEST_F(SettingsStoreTest, RandomDamageNeverBreaksReading) {
    TestEffect fx;
    fx.renameCurrentProgram("Fuzz");
    ASSERT_TRUE(fx.storeMemoA());
    const std::string good = readText(memoFile('A'));
    std::mt19937 rng(1234);
    for (int round = 0; round < 1500; ++round) {
        std::string t = good;
        int edits = 1 + (int)(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            std::size_t pos = rng() % (t.size() + 1);
            switch (rng() % 4) {
                case 0: t.resize(pos); break;
                case 1: if (pos < t.size()) t[pos] = (char)(rng() & 0xff); break;
                case 2: t.insert(pos, 1, (char)(rng() & 0xff)); break;
                default: if (pos < t.size()) t.erase(pos, 1 + rng() % 16); break;
            }
        }
        writeText(memoFile('A'), t);
        fx.recallMemoA();
        for (int k = 0; k < 42; ++k) {
            ASSERT_TRUE(std::isfinite(fx.stored[k])) << round;
            ASSERT_GE(fx.stored[k], 0.0f);
            ASSERT_LE(fx.stored[k], 1.0f);
        }
        char name[64];
        fx.getProgramName(name);
        ASSERT_LE(std::strlen(name), 24u);
    }
}

TEST_F(SettingsStoreTest, SettingsKeyFileAfterDestruction) {
    {
        SettingsEffect first;
        EXPECT_FALSE(std::filesystem::exists(productFile()));
        first.stored[43] = 0.1f;
        first.stored[48] = 0.0f;
    }
    std::string text = readText(productFile());
    EXPECT_NE(text.find("[SOFTWARE\\Zevsound\\Emberline20]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"vuintegration\"=hex:" + hexOf(0.1f)), std::string::npos) << text;
    EXPECT_NE(text.find("\"knobmode\"=hex:00,00,00,00"), std::string::npos);
}

TEST_F(SettingsStoreTest, UnusableConfigFolder) {
    // The configuration root is a file: nothing can be written or read.
    std::string blocker = path("blocker");
    writeText(blocker, "x");
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    TestEffect fx;
    EXPECT_FALSE(fx.storeMemoA());
    EXPECT_FALSE(fx.recallMemoA());
    EXPECT_FALSE(presets::saveSetting(43, 0.2f));
    EXPECT_EQ(presets::loadSetting(43), 0.5f);

    // A pipe in place of a key file is not waited on.
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    std::filesystem::create_directories(dir + "/Zevsound/Emberline20");
    ASSERT_EQ(::mkfifo(memoFile('B').c_str(), 0600), 0);
    EXPECT_FALSE(fx.recallMemoB());

    // A relative XDG_CONFIG_HOME is ignored in favour of $HOME/.config.
    const char* home = getenv("HOME");
    std::string oldHome = home ? home : "";
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    EXPECT_EQ(presets::TextSettingsStore::configRoot(), dir + "/.config");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(presets::TextSettingsStore::configRoot(), dir + "/.config");
    // Without either, the home folder of the user's account.
    unsetenv("HOME");
    const passwd* account = getpwuid(getuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(presets::TextSettingsStore::configRoot(), std::string(account->pw_dir) + "/.config");
    if (home)
        setenv("HOME", oldHome.c_str(), 1);
    else
        unsetenv("HOME");
}

// Several processes store complete memo sets into the same slot while this
// one reads it: every read must see one complete set from a single store.
TEST_F(SettingsStoreTest, ProcessesHammeringTheSameStore) {
    constexpr int kWriters = 4;
    constexpr int kStores = 60;
    static const char* const kCollectKey = "SOFTWARE\\Zevsound\\Emberline20\\Collect";
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            {
                TestEffect fx(nullptr);
                for (int i = 0; i < kStores; ++i) {
                    float sig = (float)(w * 1000 + i + 1) / 8192.0f;
                    for (int k = 0; k < 42; ++k) fx.stored[k] = sig;
                    std::string name = "w" + std::to_string(w) + "i" + std::to_string(i);
                    fx.renameCurrentProgram(name.c_str());
                    // A write may give up when the key stays locked for long (a
                    // loaded machine); false means nothing was written, so try again.
                    auto retried = [](auto write) {
                        for (int attempt = 0; attempt < 50; ++attempt)
                            if (write()) return true;
                        return false;
                    };
                    if (!retried([&] { return fx.storeMemoA(); })) ++failures;
                    if (!retried([&] { return presets::saveSetting(43 + (i % 6), sig); })) ++failures;
                    // Every writer adds its own values: none may be lost.
                    presets::StoreValues mine;
                    mine[name] = presets::StoreValue::binaryFloat(sig);
                    if (!retried([&] { return presets::SettingsKey(kCollectKey).write(mine); })) ++failures;
                }
            }
            _exit(failures > 250 ? 250 : failures);
        }
        children.push_back(pid);
    }

    int reads = 0, complete = 0;
    bool running = true;
    while (running) {
        presets::StoreValues values;
        if (presets::SettingsKey(presets::kMemoAKey).read(values)) {
            ++reads;
            float first = -1;
            bool ok = presets::storeValueAsFloat(values, "param  0", first);
            for (int k = 1; k < 42 && ok; ++k) {
                float v;
                ok = presets::storeValueAsFloat(values, presets::memoValueName(k), v) && v == first;
            }
            auto it = values.find("name");
            ok = ok && it != values.end();
            if (ok) {
                int w = (int)std::lround(first * 8192.0f - 1) / 1000;
                int i = (int)std::lround(first * 8192.0f - 1) % 1000;
                std::string want = "w" + std::to_string(w) + "i" + std::to_string(i);
                ok = std::string(it->second.data.begin(), it->second.data.end()) == want;
            }
            EXPECT_TRUE(ok) << "inconsistent read " << reads;
            if (ok) ++complete;
        }
        running = false;
        for (pid_t& pid : children) {
            if (pid <= 0) continue;
            int status = 0;
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == 0) {
                running = true;
            } else {
                EXPECT_TRUE(r == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0)
                    << "writer failed, status " << status;
                pid = -1;
            }
        }
    }
    EXPECT_EQ(reads, complete);
    EXPECT_GT(reads, 0);
    // The final file is whole, and no temporary file was left behind.
    presets::StoreValues values;
    ASSERT_TRUE(presets::SettingsKey(presets::kMemoAKey).read(values));
    EXPECT_EQ(values.size(), 43u);
    ASSERT_TRUE(presets::SettingsKey(presets::kProductKey).read(values));
    EXPECT_EQ(values.size(), 6u);
    ASSERT_TRUE(presets::SettingsKey(kCollectKey).read(values));
    EXPECT_EQ(values.size(), (std::size_t)(kWriters * kStores));
    for (const auto& entry : std::filesystem::directory_iterator(dir + "/Zevsound/Emberline20"))
        EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
}

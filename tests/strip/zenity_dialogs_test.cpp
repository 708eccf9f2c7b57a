// The zenity back end of the file dialogs, with a stand-in program in place of
// zenity that writes down its arguments and answers as told: the arguments of
// each dialog, the answers, the default extension, and a dialog that is
// still open while the caller goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "presets/posix/ZenityDialogs.h"

namespace {

using presets::DialogStatus;

class ZenityDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/emberline-zenity-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        program = dir + "/zenity";
        std::ofstream script(program);
        script << "#!/bin/sh\n"
               << "d='" << dir << "'\n"
               << "n=$(ls \"$d\" | grep -c '^args')\n"
               << "printf '%s\\n' \"$@\" > \"$d/args$n.tmp\" && mv \"$d/args$n.tmp\" \"$d/args$n\"\n"
               << "if [ -f \"$d/delay\" ]; then sleep \"$(cat \"$d/delay\")\" & echo $! > \"$d/sleeper\"; wait; fi\n"
               << "mode=${1#--}\n"
               << "[ \"$mode\" = file-selection ] && [ -f \"$d/answer\" ] && cat \"$d/answer\"\n"
               << "exit \"$(cat \"$d/status-$mode\" 2>/dev/null || echo 0)\"\n";
        script.close();
        ::chmod(program.c_str(), 0755);
        dialogs = presets::createZenityDialogs(program);
    }
    void TearDown() override {
        dialogs.reset();
        std::filesystem::remove_all(dir);
    }
    void put(const std::string& name, const std::string& text) {
        std::ofstream(dir + "/" + name) << text;
    }
    // The arguments of the n-th run of the stand-in, once it has written them.
    std::vector<std::string> args(int n) {
        const std::string file = dir + "/args" + std::to_string(n);
        for (int i = 0; i < 500 && !std::filesystem::exists(file); ++i) pause();
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Polls as the editor's idle calls do until the dialog has an answer.
    DialogStatus waitForAnswer(std::string& path) {
        DialogStatus s = DialogStatus::Running;
        for (int i = 0; i < 1000 && s == DialogStatus::Running; ++i) {
            s = dialogs->poll(path);
            if (s == DialogStatus::Running) pause();
        }
        return s;
    }
    static void pause() {
        struct timespec ts = {0, 10 * 1000 * 1000};
        ::nanosleep(&ts, nullptr);
    }
    static presets::FileDialogRequest bankRequest(bool save, const std::string& folder) {
        return presets::fileDialogRequest(true, save, folder, "last.zvb");
    }
    static bool has(const std::vector<std::string>& v, const std::string& s) {
        for (const std::string& x : v)
            if (x == s) return true;
        return false;
    }

    std::string dir, program;
    std::unique_ptr<presets::CFileDialogs> dialogs;
};

TEST_F(ZenityDialogsTest, OpenDialogArgumentsAndAnswer) {
    // A folder with blanks, quotes and a dollar reaches zenity as it is.
    const std::string folder = dir + "/it's a $HOME folder/";
    put("answer", "/some/where/chosen.zvb\n");
    ASSERT_TRUE(dialogs->open(bankRequest(false, folder)));
    std::string path;
    EXPECT_EQ(waitForAnswer(path), DialogStatus::Chosen);
    EXPECT_EQ(path, "/some/where/chosen.zvb");
    const std::vector<std::string> a = args(0);
    ASSERT_GE(a.size(), 5u);
    EXPECT_EQ(a[0], "--file-selection");
    EXPECT_TRUE(has(a, "--title=Select bank to load..."));
    EXPECT_TRUE(has(a, "--filename=" + folder + "last.zvb"));
    EXPECT_TRUE(has(a, "--file-filter=Zev Banks | *.zvb"));
    EXPECT_TRUE(has(a, "--file-filter=All Files | *"));
    EXPECT_FALSE(has(a, "--save"));
    // Once answered, nothing is open.
    EXPECT_EQ(dialogs->poll(path), DialogStatus::Cancelled);
}

TEST_F(ZenityDialogsTest, CancelledDialog) {
    put("status-file-selection", "1");
    ASSERT_TRUE(dialogs->open(bankRequest(false, dir + "/")));
    std::string path = "untouched";
    EXPECT_EQ(waitForAnswer(path), DialogStatus::Cancelled);
    EXPECT_EQ(path, "untouched");
}

TEST_F(ZenityDialogsTest, SaveAddsTheExtensionAndAsksBeforeReplacing) {
    put("answer", dir + "/fresh\n");
    ASSERT_TRUE(dialogs->open(bankRequest(true, dir + "/")));
    std::string path;
    EXPECT_EQ(waitForAnswer(path), DialogStatus::Chosen);
    EXPECT_EQ(path, dir + "/fresh.zvb");
    const std::vector<std::string> a = args(0);
    EXPECT_TRUE(has(a, "--save"));
    EXPECT_TRUE(has(a, "--confirm-overwrite"));
    EXPECT_TRUE(has(a, "--title=Save bank as..."));

    // The name with its extension exists: the user is asked, and says no.
    put("fresh.zvb", "old");
    put("status-question", "1");
    ASSERT_TRUE(dialogs->open(bankRequest(true, dir + "/")));
    path.clear();
    EXPECT_EQ(waitForAnswer(path), DialogStatus::Cancelled);
    const std::vector<std::string> q = args(2);
    ASSERT_FALSE(q.empty());
    EXPECT_EQ(q[0], "--question");
    bool named = false;
    for (const std::string& line : q) named = named || line.find("fresh.zvb") != std::string::npos;
    EXPECT_TRUE(named);
    // ... and then yes.
    put("status-question", "0");
    ASSERT_TRUE(dialogs->open(bankRequest(true, dir + "/")));
    EXPECT_EQ(waitForAnswer(path), DialogStatus::Chosen);
    EXPECT_EQ(path, dir + "/fresh.zvb");

    // A name with an extension of its own is taken as it is.
    put("answer", dir + "/other.bin\n");
    ASSERT_TRUE(dialogs->open(bankRequest(true, dir + "/")));
    EXPECT_EQ(waitForAnswer(path), DialogStatus::Chosen);
    EXPECT_EQ(path, dir + "/other.bin");
}

TEST_F(ZenityDialogsTest, OpenDialogDoesNotHoldTheCaller) {
    put("delay", "5");
    put("answer", "/late.zvb\n");
    ASSERT_TRUE(dialogs->open(bankRequest(false, dir + "/")));
    std::string path;
    EXPECT_EQ(dialogs->poll(path), DialogStatus::Running);
    EXPECT_FALSE(dialogs->open(bankRequest(false, dir + "/")));  // one at a time
    for (int i = 0; i < 500 && !std::filesystem::exists(dir + "/sleeper"); ++i) pause();  // it is running
    EXPECT_EQ(dialogs->poll(path), DialogStatus::Running);
    dialogs->abandon();
    EXPECT_EQ(dialogs->poll(path), DialogStatus::Cancelled);
    EXPECT_TRUE(path.empty());
    // What the dialog started ended with it.
    std::string sleeper;
    std::ifstream(dir + "/sleeper") >> sleeper;
    ASSERT_FALSE(sleeper.empty());
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        std::ifstream stat("/proc/" + sleeper + "/stat");
        std::string pid, name, state;
        ended = !(stat >> pid >> name >> state) || state == "Z";
        if (!ended) pause();
    }
    EXPECT_TRUE(ended);
}

TEST_F(ZenityDialogsTest, ErrorBox) {
    dialogs->showError("Error #02: Not a preset file!");
    const std::vector<std::string> a = args(0);
    ASSERT_GE(a.size(), 4u);
    EXPECT_EQ(a[0], "--error");
    EXPECT_TRUE(has(a, "--title=Error..."));
    EXPECT_TRUE(has(a, "--no-markup"));
    EXPECT_TRUE(has(a, "--text=Error #02: Not a preset file!"));
}

TEST_F(ZenityDialogsTest, WithoutZenityNothingOpensAndItIsSaidOnce) {
    auto missing = presets::createZenityDialogs(dir + "/no-such-zenity");
    testing::internal::CaptureStderr();
    const bool first = missing->open(bankRequest(false, dir + "/"));
    const bool second = missing->open(bankRequest(true, dir + "/"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    std::string path;
    EXPECT_EQ(missing->poll(path), DialogStatus::Cancelled);
    int times = 0;
    for (std::size_t at = said.find("zenity was not found"); at != std::string::npos;
         at = said.find("zenity was not found", at + 1))
        ++times;
    EXPECT_EQ(times, 1) << said;
}

}  // namespace

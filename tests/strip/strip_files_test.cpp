// Presets and banks saved and loaded from the strip's file buttons, through a
// scripted dialog layer: what the dialogs are asked, where the next one
// opens, and what happens to cancelled, refused, damaged and unwritable files.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/strip/StripTestSupport.h"

namespace striptest {
namespace {

class StripFilesTest : public StripTest {
protected:
    std::vector<std::string> allNames() {
        std::vector<std::string> names;
        for (int p = 0; p < kNumPrograms; ++p) names.push_back(programName(*fx, p));
        return names;
    }
    std::vector<float> programValues(int p) {
        std::vector<float> v;
        for (int k = 0; k < kNumProgramValues; ++k) v.push_back(fx->getProgramObject(p)->getValue(k));
        return v;
    }
    void writeBytes(const std::string& p, const std::vector<unsigned char>& bytes) {
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
    }
};

TEST_F(StripFilesTest, PresetSavedAndLoadedThroughTheDialogs) {
    fx->selectProgram(7);
    fx->setParameterAutomated(4, 0.7f);
    editor->renameProgram("Saved Preset");
    const std::string file = path("mine.zev");
    fileAction(kSavePreset, file);

    ASSERT_EQ(script.requests.size(), 1u);
    const presets::FileDialogRequest& save = script.requests[0];
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.title, "Save preset as...");
    EXPECT_EQ(save.filterName, "Zev Presets");
    EXPECT_EQ(save.filterPattern, "*.zev");
    EXPECT_EQ(save.defaultExtension, "zev");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(save.folder, std::string(cwd) + "/");  // the process's folder at first
    EXPECT_EQ(save.fileName, "");
    EXPECT_EQ(readBytes(file).size(), 197u);
    EXPECT_TRUE(script.errors.empty());
    EXPECT_EQ(editor->getLastDirectory(), dir + "/");
    EXPECT_EQ(editor->getPresetFileName(), "mine.zev");
    // The button's release ends an edit under its tag.
    ASSERT_FALSE(HostLog::endEdits().empty());
    EXPECT_EQ(HostLog::endEdits().back(), 64);

    // Into another program, changed meanwhile.
    fx->selectProgram(20);
    const std::vector<float> saved = programValues(7);
    fileAction(kLoadPreset, file);
    ASSERT_EQ(script.requests.size(), 2u);
    const presets::FileDialogRequest& load = script.requests[1];
    EXPECT_FALSE(load.save);
    EXPECT_EQ(load.title, "Select preset to load...");
    EXPECT_EQ(load.folder, dir + "/");  // the folder of the file just saved
    EXPECT_EQ(load.fileName, "mine.zev");
    EXPECT_EQ(fx->getCurrentProgramIndex(), 20);
    EXPECT_EQ(programName(*fx, 20), "Saved Preset");
    EXPECT_EQ(programValues(20), saved);
    EXPECT_FLOAT_EQ(fx->getParameter(4), 0.7f);
    EXPECT_EQ(editor->name()->text(), "Saved Preset");
    EXPECT_EQ(menuEntry(editor->menu(), 21), "Saved Preset");
    EXPECT_EQ(menuEntry(editor->menu(), 0), "Saved Preset");
}

TEST_F(StripFilesTest, BankRoundTripRestoresEveryProgram) {
    for (int p : {0, 1, 15, 30}) {
        fx->selectProgram(p);
        fx->setParameterAutomated(5, 0.01f * p);
        editor->renameProgram(("Bank program " + std::to_string(p)).c_str());
    }
    fx->selectProgram(15);
    const std::vector<std::string> names = allNames();
    std::vector<std::vector<float>> values;
    for (int p = 0; p < kNumPrograms; ++p) values.push_back(programValues(p));
    const std::string file = path("all.zvb");
    fileAction(kSaveBank, file);
    ASSERT_EQ(script.requests.size(), 1u);
    EXPECT_EQ(script.requests[0].title, "Save bank as...");
    EXPECT_EQ(script.requests[0].filterName, "Zev Banks");
    EXPECT_EQ(script.requests[0].filterPattern, "*.zvb");
    EXPECT_EQ(script.requests[0].defaultExtension, "zvb");
    EXPECT_EQ(readBytes(file).size(), 5957u);

    fx->initFactoryPrograms();
    fx->selectProgram(3);
    fileAction(kLoadBank, file);
    ASSERT_EQ(script.requests.size(), 2u);
    EXPECT_EQ(script.requests[1].title, "Select bank to load...");
    EXPECT_EQ(script.requests[1].fileName, "all.zvb");
    EXPECT_TRUE(script.errors.empty());
    EXPECT_EQ(allNames(), names);
    for (int p = 1; p < kNumPrograms; ++p) EXPECT_EQ(programValues(p), values[p]) << p;
    EXPECT_EQ(fx->getCurrentProgramIndex(), 0);
    EXPECT_FLOAT_EQ(fx->getParameter(5), values[0][5]);
    EXPECT_EQ(editor->menu()->getCurrent(nullptr, false), 0);
    EXPECT_EQ(editor->name()->text(), names[0]);
    EXPECT_EQ(menuEntry(editor->menu(), 16), "Bank program 15");
    EXPECT_EQ(menuEntry(editor->menu(), 31), "Bank program 30");
}

TEST_F(StripFilesTest, CancelledDialogChangesNothing) {
    const std::string before = editor->getLastDirectory();
    script.cancel = true;
    for (int button : {kSaveBank, kLoadBank, kSavePreset, kLoadPreset}) fileAction(button, path("never.zvb"));
    EXPECT_EQ(script.requests.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(path("never.zvb")));
    EXPECT_EQ(editor->getLastDirectory(), before);
    EXPECT_EQ(editor->getBankFileName(), "");
    EXPECT_TRUE(script.errors.empty());
    // An answer without a file name does nothing either.
    script.cancel = false;
    fileAction(kSaveBank, dir + "/");
    EXPECT_EQ(editor->getLastDirectory(), before);
    EXPECT_TRUE(script.errors.empty());
}

TEST_F(StripFilesTest, SecondClickWaitsForTheOpenDialog) {
    script.pollsWhileOpen = 3;
    script.answer = path("slow.zev");
    click(centre(editor->file(kSavePreset)));
    EXPECT_TRUE(editor->isFileDialogOpen());
    EXPECT_EQ(editor->file(kSavePreset)->getValue(), 0.0f);  // released
    click(centre(editor->file(kSavePreset)));
    click(centre(editor->file(kLoadBank)));
    EXPECT_EQ(script.requests.size(), 1u);
    // The host's idle calls go on while the dialog is open.
    editor->idle();
    editor->idle();
    EXPECT_TRUE(editor->isFileDialogOpen());
    EXPECT_FALSE(std::filesystem::exists(path("slow.zev")));
    editor->idle();
    editor->idle();
    EXPECT_FALSE(editor->isFileDialogOpen());
    EXPECT_EQ(readBytes(path("slow.zev")).size(), 197u);
    script.pollsWhileOpen = 0;
    fileAction(kLoadBank, path("none.zvb"));
    EXPECT_EQ(script.requests.size(), 2u);

    // Closing the editor closes a dialog that is still open.
    script.pollsWhileOpen = 100;
    click(centre(editor->file(kLoadPreset)));
    EXPECT_TRUE(editor->isFileDialogOpen());
    editor->close();
    EXPECT_EQ(script.abandoned, 1);
    EXPECT_FALSE(editor->isFileDialogOpen());
    editor->open(&parentToken);
}

TEST_F(StripFilesTest, RefusedFilesShowTheirErrorAndChangeNothing) {
    fx->selectProgram(6);
    fileAction(kSavePreset, path("a.zev"));
    fileAction(kSaveBank, path("a.zvb"));
    selectFromList(9);
    const std::vector<std::string> names = allNames();
    const std::vector<float> current = programValues(9);
    const std::string shown = editor->name()->text();

    fileAction(kLoadBank, path("a.zev"));
    fileAction(kLoadPreset, path("a.zvb"));
    std::vector<unsigned char> bad = readBytes(path("a.zev"));
    bad[0] = 'X';
    writeBytes(path("bad.zev"), bad);
    fileAction(kLoadPreset, path("bad.zev"));
    ASSERT_EQ(script.errors.size(), 3u);
    EXPECT_EQ(script.errors[0], "Not a bank file!");
    EXPECT_EQ(script.errors[1], "Error #02: Not a preset file!");
    EXPECT_EQ(script.errors[2], "Error #01: Invalid preset file!");

    // Cut short: refused as a whole, even where a part could be read.
    std::vector<unsigned char> bank = readBytes(path("a.zvb"));
    bank.resize(3000);
    writeBytes(path("cut.zvb"), bank);
    fileAction(kLoadBank, path("cut.zvb"));
    std::vector<unsigned char> preset = readBytes(path("a.zev"));
    preset.resize(100);
    writeBytes(path("cut.zev"), preset);
    fileAction(kLoadPreset, path("cut.zev"));
    ASSERT_EQ(script.errors.size(), 5u);
    EXPECT_EQ(script.errors[3], "Error #01: Invalid preset file!");
    EXPECT_EQ(script.errors[4], "Error #01: Invalid preset file!");

    EXPECT_EQ(allNames(), names);
    EXPECT_EQ(programValues(9), current);
    EXPECT_EQ(fx->getCurrentProgramIndex(), 9);
    EXPECT_EQ(editor->name()->text(), shown);
    EXPECT_EQ(editor->menu()->getCurrent(nullptr, false), 9);

    // A legacy preset (149 bytes) is not a damaged one.
    preset = readBytes(path("a.zev"));
    preset.resize(149);
    writeBytes(path("legacy.zev"), preset);
    fileAction(kLoadPreset, path("legacy.zev"));
    EXPECT_EQ(script.errors.size(), 5u);
    EXPECT_EQ(programName(*fx, 9), "Mix First Aid 4");
}

TEST_F(StripFilesTest, FailedSavesSayWhy) {
    // A folder that is a file: nothing can be created in it.
    writeBytes(path("plain"), {1, 2, 3});
    fileAction(kSavePreset, path("plain") + "/p.zev");
    ASSERT_EQ(script.errors.size(), 1u);
    EXPECT_NE(script.errors[0].find("The preset was not saved."), std::string::npos) << script.errors[0];
    EXPECT_NE(script.errors[0].find("Not a directory"), std::string::npos) << script.errors[0];
    fileAction(kSaveBank, path("missing") + "/b.zvb");
    ASSERT_EQ(script.errors.size(), 2u);
    EXPECT_NE(script.errors[1].find("The bank was not saved."), std::string::npos) << script.errors[1];
    EXPECT_NE(script.errors[1].find("No such file or directory"), std::string::npos) << script.errors[1];
}

TEST_F(StripFilesTest, ReadOnlyFolderIsReported) {
    // A folder everybody may enter, holding one nobody may write into.
    char pattern[] = "/tmp/emberline-locked-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string outer = pattern;
    const std::string locked = outer + "/locked";
    ASSERT_EQ(::chmod(outer.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
    auto saveAndCheck = [&]() {
        fileAction(kSaveBank, locked + "/b.zvb");
        return !std::filesystem::exists(locked + "/b.zvb") && script.errors.size() == 1 &&
               script.errors[0].find("The bank was not saved.") != std::string::npos &&
               script.errors[0].find("Permission denied") != std::string::npos;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(saveAndCheck()) << (script.errors.empty() ? "no error" : script.errors[0]);
    } else {
        // Permissions do not hold for root: the save runs in a child process
        // as the unprivileged user.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            ::_exit(saveAndCheck() ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::filesystem::remove_all(outer);
}

}  // namespace
}  // namespace striptest

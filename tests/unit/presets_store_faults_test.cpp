// The settings store when the file system or another program works against
// it: a lock held elsewhere, a key file this user may not read, files that are
// replaced as a whole.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "presets/FileIO.h"
#include "presets/SettingsStore.h"
#include "presets/posix/TextSettingsStore.h"
#include "tests/unit/presets_support.h"

using namespace presets_test;

namespace {

class StoreFaultsTest : public ConfigDirTest {
protected:
    std::string productFile() const { return presets::TextSettingsStore::filePath(presets::kProductKey); }
};

// Runs fn in a child process as a user without special rights (root reads
// every file, whatever its permissions) and answers its exit status.
template <class Fn> int asOrdinaryUser(Fn fn) {
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
        _exit(fn());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

}  // namespace

TEST_F(StoreFaultsTest, AWriteGivesUpOnALockHeldElsewhere) {
    ASSERT_TRUE(presets::saveSetting(43, 0.25f));
    // Another process holds the key's lock for far longer than a write may wait.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const std::string lockFile = productFile() + ".lock";
    pid_t holder = fork();
    if (holder == 0) {
        int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0644);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) _exit(1);
        char c = 1;
        if (::write(ready[1], &c, 1) != 1) _exit(1);
        sleep(20);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);

    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(presets::saveSetting(43, 0.75f));
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(waited, 5.0) << "the write waited on the other process's lock";

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    // The lock is free again: the value written before is still there, and writes work.
    EXPECT_EQ(presets::loadSetting(43, 0.5f), 0.25f);
    EXPECT_TRUE(presets::saveSetting(43, 0.75f));
    EXPECT_EQ(presets::loadSetting(43, 0.5f), 0.75f);
}

TEST_F(StoreFaultsTest, AKeyFileThatCannotBeReadIsNeverReplaced) {
    ASSERT_TRUE(presets::saveSetting(43, 0.25f));
    ASSERT_TRUE(presets::saveSetting(44, 0.5f));
    const std::string file = productFile();
    const std::string before = readText(file);
    // The folders let anyone write; the key file only its owner read.
    for (std::string d = fileio::parentFolder(file); d.size() >= dir.size(); d = fileio::parentFolder(d)) {
        ASSERT_EQ(chmod(d.c_str(), 0777), 0) << d;
    }
    ASSERT_EQ(chmod((file + ".lock").c_str(), 0666), 0);
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(file.c_str(), 0), 0);
    }

    EXPECT_EQ(asOrdinaryUser([] { return presets::saveSetting(45, 1.0f) ? 1 : 0; }), 0)
        << "a write reported success over a file it could not read";
    chmod(file.c_str(), 0600);
    EXPECT_EQ(readText(file), before) << "the unreadable key was replaced";
}

TEST_F(StoreFaultsTest, WholeFileWritesKeepPermissionsAndLeaveNoTemporaries) {
    const std::string file = dir + "/sub/file.bin";
    ASSERT_TRUE(fileio::makeFolders(fileio::parentFolder(file)));
    const std::string a = "first", b = std::string(5000, 'x');
    ASSERT_TRUE(fileio::writeFile(file, a.data(), a.size(), {}));
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(fileio::writeFile(file, b.data(), b.size(), {}));
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    std::vector<unsigned char> back;
    std::size_t length = 0;
    ASSERT_EQ(fileio::readFile(file, 100, back, &length), fileio::ReadStatus::Ok);
    EXPECT_EQ(length, b.size());
    EXPECT_EQ(back.size(), 100u);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir + "/sub")) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";

    EXPECT_EQ(fileio::readFile(dir + "/none", 10, back), fileio::ReadStatus::Missing);
    EXPECT_EQ(fileio::readFile(dir + "/sub", 10, back), fileio::ReadStatus::Unreadable);
    std::string error;
    EXPECT_FALSE(fileio::writeFile(dir + "/sub", a.data(), a.size(), {}, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(fileio::writeFile(dir + "/no/such/folder/f", a.data(), a.size(), {}, &error));
    EXPECT_FALSE(error.empty());
}

// The Windows file seam: bytes exactly as written, devices never waited on
// or written, read-only files left alone, and Windows paths split correctly.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "presets/FileIO.h"
#include "tests/unit/presets_support.h"

using namespace presets_test;

namespace {

class FileSeamTest : public ConfigDirTest {
protected:
    int entries() const {
        int n = 0;
        for (auto& e : std::filesystem::directory_iterator(dir)) {
            (void)e;
            ++n;
        }
        return n;
    }
};

}  // namespace

TEST_F(FileSeamTest, EveryByteValueRoundTrips) {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 3 * 256; ++i) bytes.push_back((unsigned char)(i * 7));
    for (const char* s : {"\r\n", "\x1a", "\n\r", "\x1a\r\n\x1a"}) bytes.insert(bytes.end(), s, s + std::strlen(s));
    const std::string file = path("bytes.bin");
    ASSERT_TRUE(fileio::writeFile(file, bytes.data(), bytes.size(), fileio::WriteOptions{}));
    std::vector<unsigned char> back;
    std::size_t length = 0;
    ASSERT_EQ(fileio::readFile(file, 1 << 20, back, &length), fileio::ReadStatus::Ok);
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(length, bytes.size());
    // A limit cuts the read, not the reported length.
    ASSERT_EQ(fileio::readFile(file, 10, back, &length), fileio::ReadStatus::Ok);
    EXPECT_EQ(back.size(), 10u);
    EXPECT_EQ(length, bytes.size());
    EXPECT_EQ(fileio::readFile(path("none.bin"), 10, back), fileio::ReadStatus::Missing);
    EXPECT_EQ(fileio::readFile(path("no\\folder\\x.bin"), 10, back), fileio::ReadStatus::Missing);
    EXPECT_EQ(fileio::readFile(dir, 10, back), fileio::ReadStatus::Unreadable);
}

TEST_F(FileSeamTest, DevicesFoldersAndReadOnlyFilesAreLeftAlone) {
    std::vector<unsigned char> back;
    EXPECT_EQ(fileio::readFile("NUL", 10, back), fileio::ReadStatus::Unreadable);
    std::string error;
    EXPECT_FALSE(fileio::writeFile("NUL", "x", 1, fileio::WriteOptions{}, &error));
    EXPECT_FALSE(fileio::writeFile(dir, "x", 1, fileio::WriteOptions{}, &error));
    EXPECT_FALSE(error.empty());

    const std::string file = path("locked.zev");
    writeBytes(file, {1, 2, 3});
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    error.clear();
    EXPECT_FALSE(fileio::writeFile(file, "abcd", 4, fileio::WriteOptions{}, &error));
    EXPECT_NE(error.find("locked.zev"), std::string::npos) << error;
    EXPECT_EQ(readBytes(file), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(entries(), 1);  // no temporary file left beside it
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileSeamPaths, ParentFolders) {
    EXPECT_EQ(fileio::parentFolder("C:\\Presets\\a.zev"), "C:\\Presets");
    EXPECT_EQ(fileio::parentFolder("C:\\a.zev"), "C:\\");
    EXPECT_EQ(fileio::parentFolder("C:a.zev"), "C:");
    EXPECT_EQ(fileio::parentFolder("\\a.zev"), "\\");
    EXPECT_EQ(fileio::parentFolder("x/y\\a.zev"), "x/y");
    EXPECT_EQ(fileio::parentFolder("a.zev"), ".");
    EXPECT_EQ(fileio::parentFolder("\\\\server\\share\\a.zev"), "\\\\server\\share");
}

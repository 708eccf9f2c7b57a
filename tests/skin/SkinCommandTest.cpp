// `emberline skin`: the contact sheet and the panel view are written from the
// embedded bitmaps, at either scale.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "tests/skin/SkinImage.h"

using namespace skintest;

namespace {

int runTool(const std::string& args) {
    std::string command = std::string(EMBERLINE_TOOL_PATH) + " skin " + args + " 2>/dev/null";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Image readPng(const std::string& path) {
    std::string bytes = readFile(path);
    return decodePng(reinterpret_cast<const unsigned char*>(bytes.data()), (unsigned)bytes.size());
}

class SkinCommand : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/emberline-skin-cmd-XXXXXX";
        const char* made = mkdtemp(pattern);
        ASSERT_NE(made, nullptr);
        dir_ = made;
    }
    void TearDown() override {
        if (!dir_.empty()) std::system(("rm -rf " + dir_).c_str());
    }
    std::string dir_;
};

TEST_F(SkinCommand, SheetAtBothScales) {
    ASSERT_EQ(runTool("--sheet " + dir_ + "/one.png"), 0);
    ASSERT_EQ(runTool("--sheet " + dir_ + "/two.png --scale 2"), 0);
    Image one = readPng(dir_ + "/one.png"), two = readPng(dir_ + "/two.png");
    ASSERT_FALSE(one.empty());
    ASSERT_FALSE(two.empty());
    EXPECT_EQ(two.width, 2 * one.width);
    // The sheet holds the main page unchanged somewhere: find its top-left
    // corner row of pixels in the sheet.
    Image page = bitmap(19000, 1);
    Image corner = page.crop(0, 0, 450, 2);
    bool found = false;
    for (int y = 0; y + 2 <= one.height && !found; ++y)
        for (int x = 0; x + 450 <= one.width && !found; ++x)
            found = one.at(x, y) == corner.at(0, 0) && one.crop(x, y, 450, 2) == corner;
    EXPECT_TRUE(found) << "the main page is not on the sheet";
}

TEST_F(SkinCommand, PanelPutsControlsOnThePages) {
    for (int scale = 1; scale <= 2; ++scale) {
        std::string file = dir_ + "/panel" + std::to_string(scale) + ".png";
        ASSERT_EQ(runTool("--panel " + file + " --scale " + std::to_string(scale)), 0);
        Image panel = readPng(file), page = bitmap(19000, scale), drive = bitmap(19009, scale);
        ASSERT_FALSE(panel.empty());
        EXPECT_EQ(panel.height, 460 * scale);
        // The nameplate shows the page itself; the Drive knob's place shows
        // one of the Drive knob's frames.
        int s = scale;
        EXPECT_TRUE(panel.crop(78 * s, 404 * s, 169 * s, 18 * s) == page.crop(78 * s, 404 * s, 169 * s, 18 * s));
        Image place = panel.crop(122 * s, 162 * s, 113 * s, 93 * s);
        bool isFrame = false;
        for (int k = 0; k <= 100 && !isFrame; ++k) isFrame = place == frame(drive, 101, 10, k);
        EXPECT_TRUE(isFrame) << "at " << scale << "x";
    }
}

TEST_F(SkinCommand, RefusesBadArguments) {
    EXPECT_EQ(runTool(""), 2);
    EXPECT_EQ(runTool("--sheet"), 2);
    EXPECT_EQ(runTool("--sheet " + dir_ + "/a.png --panel " + dir_ + "/b.png"), 2);
    EXPECT_EQ(runTool("--sheet " + dir_ + "/a.png --scale 3"), 2);
    EXPECT_NE(runTool("--sheet /nonexistent/dir/a.png"), 0);
    EXPECT_NE(access((dir_ + "/a.png").c_str(), F_OK), 0);
}

}  // namespace

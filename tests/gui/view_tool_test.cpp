// `emberline view` end to end on the X server: the test editor and, when
// Debian's lsp-plugins-vst is installed, an editor made by another toolkit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Width and height from a PNG file's header; 0 x 0 when it is not one.
std::pair<int, int> pngSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[24] = {};
    if (!in.read(reinterpret_cast<char*>(h), 24) || h[1] != 'P' || h[2] != 'N' || h[3] != 'G') return {0, 0};
    auto be = [&](int at) { return (int)(h[at] << 24 | h[at + 1] << 16 | h[at + 2] << 8 | h[at + 3]); };
    return {be(16), be(20)};
}

int runView(const std::string& args, const std::string& env = "") {
    std::string cmd = env + std::string(EMBERLINE_TOOL_PATH) + " view " + args + " >/dev/null 2>&1";
    return std::system(cmd.c_str());
}

class ViewTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
        shot = "/tmp/emberline-view-" + std::to_string(getpid()) + ".png";
    }
    void TearDown() override { std::remove(shot.c_str()); }
    std::string shot;
};

TEST_F(ViewTool, ShowsTheTestEditorAtBothScales) {
    ASSERT_EQ(runView(std::string(EMBERLINE_TEST_EDITOR_PATH) + " --screenshot " + shot + " --after 400"), 0);
    EXPECT_EQ(pngSize(shot), std::make_pair(400, 300));
    ASSERT_EQ(runView(std::string(EMBERLINE_TEST_EDITOR_PATH) + " --scale 2 --screenshot " + shot + " --after 400"), 0);
    EXPECT_EQ(pngSize(shot), std::make_pair(800, 600));
}

TEST_F(ViewTool, ShowsBothEditionsWindowsAtTheirSize) {
    for (const char* path : {EMBERLINE2_PATH, EMBERLINE1_PATH}) {
        ASSERT_EQ(runView(std::string(path) + " --screenshot " + shot + " --after 300"), 0) << path;
        EXPECT_EQ(pngSize(shot), std::make_pair(450, 460)) << path;
    }
}

TEST_F(ViewTool, ShowsAnotherToolkitsEditor) {
    const char* other = "/usr/lib/vst/lsp-plugins/compressor-stereo.so";
    if (access(other, R_OK) != 0) GTEST_SKIP() << "lsp-plugins-vst is not installed";
    // What another library leaves allocated at exit is not ours to judge.
    ASSERT_EQ(runView(std::string(other) + " --screenshot " + shot + " --after 1500", "ASAN_OPTIONS=detect_leaks=0 "), 0);
    auto size = pngSize(shot);
    EXPECT_GT(size.first, 100);
    EXPECT_GT(size.second, 100);
}

}  // namespace

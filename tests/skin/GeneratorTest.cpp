// The skin generator writes the same bytes on every run, and those are the
// bytes the libraries carry.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <string>

#include "resources/BitmapResources.h"
#include "tests/skin/SkinImage.h"

using namespace skintest;

namespace {

std::string makeTempDir() {
    char pattern[] = "/tmp/emberline-skin-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

int run(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SkinGenerator, TwoRunsWriteTheSameBytesAsTheEmbeddedOnes) {
    std::string a = makeTempDir(), b = makeTempDir();
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    ASSERT_EQ(run(std::string(SKINGEN_PATH) + " " + a + " --png " + a), 0);
    ASSERT_EQ(run(std::string(SKINGEN_PATH) + " " + b), 0);
    std::vector<std::string> sources = {"BitmapIndex.cpp"};
    for (int i = 0; i < 8; ++i) sources.push_back("BitmapData" + std::to_string(i) + ".cpp");
    for (const std::string& name : sources) {
        std::string first = readFile(a + "/" + name), second = readFile(b + "/" + name);
        EXPECT_FALSE(first.empty()) << name;
        EXPECT_TRUE(first == second) << name << " differs between runs";
    }
    // The PNG files of the first run are the embedded bytes, bitmap by bitmap.
    int count = 0;
    const resources::BitmapResource* all = resources::allBitmaps(&count);
    for (int i = 0; i < count; ++i) {
        std::string png = readFile(a + "/" + std::to_string(all[i].id) + "@" + std::to_string(all[i].scale) + "x.png");
        EXPECT_TRUE(png == std::string(reinterpret_cast<const char*>(all[i].png), all[i].size))
            << all[i].id << " at " << all[i].scale << "x";
    }
    run("rm -rf " + a + " " + b);
}

TEST(SkinGenerator, RefusesAMissingOutputDirectory) {
    EXPECT_NE(run(std::string(SKINGEN_PATH) + " /nonexistent/emberline-skin 2>/dev/null"), 0);
    EXPECT_NE(run(std::string(SKINGEN_PATH) + " 2>/dev/null"), 0);
}

}  // namespace

// Loads a built edition through dlopen, with its settings store in a private
// temporary folder, and offers the texts the host would read.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "tools/vsthost/VstHost.h"

namespace testing_support {

inline const char* libraryPath(int edition) {
    return edition == 1 ? EMBERLINE1_PATH : EMBERLINE2_PATH;
}

// Points XDG_CONFIG_HOME at a fresh folder for the lifetime of the object.
class PrivateConfig {
public:
    PrivateConfig() {
        char templ[] = "/tmp/emberline-test-XXXXXX";
        const char* dir = mkdtemp(templ);
        path_ = dir ? dir : "/tmp";
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
    }
    ~PrivateConfig() {
        if (hadOld_)
            setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_, old_;
    bool hadOld_ = false;
};

inline std::unique_ptr<vsthost::Plugin> loadEdition(int edition) {
    std::string error;
    auto plugin = vsthost::Plugin::load(libraryPath(edition), error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

}  // namespace testing_support

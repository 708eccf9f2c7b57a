// A private settings folder for a test: XDG_CONFIG_HOME points at a fresh
// temporary folder while the object lives.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

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

}  // namespace testing_support

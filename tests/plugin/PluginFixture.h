// Loads a built edition through dlopen, with its settings store in a private
// temporary folder, and offers the texts the host would read.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/PrivateConfig.h"
#include "tools/vsthost/VstHost.h"

namespace testing_support {

inline const char* libraryPath(int edition) {
    return edition == 1 ? EMBERLINE1_PATH : EMBERLINE2_PATH;
}

inline std::unique_ptr<vsthost::Plugin> loadEdition(int edition) {
    std::string error;
    auto plugin = vsthost::Plugin::load(libraryPath(edition), error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

}  // namespace testing_support

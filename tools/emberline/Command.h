// Sub-commands of the command-line host register themselves here.
#pragma once

#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

struct CommandRegistration {
    CommandRegistration(const char* name, const char* summary, CommandFn fn);
};

// The directory that holds the running executable (where the built plug-ins are).
std::string executableDir();

// The library an edition's build produced, next to the executable.
std::string defaultPluginPath(int edition);

// Prints "emberline: <message>" on standard error and returns 2.
int fail(const std::string& message);

}  // namespace cli

// emberline: a command-line VST 2.4 host for the Emberline plug-ins (and any
// other VST 2.4 library).
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "tools/emberline/Command.h"
#include "tools/vsthost/VstHost.h"

namespace cli {

namespace {
struct Entry {
    const char* summary;
    CommandFn fn;
};
std::map<std::string, Entry>& registry() {
    static std::map<std::string, Entry> commands;
    return commands;
}
}  // namespace

CommandRegistration::CommandRegistration(const char* name, const char* summary, CommandFn fn) {
    registry()[name] = {summary, fn};
}

std::string executableDir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = 0;
    std::string path(buf);
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string defaultPluginPath(int edition) {
    std::string name = vsthost::editionLibraryName(edition);
    std::string nextToTool = executableDir() + "/" + name;
    if (access(nextToTool.c_str(), R_OK) == 0) return nextToTool;
    return std::string(EMBERLINE_BUILD_DIR) + "/" + name;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "emberline: %s\n", message.c_str());
    return 2;
}

}  // namespace cli

static void usage(FILE* out) {
    std::fprintf(out, "usage: emberline COMMAND [ARGS]\n\ncommands:\n");
    for (auto& [name, entry] : cli::registry())
        std::fprintf(out, "  %-8s %s\n", name.c_str(), entry.summary);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    std::string command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        usage(stdout);
        return 0;
    }
    auto it = cli::registry().find(command);
    if (it == cli::registry().end()) {
        usage(stderr);
        return cli::fail("unknown command '" + command + "'");
    }
    cli::Args args(argv + 2, argv + argc);
    return it->second.fn(args);
}

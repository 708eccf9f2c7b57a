// emberline programs [--edition 1|2]: the factory programs an edition ships,
// by number and name, for --program.
#include <cstdio>
#include <string>

#include "presets/FactoryPrograms.h"
#include "tools/emberline/Command.h"

namespace cli {
namespace {

int runPrograms(const Args& args) {
    int edition = 2;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--edition" && i + 1 < args.size() && (args[i + 1] == "1" || args[i + 1] == "2")) {
            edition = args[++i][0] - '0';
        } else {
            return fail("programs: usage: emberline programs [--edition 1|2]");
        }
    }
    const presets::FactoryProgram* table = presets::factoryPrograms(edition);
    if (!table) return fail("no factory programs for edition " + std::to_string(edition));
    for (int p = 0; p < presets::numFactoryPrograms(); ++p) std::printf("%2d  %s\n", p, table[p].name);
    return 0;
}

CommandRegistration reg("programs", "list an edition's factory programs", runPrograms);

}  // namespace
}  // namespace cli

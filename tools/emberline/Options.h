// One walk over a sub-command's arguments, shared by every command: --help,
// the command's own options with or without a value, the plug-in options
// where the command takes them, and positional arguments. Plus the small text
// parsers the commands share.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/emberline/Command.h"

namespace cli {

struct PluginOptions;

struct OptionSpec {
    const char* name;  // "--format"
    bool takesValue;
};

struct CommandLine {
    const char* command;                // "render", for messages
    void (*usage)(FILE* out);           // printed on stdout for --help
    std::vector<OptionSpec> options;    // the command's own
    PluginOptions* plugin = nullptr;    // also takes the plug-in options into this
};

// Each handler answers an error text, empty when the argument was fine.
using OptionHandler = std::function<std::string(const std::string& name, const std::string& value)>;
using PositionalHandler = std::function<std::string(const std::string& arg)>;

// Walks args. Answers nothing when the command should go on, else the exit
// status to return: 0 after --help, 2 after an error (already reported).
std::optional<int> walkArgs(const Args& args, const CommandLine& line, const OptionHandler& onOption,
                            const PositionalHandler& onPositional);

std::string trim(const std::string& s);
std::string lower(std::string s);
// Digits only, at least one.
bool isInteger(const std::string& s);
// The whole text (surrounding blanks allowed) as a finite number; a leading '+' is allowed.
bool parseNumber(const std::string& text, double& out);

// An entry found by number or by name among count entries.
struct Lookup {
    enum Result { Found, OutOfRange, Unknown, Ambiguous };
    Result result = Unknown;
    int index = -1;   // Found; with Ambiguous the first match
    int matches = 0;  // Ambiguous: how many entries matched
};
using NameOf = std::function<std::string(int index)>;
using NameRule = std::function<bool(const std::string& name, const std::string& key)>;
// key is a number below count, or a name: compared trimmed and case-insensitively
// with every entry's name, then by each looser rule in turn until one matches.
Lookup lookUp(const std::string& key, int count, const NameOf& nameOf, const std::vector<NameRule>& looser = {});

}  // namespace cli

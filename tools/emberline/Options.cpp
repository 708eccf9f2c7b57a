#include "tools/emberline/Options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/emberline/PluginSetup.h"

namespace cli {

std::optional<int> walkArgs(const Args& args, const CommandLine& line, const OptionHandler& onOption,
                            const PositionalHandler& onPositional) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string error;
        if (line.plugin) {
            int taken = takePluginOption(args, i, *line.plugin, error);
            if (taken < 0) return fail(error);
            if (taken) continue;
        }
        if (a == "-h" || a == "--help") {
            line.usage(stdout);
            return 0;
        }
        auto spec = std::find_if(line.options.begin(), line.options.end(),
                                 [&](const OptionSpec& o) { return a == o.name; });
        if (spec != line.options.end()) {
            if (spec->takesValue && i + 1 >= args.size()) return fail(a + " needs a value");
            error = onOption(a, spec->takesValue ? args[++i] : std::string());
        } else if (a.size() > 1 && a[0] == '-') {
            error = std::string(line.command) + ": unknown option '" + a + "' (see emberline " + line.command +
                    " --help)";
        } else {
            error = onPositional(a);
        }
        if (!error.empty()) return fail(error);
    }
    return std::nullopt;
}

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace((unsigned char)s[a])) ++a;
    while (b > a && std::isspace((unsigned char)s[b - 1])) --b;
    return s.substr(a, b - a);
}

std::string lower(std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

bool isInteger(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit((unsigned char)c); });
}

bool parseNumber(const std::string& text, double& out) {
    std::string s = trim(text);
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != 0 || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

Lookup lookUp(const std::string& keyIn, int count, const NameOf& nameOf, const std::vector<NameRule>& looser) {
    Lookup found;
    const std::string key = trim(keyIn);
    if (isInteger(key)) {
        long n = key.size() < 7 ? std::strtol(key.c_str(), nullptr, 10) : count;
        found.result = n < count ? Lookup::Found : Lookup::OutOfRange;
        found.index = n < count ? (int)n : -1;
        return found;
    }
    const std::string want = lower(key);
    std::vector<NameRule> rules{[](const std::string& name, const std::string& k) { return name == k; }};
    rules.insert(rules.end(), looser.begin(), looser.end());
    for (const NameRule& rule : rules) {
        std::vector<int> hits;
        for (int i = 0; i < count && !want.empty(); ++i)
            if (rule(lower(trim(nameOf(i))), want)) hits.push_back(i);
        if (hits.empty()) continue;
        found.matches = (int)hits.size();
        found.result = hits.size() == 1 ? Lookup::Found : Lookup::Ambiguous;
        found.index = hits[0];  // with Ambiguous: the first of them
        return found;
    }
    return found;
}

}  // namespace cli

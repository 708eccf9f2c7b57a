#include "tools/emberline/PluginSetup.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "presets/FactoryPrograms.h"
#include "presets/PresetFiles.h"

using namespace vst;

namespace cli {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

std::string withoutSpaces(const std::string& s) {
    std::string r;
    for (char c : s)
        if (!std::isspace((unsigned char)c)) r += c;
    return r;
}

bool isInteger(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit((unsigned char)c); });
}

// The whole text as a number (a leading '+' is allowed).
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

int decimalsOf(const std::string& text) {
    auto dot = text.find('.');
    if (dot == std::string::npos) return 0;
    int n = 0;
    for (size_t i = dot + 1; i < text.size() && std::isdigit((unsigned char)text[i]); ++i) ++n;
    return n;
}

bool readFileBytes(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    // The largest layout is a few kilobytes; bytes past it are never used.
    bytes.resize(1 << 16);
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    bool bad = std::ferror(f);
    std::fclose(f);
    if (bad) {
        error = path + ": cannot read the file";
        return false;
    }
    bytes.resize(n);
    return true;
}

// Sets count values in index order, the way the product pushes a program into
// the effect; values the program does not carry keep the plug-in's current
// value.
void applyProgramValues(vsthost::Plugin& plugin, const float* values, const bool* has, int count) {
    const int n = std::min(count, plugin.effect()->numParams);
    for (int k = 0; k < n; ++k) {
        float v = has[k] ? values[k] : plugin.getParameter(k);
        v = std::clamp(v, 0.0f, 1.0f);
        plugin.setParameter(k, v);
    }
}

bool applyFactoryProgram(vsthost::Plugin& plugin, const PluginOptions& o, std::string& error) {
    const presets::FactoryProgram* table = presets::factoryPrograms(o.edition);
    const int count = presets::numFactoryPrograms();
    if (!table) {
        error = "no factory programs for edition " + std::to_string(o.edition);
        return false;
    }
    int found = -1;
    std::string key = lower(trim(o.program));
    if (isInteger(key)) {
        long n = std::strtol(key.c_str(), nullptr, 10);
        if (key.size() > 3 || n >= count) {
            error = "no factory program " + key + " (programs are 0.." + std::to_string(count - 1) + ")";
            return false;
        }
        found = (int)n;
    } else {
        for (int p = 0; p < count && found < 0; ++p)
            if (lower(table[p].name) == key) found = p;
        if (found < 0) {
            // A unique beginning of a name is enough.
            std::vector<int> starts;
            for (int p = 0; p < count; ++p)
                if (!key.empty() && lower(table[p].name).rfind(key, 0) == 0) starts.push_back(p);
            if (starts.size() == 1) found = starts[0];
            else if (starts.size() > 1) {
                error = "program '" + o.program + "' is ambiguous: it begins " + std::to_string(starts.size()) +
                        " factory program names";
                return false;
            }
        }
        if (found < 0) {
            error = "unknown program '" + o.program + "' (give 0.." + std::to_string(count - 1) +
                    " or a factory program's name; 'emberline programs' lists them)";
            return false;
        }
    }
    const int nValues = presets::programValueCount(o.edition);
    float values[presets::kMaxProgramValues];
    bool has[presets::kMaxProgramValues];
    for (int k = 0; k < presets::kMaxProgramValues; ++k) {
        values[k] = (float)table[found].values[k];
        has[k] = k < nValues;
    }
    applyProgramValues(plugin, values, has, nValues);
    return true;
}

bool applyFileProgram(vsthost::Plugin& plugin, const PluginOptions& o, std::string& error) {
    const bool bank = !o.bankFile.empty();
    const std::string& path = bank ? o.bankFile : o.presetFile;
    std::vector<unsigned char> bytes;
    if (!readFileBytes(path, bytes, error)) return false;
    auto parsed = std::make_unique<presets::ParsedFile>(
        bank ? presets::parseBank(bytes.data(), bytes.size(), o.edition)
             : presets::parsePreset(bytes.data(), bytes.size(), o.edition));
    if (parsed->error) {
        error = path + ": " + parsed->error;
        return false;
    }
    int record = 0;
    if (bank && !o.program.empty()) {
        std::string key = trim(o.program);
        record = -1;
        if (isInteger(key)) {
            long n = std::strtol(key.c_str(), nullptr, 10);
            if (key.size() <= 3 && n < parsed->numRecords) record = (int)n;
            else {
                error = path + ": the bank holds programs 0.." + std::to_string(parsed->numRecords - 1) +
                        ", not " + key;
                return false;
            }
        } else {
            for (int j = 0; j < parsed->numRecords && record < 0; ++j)
                if (parsed->records[j].hasName && lower(parsed->records[j].name) == lower(key)) record = j;
            if (record < 0) {
                error = path + ": no program named '" + key + "' in the bank";
                return false;
            }
        }
    }
    const presets::ProgramRecord& r = parsed->records[record];
    bool any = r.hasName;
    for (int k = 0; k < parsed->valuesPerRecord; ++k) any = any || r.hasValue[k];
    if (!any) {
        error = path + ": the file ends before program " + std::to_string(record);
        return false;
    }
    applyProgramValues(plugin, r.values, r.hasValue, parsed->valuesPerRecord);
    return true;
}

}  // namespace

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace((unsigned char)s[a])) ++a;
    while (b > a && std::isspace((unsigned char)s[b - 1])) --b;
    return s.substr(a, b - a);
}

std::string PluginOptions::path() const {
    return pluginPath.empty() ? defaultPluginPath(edition) : pluginPath;
}

int takePluginOption(const Args& args, size_t& i, PluginOptions& o, std::string& error) {
    const std::string& a = args[i];
    static const char* const withValue[] = {"--edition", "--plugin", "--set",  "--program",
                                            "--preset",  "--bank",   "--block"};
    bool needsValue = std::any_of(std::begin(withValue), std::end(withValue),
                                  [&](const char* n) { return a == n; });
    if (needsValue && i + 1 >= args.size()) {
        error = a + " needs a value";
        return -1;
    }
    if (a == "--edition") {
        std::string e = args[++i];
        if (e != "1" && e != "2") {
            error = "--edition takes 1 or 2, not '" + e + "'";
            return -1;
        }
        o.edition = e[0] - '0';
    } else if (a == "--plugin") {
        o.pluginPath = args[++i];
    } else if (a == "--set") {
        std::string s = args[++i];
        if (s.find('=') == std::string::npos) {
            error = "--set takes NAME=VALUE or INDEX=VALUE, not '" + s + "'";
            return -1;
        }
        o.sets.push_back(s);
    } else if (a == "--program") {
        o.program = args[++i];
    } else if (a == "--preset") {
        o.presetFile = args[++i];
    } else if (a == "--bank") {
        o.bankFile = args[++i];
    } else if (a == "--block") {
        std::string b = args[++i];
        long n = isInteger(b) && b.size() < 7 ? std::strtol(b.c_str(), nullptr, 10) : 0;
        if (n < 1 || n > 65536) {
            error = "--block takes a frame count 1..65536, not '" + b + "'";
            return -1;
        }
        o.blockSize = (int)n;
    } else if (a == "--double") {
        o.useDouble = true;
    } else if (a == "--show-params") {
        o.showParams = true;
    } else {
        return 0;
    }
    return 1;
}

const char* pluginOptionsHelp() {
    return "  --edition 1|2          the first or second edition (default 2)\n"
           "  --plugin PATH          any VST 2.4 library instead of the edition's\n"
           "  --program NAME|N       a factory program of the edition (with --bank: the bank's program)\n"
           "  --preset FILE.zev      the program of a preset file\n"
           "  --bank FILE.zvb        a program of a bank file (program 0 unless --program)\n"
           "  --set NAME=VALUE       a parameter by name or index: 0..1, a display value with dB, %, Hz\n"
           "                         or ms (Drive=+6dB), or a display text (Mode=MultiBand); repeatable\n"
           "  --block N              frames per process call (default 512)\n"
           "  --double               use the 64-bit process entry\n"
           "  --show-params          print every parameter as the plug-in shows it after set-up\n";
}

int findParameter(vsthost::Plugin& plugin, const std::string& keyIn, std::string& error) {
    const int n = plugin.effect()->numParams;
    std::string key = trim(keyIn);
    if (isInteger(key)) {
        long idx = key.size() < 6 ? std::strtol(key.c_str(), nullptr, 10) : n;
        if (idx >= n) {
            error = "parameter index " + key + " is out of range 0.." + std::to_string(n - 1);
            return -1;
        }
        return (int)idx;
    }
    std::string want = lower(key);
    std::vector<int> hits;
    for (int i = 0; i < n; ++i)
        if (lower(trim(plugin.paramName(i))) == want) hits.push_back(i);
    if (hits.empty() && !want.empty()) {
        for (int i = 0; i < n; ++i)
            if (withoutSpaces(lower(plugin.paramName(i))) == withoutSpaces(want)) hits.push_back(i);
    }
    if (hits.size() == 1) return hits[0];
    if (hits.empty()) {
        error = "unknown parameter '" + key + "' ('emberline info' lists the names)";
    } else {
        error = "parameter name '" + key + "' is ambiguous (" + std::to_string(hits.size()) +
                " parameters have it); give the index";
    }
    return -1;
}

std::string parameterText(vsthost::Plugin& plugin, int index) {
    std::string label = trim(plugin.paramLabel(index));
    std::string text = trim(plugin.paramName(index)) + " = " + trim(plugin.paramDisplay(index));
    if (!label.empty() && label != "-") text += " " + label;
    char buf[32];
    std::snprintf(buf, sizeof buf, " (%.6g)", (double)plugin.getParameter(index));
    return text + buf;
}

bool setParameterFromText(vsthost::Plugin& plugin, int index, const std::string& textIn,
                          std::string& error) {
    std::string name = trim(plugin.paramName(index));
    if (name.empty() || name == "-") name = "parameter " + std::to_string(index);
    const std::string text = trim(textIn);
    double number = 0.0;
    if (parseNumber(text, number)) {
        if (number < 0.0 || number > 1.0) {
            error = "value " + text + " for " + name +
                    " is out of range 0..1 (add a unit such as dB for a display value)";
            return false;
        }
        plugin.setParameter(index, (float)number);
        return true;
    }

    // A number with a unit, found through the plug-in's own display.
    static const char* const units[] = {"db", "hz", "ms", "%"};
    std::string low = lower(text);
    for (const char* unit : units) {
        size_t len = std::strlen(unit);
        if (low.size() <= len || low.compare(low.size() - len, len, unit) != 0) continue;
        double target = 0.0;
        if (!parseNumber(text.substr(0, text.size() - len), target)) break;
        std::string label = trim(plugin.paramLabel(index));
        if (lower(label) != unit) {
            error = name + " is not shown in " + text.substr(text.size() - len) +
                    (label.empty() || label == "-" ? std::string(" (it has no unit)") : " but in " + label);
            return false;
        }
        auto shown = [&](double v, double& out) {
            plugin.setParameter(index, (float)v);
            return parseNumber(plugin.paramDisplay(index), out);
        };
        constexpr int kGrid = 256;
        std::vector<double> d(kGrid + 1);
        int decimals = 0;
        for (int i = 0; i <= kGrid; ++i) {
            if (!shown((double)i / kGrid, d[i])) {
                error = name + " does not show a number for every value; give a value 0..1";
                return false;
            }
            decimals = std::max(decimals, decimalsOf(plugin.paramDisplay(index)));
        }
        const double s = d[kGrid] > d[0] ? 1.0 : d[kGrid] < d[0] ? -1.0 : 0.0;
        bool monotonic = s != 0.0;
        for (int i = 0; i < kGrid && monotonic; ++i) monotonic = s * (d[i + 1] - d[i]) >= 0.0;
        if (!monotonic) {
            error = name + " does not show steadily rising or falling values; give a value 0..1";
            return false;
        }
        const double tolerance = 0.5 * std::pow(10.0, -decimals) + 1e-9;
        const double lo = std::min(d[0], d[kGrid]), hi = std::max(d[0], d[kGrid]);
        if (target < lo - tolerance || target > hi + tolerance) {
            char range[96];
            std::snprintf(range, sizeof range, "%.*f..%.*f %s", decimals, lo, decimals, hi, label.c_str());
            error = "value " + text + " for " + name + " is out of range (" + range + ")";
            return false;
        }
        // The values that show the target form an interval [a, b): find both
        // ends by bisection and take the middle.
        auto firstWhere = [&](bool strictly) {
            auto past = [&](double v) {
                double x = 0.0;
                shown(v, x);
                double f = s * (x - target);
                return strictly ? f > 1e-9 : f >= -1e-9;
            };
            if (past(0.0)) return 0.0;
            if (!past(1.0)) return 1.0;
            double a = 0.0, b = 1.0;
            for (int it = 0; it < 40; ++it) {
                double m = 0.5 * (a + b);
                (past(m) ? b : a) = m;
            }
            return b;
        };
        double a = firstWhere(false);
        double b = firstWhere(true);
        double v = b > a ? 0.5 * (a + b) : a;
        plugin.setParameter(index, (float)std::clamp(v, 0.0, 1.0));
        return true;
    }

    // A display text, such as "MultiBand" or "Off".
    constexpr int kSteps = 1000;
    int first = -1, last = -1;
    std::vector<std::string> seen;
    for (int i = 0; i <= kSteps; ++i) {
        plugin.setParameter(index, (float)i / kSteps);
        std::string shownText = trim(plugin.paramDisplay(index));
        if (lower(shownText) == low) {
            if (first < 0) first = last = i;
            else if (last == i - 1) last = i;
        }
        if (seen.size() < 8 && std::find(seen.begin(), seen.end(), shownText) == seen.end())
            seen.push_back(shownText);
    }
    if (first < 0) {
        std::string list;
        for (auto& t : seen) list += (list.empty() ? "" : ", ") + t;
        error = "value '" + text + "' for " + name + " is not a number 0..1, a value with a unit, or one of its texts (" +
                list + (seen.size() == 8 ? ", ..." : "") + ")";
        return false;
    }
    plugin.setParameter(index, (float)((first + last) / 2) / kSteps);
    return true;
}

std::unique_ptr<vsthost::Plugin> setUpPlugin(const PluginOptions& o, double rate, int channels,
                                             std::string& error) {
    if (!o.presetFile.empty() && !o.bankFile.empty()) {
        error = "--preset and --bank cannot be used together";
        return nullptr;
    }
    if (!o.presetFile.empty() && !o.program.empty()) {
        error = "--program does not go with --preset (the preset is the program)";
        return nullptr;
    }
    auto plugin = vsthost::Plugin::load(o.path(), error);
    if (!plugin) return nullptr;
    AEffect* e = plugin->effect();
    if (e->numInputs < 1 || e->numOutputs < 1 || e->numInputs > 2 || e->numOutputs > 2) {
        error = o.path() + ": has " + std::to_string(e->numInputs) + " inputs and " +
                std::to_string(e->numOutputs) + " outputs; only 1 or 2 each are supported";
        return nullptr;
    }
    if (channels > e->numInputs || channels > e->numOutputs) {
        error = o.path() + ": has " + std::to_string(e->numInputs) + " input(s) and " +
                std::to_string(e->numOutputs) + " output(s), too few for " + std::to_string(channels) +
                " channels";
        return nullptr;
    }
    if (o.useDouble && (!(e->flags & effFlagsCanDoubleReplacing) || !e->processDoubleReplacing)) {
        error = o.path() + ": has no 64-bit process entry (--double)";
        return nullptr;
    }
    if (!o.useDouble && !e->processReplacing) {
        error = o.path() + ": has no 32-bit process entry";
        return nullptr;
    }
    // A mono file feeds input 0 only; pin 1 is reported unconnected.
    plugin->input1Connected = channels > 1;
    plugin->output1Connected = channels > 1;
    plugin->setSampleRate((float)rate);
    plugin->setBlockSize(o.blockSize);
    if (!o.presetFile.empty() || !o.bankFile.empty()) {
        if (!applyFileProgram(*plugin, o, error)) return nullptr;
    } else if (!o.program.empty()) {
        if (!applyFactoryProgram(*plugin, o, error)) return nullptr;
    }
    for (const std::string& s : o.sets) {
        auto eq = s.find('=');
        int index = findParameter(*plugin, s.substr(0, eq), error);
        if (index < 0) return nullptr;
        if (!setParameterFromText(*plugin, index, s.substr(eq + 1), error)) return nullptr;
    }
    return plugin;
}

}  // namespace cli

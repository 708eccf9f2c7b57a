#include "tools/emberline/PluginSetup.h"

#include <algorithm>
#include <cstdlib>

#include "tools/emberline/Options.h"
#include "tools/emberline/ParameterText.h"
#include "tools/emberline/ProgramSource.h"

using namespace vst;

namespace cli {

namespace {

// Sets the program's values in index order through the interface, as a host
// restoring a plug-in's parameters does; values the program does not carry
// keep the plug-in's current value.
void applyProgramValues(vsthost::Plugin& plugin, const ProgramValues& program) {
    const int n = std::min(program.count, plugin.effect()->numParams);
    for (int k = 0; k < n; ++k) {
        float v = program.has[k] ? program.values[k] : plugin.getParameter(k);
        plugin.setParameter(k, std::clamp(v, 0.0f, 1.0f));
    }
}

// Why the plug-in cannot run the job, or empty.
std::string unsuitable(const PluginOptions& o, AEffect* e, int channels) {
    if (e->numInputs < 1 || e->numOutputs < 1 || e->numInputs > 2 || e->numOutputs > 2)
        return o.path() + ": has " + std::to_string(e->numInputs) + " inputs and " +
               std::to_string(e->numOutputs) + " outputs; only 1 or 2 each are supported";
    if (channels > e->numInputs || channels > e->numOutputs)
        return o.path() + ": has " + std::to_string(e->numInputs) + " input(s) and " +
               std::to_string(e->numOutputs) + " output(s), too few for " + std::to_string(channels) + " channels";
    if (o.useDouble && (!(e->flags & effFlagsCanDoubleReplacing) || !e->processDoubleReplacing))
        return o.path() + ": has no 64-bit process entry (--double)";
    if (!o.useDouble && !e->processReplacing) return o.path() + ": has no 32-bit process entry";
    return {};
}

}  // namespace

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
    ProgramValues program;
    if (!loadProgramChoice(o, program, error)) return nullptr;
    auto plugin = vsthost::Plugin::load(o.path(), error);
    if (!plugin) return nullptr;
    error = unsuitable(o, plugin->effect(), channels);
    if (!error.empty()) return nullptr;
    // A mono file feeds input 0 only; pin 1 is reported unconnected.
    plugin->input1Connected = channels > 1;
    plugin->output1Connected = channels > 1;
    plugin->setSampleRate((float)rate);
    plugin->setBlockSize(o.blockSize);
    applyProgramValues(*plugin, program);
    for (const std::string& s : o.sets) {
        auto eq = s.find('=');
        int index = findParameter(*plugin, s.substr(0, eq), error);
        if (index < 0) return nullptr;
        if (!setParameterFromText(*plugin, index, s.substr(eq + 1), error)) return nullptr;
    }
    return plugin;
}

}  // namespace cli

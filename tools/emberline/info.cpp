// emberline info [PLUGIN.so] [--edition 1|2] [--rate HZ]: what a host learns
// about a plug-in when it loads it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/emberline/Command.h"
#include "tools/emberline/Options.h"
#include "tools/vsthost/VstHost.h"

using namespace vst;

namespace {

std::string fourCCText(int32 id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = (char)((id >> shift) & 0xff);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

std::string flagText(int32 flags) {
    static const struct {
        int32 bit;
        const char* name;
    } names[] = {{effFlagsHasEditor, "HasEditor"},
                 {effFlagsCanReplacing, "CanReplacing"},
                 {effFlagsProgramChunks, "ProgramChunks"},
                 {effFlagsIsSynth, "IsSynth"},
                 {effFlagsNoSoundInStop, "NoSoundInStop"},
                 {effFlagsCanDoubleReplacing, "CanDoubleReplacing"}};
    std::string s;
    int32 known = 0;
    for (auto& n : names) {
        known |= n.bit;
        if (flags & n.bit) s += (s.empty() ? "" : " ") + std::string(n.name);
    }
    if (flags & ~known) s += (s.empty() ? "" : " ") + std::string("0x") + std::to_string(flags & ~known);
    return s.empty() ? "none" : s;
}

std::string propertiesText(vsthost::Plugin& p, int index) {
    VstParameterProperties props{};
    if (!p.dispatch(effGetParameterProperties, index, 0, &props)) return "";
    std::string s;
    if (props.flags & kVstParameterIsSwitch) s += "switch ";
    if (props.flags & kVstParameterUsesIntegerMinMax)
        s += "int " + std::to_string(props.minInteger) + ".." + std::to_string(props.maxInteger) + " ";
    if (props.flags & kVstParameterUsesIntStep) s += "step " + std::to_string(props.stepInteger);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

void usage(FILE* out) {
    std::fprintf(out, "usage: emberline info [PLUGIN.so] [--edition 1|2] [--rate HZ]\n"
                      "What a host learns about a plug-in when it loads it (default: the edition's library).\n");
}

int runInfo(const cli::Args& args) {
    std::string path;
    int edition = 2;
    float rate = 44100.0f;
    cli::CommandLine line{"info", usage, {{"--edition", true}, {"--rate", true}}};
    auto onOption = [&](const std::string& name, const std::string& value) -> std::string {
        if (name == "--edition") {
            if (value != "1" && value != "2") return "--edition takes 1 or 2, not '" + value + "'";
            edition = value[0] - '0';
        } else {
            rate = std::strtof(value.c_str(), nullptr);
            if (!(rate > 0)) return "--rate takes a sample rate in Hz";
        }
        return {};
    };
    auto onPlugin = [&](const std::string& arg) -> std::string {
        if (!path.empty()) return "info: more than one plug-in given";
        path = arg;
        return {};
    };
    if (auto status = cli::walkArgs(args, line, onOption, onPlugin)) return *status;
    if (path.empty()) path = cli::defaultPluginPath(edition);

    std::string error;
    auto plugin = vsthost::Plugin::load(path, error);
    if (!plugin) return cli::fail(error);
    AEffect* e = plugin->effect();

    std::printf("file:        %s\n", path.c_str());
    std::printf("effect:      %s\n", plugin->effectName().c_str());
    std::printf("vendor:      %s\n", plugin->vendor().c_str());
    std::printf("product:     %s\n", plugin->product().c_str());
    std::printf("unique ID:   %s (%d)\n", fourCCText(e->uniqueID).c_str(), e->uniqueID);
    std::printf("version:     %d (vendor version %lld)\n", e->version,
                (long long)plugin->dispatch(effGetVendorVersion));
    std::printf("inputs:      %d\noutputs:     %d\n", e->numInputs, e->numOutputs);
    std::printf("flags:       %s\n", flagText(e->flags).c_str());
    std::printf("category:    %lld\n", (long long)plugin->dispatch(effGetPlugCategory));
    std::printf("programs:    %d (current \"%s\")\n", e->numPrograms, plugin->programName().c_str());
    std::printf("latency:     %d samples as loaded\n", e->initialDelay);
    plugin->setSampleRate(rate);
    plugin->setBlockSize(512);
    plugin->resume();
    std::printf("             %d samples after resume at %g Hz\n", e->initialDelay, (double)rate);
    std::printf("parameters:  %d\n", e->numParams);
    std::printf("%5s  %-14s %-10s %-12s %-8s %s\n", "index", "name", "label", "value", "normal",
                "properties");
    for (int i = 0; i < e->numParams; ++i) {
        std::string name = "\"" + plugin->paramName(i) + "\"";
        std::string label = "\"" + plugin->paramLabel(i) + "\"";
        std::string value = "\"" + plugin->paramDisplay(i) + "\"";
        std::printf("%5d  %-14s %-10s %-12s %-8.4f %s\n", i, name.c_str(), label.c_str(), value.c_str(),
                    (double)plugin->getParameter(i), propertiesText(*plugin, i).c_str());
    }
    plugin->suspend();
    return 0;
}

cli::CommandRegistration reg("info", "print what a host learns from a plug-in", runInfo);

}  // namespace

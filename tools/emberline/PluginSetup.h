// What render and bench share: the options that choose a plug-in and its
// settings, and setting them up through the VST 2.4 interface the way a host
// does (load, sample rate, block size, program values in index order, single
// parameters).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/emberline/Command.h"
#include "tools/vsthost/VstHost.h"

namespace cli {

struct PluginOptions {
    int edition = 2;
    std::string pluginPath;             // empty: the edition's built library
    std::vector<std::string> sets;      // "NAME=VALUE" or "INDEX=VALUE", in order
    std::string program;                // factory program, or the bank's program
    std::string presetFile;
    std::string bankFile;
    int blockSize = 512;
    bool useDouble = false;
    bool showParams = false;

    std::string path() const;
};

// Takes the option at args[i] (and its value, advancing i) if it is one of
// --edition, --plugin, --set, --program, --preset, --bank, --block, --double,
// --show-params. Returns 1 when taken, 0 when not one of these, -1 on a bad
// value (error set).
int takePluginOption(const Args& args, size_t& i, PluginOptions& options, std::string& error);

// Help lines for the options above.
const char* pluginOptionsHelp();

// Loads the plug-in and prepares it for processing at the given rate: pins
// (input and output 1 are reported unconnected for mono), sample rate, block
// size, then the program (factory, preset or bank), then each --set in order.
// The plug-in is left suspended; the caller resumes it. Null with a one-line
// error on failure.
std::unique_ptr<vsthost::Plugin> setUpPlugin(const PluginOptions& options, double rate,
                                             int channels, std::string& error);

}  // namespace cli

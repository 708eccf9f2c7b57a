// The program chosen on the command line, as the values a host would set: a
// factory program of an edition, or a program of a preset or bank file read
// through the product's file formats.
#pragma once

#include <string>

#include "presets/FactoryPrograms.h"

namespace cli {

struct PluginOptions;

struct ProgramValues {
    int count = 0;  // 0: no program was chosen
    float values[presets::kMaxProgramValues] = {};
    bool has[presets::kMaxProgramValues] = {};  // false: the file does not carry this value
};

// Fills values from --program, --preset or --bank (with --program naming the
// bank's program). False with a one-line error when the choice cannot be made.
bool loadProgramChoice(const PluginOptions& options, ProgramValues& values, std::string& error);

}  // namespace cli

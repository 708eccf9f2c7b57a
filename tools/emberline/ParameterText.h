// Parameters by name and by text, through the plug-in's own names, labels and
// display texts only, as a user reads them in a host.
#pragma once

#include <string>

#include "tools/vsthost/VstHost.h"

namespace cli {

// Parameter lookup by reported name (trimmed, case-insensitive, then without
// blanks) or index. Returns the index, or -1 with error set.
int findParameter(vsthost::Plugin& plugin, const std::string& key, std::string& error);

// Sets a parameter from a text: a plain number 0..1, a number with a unit (dB,
// %, Hz, ms) matched through the plug-in's display texts, or a display text
// itself (such as "MultiBand"). The parameter is left at the value found.
// Returns false with error set.
bool setParameterFromText(vsthost::Plugin& plugin, int index, const std::string& text, std::string& error);

// "Drive = 6.00 dB (0.625)" for index, from the plug-in's texts.
std::string parameterText(vsthost::Plugin& plugin, int index);

}  // namespace cli

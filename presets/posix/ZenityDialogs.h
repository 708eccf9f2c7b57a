// The POSIX back end of the file dialogs: Debian's zenity, run as a child
// process whose answer is read through a pipe that is never waited on.
#pragma once

#include <memory>
#include <string>

#include "presets/FileDialogs.h"

namespace presets {

// program: the zenity to run (a path); empty looks for "zenity" on PATH.
std::unique_ptr<CFileDialogs> createZenityDialogs(const std::string& program = std::string());

}  // namespace presets

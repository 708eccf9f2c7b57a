// The text form of a settings key, in the style of a registry export:
//
//   ; Emberline user settings and memo slots
//   [SOFTWARE\Zevsound\Emberline20\MemoA]
//   "param  0"=hex:00,00,80,3f
//   "name"="Default"
//
// Names and strings are quoted with \" \\ and \xNN escapes; binary values are
// comma-separated hexadecimal bytes. Pure: no files.
#pragma once

#include <cstddef>
#include <string>

#include "presets/SettingsBackend.h"

namespace presets {

std::string formatSettingsText(const std::string& keyPath, const StoreValues& values);
// Adds every valid value of the text to values. Lines that do not parse are
// skipped; nothing in the text can make parsing fail other than by missing
// values.
void parseSettingsText(const char* text, std::size_t size, StoreValues& values);

}  // namespace presets

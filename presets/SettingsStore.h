// The product's settings key and memo slots on top of the platform's settings
// back end (SettingsBackend.h): key paths, value names and the typed access
// the effect and the program store use.
#pragma once

#include <string>
#include <utility>

#include "presets/SettingsBackend.h"

namespace presets {

// Key paths of the product key and its memo subkeys.
extern const char* const kProductKey;  // "SOFTWARE\Zevsound\Emberline20"
extern const char* const kMemoAKey;    // "SOFTWARE\Zevsound\Emberline20\MemoA"
extern const char* const kMemoBKey;    // "SOFTWARE\Zevsound\Emberline20\MemoB"

class SettingsKey {
public:
    explicit SettingsKey(std::string keyPath) : path(std::move(keyPath)) {}
    const std::string& keyPath() const { return path; }

    // Reads every valid value of the key. False when the key does not exist
    // or cannot be read (values is then empty).
    bool read(StoreValues& values) const;
    // Merges updates into the key (creating it and its folders as needed) as
    // one atomic replacement. False when nothing could be written.
    bool write(const StoreValues& updates) const;

private:
    std::string path;
};

// Reads a 4-byte binary value as a float. False when the value is missing, of
// another type or size, or not a finite number.
bool storeValueAsFloat(const StoreValues& values, const std::string& name, float& out);

// "param  0" .. "param 47": "param" and the index right-aligned in three places.
std::string memoValueName(int index);

// The value name of a user setting id of the given edition (43..48 for the
// second, 49..54 for the first), or null for any other id.
const char* settingValueName(int edition, int id);

// The six settings in one call. loadSetting answers fallback when the setting
// cannot be read (missing key or value, wrong type or size, not finite) or the
// id is not a setting id; a value read is limited to 0..1. saveSetting writes
// nothing for other ids. These use the compiled edition's ids; the Edition
// forms take the edition explicitly.
float loadSetting(int id, float fallback = 0.5f);
bool saveSetting(int id, float value);
float loadSettingForEdition(int edition, int id, float fallback = 0.5f);
bool saveSettingForEdition(int edition, int id, float value);
// Writes several settings as one atomic update; ids that are not settings of
// the edition are skipped. False when nothing could be written.
bool saveSettingsForEdition(int edition, const int* ids, const float* values, int count);

}  // namespace presets

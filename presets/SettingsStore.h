// A per-user store of named keys with typed values, kept as one readable text
// file per key in the style of a registry export:
//
//   ; Emberline settings
//   [SOFTWARE\Zevsound\Emberline20\MemoA]
//   "param  0"=hex:00,00,80,3f
//   "name"="Default"
//
// A key path "SOFTWARE\A\B" lives in $XDG_CONFIG_HOME/A/B.reg (default
// ~/.config); the leading "SOFTWARE" is the configuration directory itself.
// Writes merge the new values into the key under an advisory lock (flock on
// "<file>.lock") and replace the file atomically (temporary file, fsync,
// rename), so concurrent writers never leave a mixed or truncated file.
// Reading is lock-free and tolerant: lines that do not parse are skipped, and
// nothing in a file can make a read fail other than by missing values.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace presets {

struct StoreValue {
    enum class Type { Binary, String };
    Type type = Type::Binary;
    std::vector<unsigned char> data;  // String: the characters, without terminator

    static StoreValue binaryFloat(float v);  // 4 bytes, little-endian IEEE-754
    static StoreValue string(const std::string& s);
};

using StoreValues = std::map<std::string, StoreValue>;

// Key paths of the product key and its memo subkeys.
extern const char* const kProductKey;  // "SOFTWARE\Zevsound\Emberline20"
extern const char* const kMemoAKey;    // "SOFTWARE\Zevsound\Emberline20\MemoA"
extern const char* const kMemoBKey;    // "SOFTWARE\Zevsound\Emberline20\MemoB"

class SettingsKey {
public:
    explicit SettingsKey(std::string keyPath);

    // $XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config; empty
    // when neither is known.
    static std::string configRoot();
    // The file that holds the key; empty when there is no configuration root.
    std::string filePath() const;
    const std::string& keyPath() const { return path; }

    // Reads every valid value of the key. False when the key does not exist
    // or cannot be read (values is then empty).
    bool read(StoreValues& values) const;
    // Merges updates into the key (creating it and its folders as needed) as
    // one atomic replacement. False when nothing could be written.
    bool write(const StoreValues& updates) const;

    // The text form of a key and its parser, exposed for tests and tools.
    static std::string format(const std::string& keyPath, const StoreValues& values);
    static void parse(const char* text, std::size_t size, StoreValues& values);

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

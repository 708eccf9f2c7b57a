// Where the settings keys live: named keys holding named, typed values. One
// back end per platform: a per-user text store on POSIX systems
// (presets/posix/), the registry on Windows.
#pragma once

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

class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;
    // Reads every valid value of the key. False when the key does not exist
    // or cannot be read (values is then empty).
    virtual bool read(const std::string& keyPath, StoreValues& values) = 0;
    // Merges updates into the key, creating it as needed, as one atomic
    // change that concurrent writers cannot mix. False when nothing could be
    // written.
    virtual bool write(const std::string& keyPath, const StoreValues& updates) = 0;
};

// The platform's back end; it lives as long as the program.
SettingsBackend& platformSettings();

}  // namespace presets

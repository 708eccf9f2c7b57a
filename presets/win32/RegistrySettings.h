// The settings store on Windows: the registry. Keys are created under the
// machine-wide hive when this user may write there, else under the same path
// in the user's own hive; reading takes each value from the user's key when it
// has one, else from the machine-wide key, so that values stored by an older
// installation or by an administrator are still found. Binary values are
// REG_BINARY, strings REG_SZ with their terminator.
#pragma once

#include <windows.h>

#include "presets/SettingsBackend.h"

namespace presets {

class RegistrySettings : public SettingsBackend {
public:
    // The roots under which key paths are opened: the product uses
    // HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER; tests may hand in others.
    RegistrySettings(HKEY machineRoot, HKEY userRoot) : machine_(machineRoot), user_(userRoot) {}

    bool read(const std::string& keyPath, StoreValues& values) override;
    bool write(const std::string& keyPath, const StoreValues& updates) override;

private:
    HKEY machine_;
    HKEY user_;
};

}  // namespace presets

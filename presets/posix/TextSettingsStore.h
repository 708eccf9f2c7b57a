// The settings store on POSIX systems. A key path "SOFTWARE\\A\\B" lives in
// $XDG_CONFIG_HOME/A/B.reg (default ~/.config) as the text of SettingsText.h;
// the leading "SOFTWARE" is the configuration folder itself. Writes merge the
// new values into the key under an advisory lock (flock on "<file>.lock") and
// replace the file atomically (temporary file, fsync, rename), so concurrent
// writers never leave a mixed or truncated file. Reading is lock-free and
// tolerant: lines that do not parse are skipped.
#pragma once

#include <string>

#include "presets/SettingsBackend.h"

namespace presets {

class TextSettingsStore : public SettingsBackend {
public:
    // $XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config, else
    // the user's home folder from the password database; empty when none is known.
    static std::string configRoot();
    // The file that holds a key; empty when there is no configuration root.
    static std::string filePath(const std::string& keyPath);

    bool read(const std::string& keyPath, StoreValues& values) override;
    bool write(const std::string& keyPath, const StoreValues& updates) override;
};

}  // namespace presets

// A private settings store for a test while the object lives: on POSIX
// systems XDG_CONFIG_HOME points at a fresh temporary folder; on Windows the
// registry's machine-wide and per-user hives are redirected, for this process,
// to fresh keys of their own (and a fresh temporary folder is made for files).
// Not nested: one at a time per process.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>

#include <atomic>
#else
#include <stdlib.h>
#endif

namespace testing_support {

#if defined(_WIN32)

class PrivateConfig {
public:
    PrivateConfig() {
        static std::atomic<unsigned> counter{0};
        const std::string name = "emberline-test-" + std::to_string((unsigned long)::GetCurrentProcessId()) + "-" +
                                 std::to_string(counter.fetch_add(1));
        std::error_code ec;
        const auto folder = std::filesystem::temp_directory_path(ec) / name;
        std::filesystem::create_directories(folder, ec);
        path_ = folder.string();
        keyPath_ = "Software\\EmberlineTests\\" + name;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, (keyPath_ + "\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &machine_, nullptr);
        ::RegCreateKeyExA(HKEY_CURRENT_USER, (keyPath_ + "\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &user_, nullptr);
        ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_);
        ::RegOverridePredefKey(HKEY_CURRENT_USER, user_);
    }
    ~PrivateConfig() {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        if (machine_) ::RegCloseKey(machine_);
        if (user_) ::RegCloseKey(user_);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    PrivateConfig(const PrivateConfig&) = delete;
    PrivateConfig& operator=(const PrivateConfig&) = delete;

    const std::string& path() const { return path_; }
    // What HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER stand for meanwhile.
    HKEY machineRoot() const { return machine_; }
    HKEY userRoot() const { return user_; }

private:
    std::string path_, keyPath_;
    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
};

#else

// Points XDG_CONFIG_HOME at a fresh folder for the lifetime of the object.
class PrivateConfig {
public:
    PrivateConfig() {
        char templ[] = "/tmp/emberline-test-XXXXXX";
        const char* dir = mkdtemp(templ);
        path_ = dir ? dir : "/tmp";
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
    }
    ~PrivateConfig() {
        if (hadOld_)
            setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_, old_;
    bool hadOld_ = false;
};

#endif

}  // namespace testing_support

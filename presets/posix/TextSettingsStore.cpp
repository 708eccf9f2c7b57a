// The settings store on POSIX systems: one readable text file per key under
// the user's configuration folder.
#include "presets/posix/TextSettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "presets/FileIO.h"
#include "presets/SettingsText.h"

namespace presets {

namespace {

constexpr std::size_t kMaxFileSize = 1 << 20;  // far beyond any real key
constexpr std::chrono::milliseconds kLockPatience{200};

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// Takes the key's advisory lock without ever waiting on another process for
// long: a host thread closing an instance must not hang on someone else's lock.
bool takeLock(const Fd& lock, const std::string& file) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + kLockPatience;
    for (;;) {
        if (::flock(lock.fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::fprintf(stderr, "Emberline: %s is locked by another program; the settings were not saved\n",
                 file.c_str());
    return false;
}

}  // namespace

SettingsBackend& platformSettings() {
    static TextSettingsStore store;
    return store;
}

std::string TextSettingsStore::configRoot() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config";
    // Hosts started by a service manager may have no HOME: the user's home
    // folder from the password database.
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return std::string(found->pw_dir) + "/.config";
    return {};
}

std::string TextSettingsStore::filePath(const std::string& path) {
    std::string root = configRoot();
    if (root.empty()) return {};
    // Key components become folders; "SOFTWARE" is the root itself. Components
    // that could leave the root are dropped.
    std::string rel;
    std::size_t start = 0;
    bool first = true;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        bool skip = part.empty() || part == "." || part == ".." ||
                    part.find('/') != std::string::npos || (first && part == "SOFTWARE");
        if (!skip) {
            if (!rel.empty()) rel += '/';
            rel += part;
        }
        first = false;
        start = end + 1;
    }
    if (rel.empty()) return {};
    return root + "/" + rel + ".reg";
}

bool TextSettingsStore::read(const std::string& path, StoreValues& values) {
    values.clear();
    try {
        std::string file = filePath(path);
        if (file.empty()) return false;
        std::vector<unsigned char> bytes;
        if (fileio::readFile(file, kMaxFileSize, bytes) != fileio::ReadStatus::Ok) return false;
        parseSettingsText(reinterpret_cast<const char*>(bytes.data()), bytes.size(), values);
        return true;
    } catch (...) {
        values.clear();
        return false;
    }
}

bool TextSettingsStore::write(const std::string& path, const StoreValues& updates) {
    try {
        std::string file = filePath(path);
        if (file.empty()) {
            static std::atomic<bool> told{false};
            if (!told.exchange(true))
                std::fprintf(stderr, "Emberline: no configuration folder is known (XDG_CONFIG_HOME, HOME); "
                                     "settings and memo slots are not kept\n");
            return false;
        }
        fileio::makeFolders(fileio::parentFolder(file));

        Fd lock(::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (lock.fd < 0 || !takeLock(lock, file)) return false;
        // The lock is released when the descriptor closes.

        StoreValues merged;
        std::vector<unsigned char> bytes;
        switch (fileio::readFile(file, kMaxFileSize, bytes)) {
            case fileio::ReadStatus::Ok:
                parseSettingsText(reinterpret_cast<const char*>(bytes.data()), bytes.size(), merged);
                break;
            case fileio::ReadStatus::Missing: break;
            case fileio::ReadStatus::Unreadable:
                // Writing now would replace every value it holds with the new ones.
                std::fprintf(stderr, "Emberline: cannot read %s; it is kept and the settings were not saved\n",
                             file.c_str());
                return false;
        }
        for (const auto& [name, value] : updates) merged[name] = value;
        const std::string text = formatSettingsText(path, merged);
        fileio::WriteOptions options;
        options.followLinks = false;
        return fileio::writeFile(file, text.data(), text.size(), options);
    } catch (...) {
        return false;
    }
}

}  // namespace presets

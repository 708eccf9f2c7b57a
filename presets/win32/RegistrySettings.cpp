// The settings store on Windows: registry keys with typed values.
#include "presets/win32/RegistrySettings.h"

#include <vector>

namespace presets {

namespace {

// How long a reader or writer waits for another one to finish with the keys.
constexpr DWORD kLockPatienceMs = 200;

// Closes a registry key when it goes out of scope.
struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) ::RegCloseKey(h);
    }
};

// One named mutex serialises every reader and writer of the product's keys
// in this session, so a memo set is never seen half stored. The registry
// itself only makes each single value atomic.
class KeyLock {
public:
    KeyLock() {
        static HANDLE mutex = ::CreateMutexA(nullptr, FALSE, "Local\\EmberlineSettingsKeys");
        if (!mutex) return;
        const DWORD r = ::WaitForSingleObject(mutex, kLockPatienceMs);
        if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) held_ = mutex;
    }
    ~KeyLock() {
        if (held_) ::ReleaseMutex(held_);
    }
    bool held() const { return held_ != nullptr; }
    KeyLock(const KeyLock&) = delete;
    KeyLock& operator=(const KeyLock&) = delete;

private:
    HANDLE held_ = nullptr;
};

// Adds every binary and string value of the open key, replacing values of
// the same name already in values. Values of other types are skipped.
void collect(HKEY key, StoreValues& values) {
    DWORD count = 0, maxName = 0, maxData = 0;
    if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                           nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<char> name(maxName + 2);
    std::vector<unsigned char> data(maxData + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = (DWORD)name.size(), dataLength = (DWORD)data.size(), type = 0;
        if (::RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength) !=
            ERROR_SUCCESS)
            continue;  // changed meanwhile; the next read sees it
        StoreValue v;
        if (type == REG_BINARY) {
            v.type = StoreValue::Type::Binary;
            v.data.assign(data.begin(), data.begin() + dataLength);
        } else if (type == REG_SZ) {
            // Up to the terminator, which a careless writer may have left out.
            DWORD n = 0;
            while (n < dataLength && data[n] != 0) ++n;
            v.type = StoreValue::Type::String;
            v.data.assign(data.begin(), data.begin() + n);
        } else {
            continue;
        }
        values[std::string(name.data(), nameLength)] = std::move(v);
    }
}

bool readUnder(HKEY root, const std::string& path, StoreValues& values) {
    Key key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key.h) != ERROR_SUCCESS) return false;
    collect(key.h, values);
    return true;
}

bool setValue(HKEY key, const std::string& name, const StoreValue& v) {
    if (v.type == StoreValue::Type::String) {
        std::string text(v.data.begin(), v.data.end());
        return ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                (DWORD)text.size() + 1) == ERROR_SUCCESS;
    }
    return ::RegSetValueExA(key, name.c_str(), 0, REG_BINARY, v.data.data(), (DWORD)v.data.size()) ==
           ERROR_SUCCESS;
}

// Creates or opens the key under root and writes every update. False when the
// key cannot be written or any value was refused.
bool writeUnder(HKEY root, const std::string& path, const StoreValues& updates) {
    Key key;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                          &key.h, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& [name, value] : updates) ok = setValue(key.h, name, value) && ok;
    return ok;
}

}  // namespace

SettingsBackend& platformSettings() {
    static RegistrySettings store(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
    return store;
}

bool RegistrySettings::read(const std::string& path, StoreValues& values) {
    values.clear();
    try {
        // A reader that cannot get the lock still reads: a value may then come
        // from two stores, which is better than none.
        KeyLock lock;
        const bool machine = readUnder(machine_, path, values);
        const bool user = readUnder(user_, path, values);
        return machine || user;
    } catch (...) {
        values.clear();
        return false;
    }
}

bool RegistrySettings::write(const std::string& path, const StoreValues& updates) {
    try {
        KeyLock lock;
        if (!lock.held()) return false;
        if (writeUnder(machine_, path, updates)) {
            // The user's own values of these names would hide the ones just
            // written: they go.
            Key key;
            if (::RegOpenKeyExA(user_, path.c_str(), 0, KEY_SET_VALUE, &key.h) == ERROR_SUCCESS)
                for (const auto& entry : updates) ::RegDeleteValueA(key.h, entry.first.c_str());
            return true;
        }
        // No right to the machine-wide hive: the user's own, so nothing is lost.
        return writeUnder(user_, path, updates);
    } catch (...) {
        return false;
    }
}

}  // namespace presets

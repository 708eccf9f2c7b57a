// Reads registry values directly, as another program (or "reg query") would.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

struct RawValue {
    bool present = false;
    DWORD type = 0;
    std::vector<unsigned char> data;
};

inline RawValue rawValue(HKEY root, const std::string& key, const std::string& name) {
    RawValue v;
    HKEY k = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (::RegQueryValueExA(k, name.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        v.present = ::RegQueryValueExA(k, name.c_str(), nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
        v.data.resize(size);
    }
    ::RegCloseKey(k);
    return v;
}

inline bool keyExists(HKEY root, const std::string& key) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
    ::RegCloseKey(k);
    return true;
}

inline void putRaw(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data,
                   DWORD size) {
    HKEY k = nullptr;
    if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(k);
}

inline std::vector<unsigned char> floatBytes(float f) {
    unsigned char b[4];
    std::memcpy(b, &f, 4);
    return {b, b + 4};
}

}  // namespace testing_support

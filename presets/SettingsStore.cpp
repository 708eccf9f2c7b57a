#include "presets/SettingsStore.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "presets/CProgram.h"

namespace presets {

const char* const kProductKey = "SOFTWARE\\Zevsound\\Emberline20";
const char* const kMemoAKey = "SOFTWARE\\Zevsound\\Emberline20\\MemoA";
const char* const kMemoBKey = "SOFTWARE\\Zevsound\\Emberline20\\MemoB";

bool SettingsKey::read(StoreValues& values) const {
    values.clear();
    try {
        return platformSettings().read(path, values);
    } catch (...) {
        values.clear();
        return false;
    }
}

bool SettingsKey::write(const StoreValues& updates) const {
    try {
        return platformSettings().write(path, updates);
    } catch (...) {
        return false;
    }
}

bool storeValueAsFloat(const StoreValues& values, const std::string& name, float& out) {
    auto it = values.find(name);
    if (it == values.end()) return false;
    const StoreValue& v = it->second;
    if (v.type != StoreValue::Type::Binary || v.data.size() != 4) return false;
    std::uint32_t bits = (std::uint32_t)v.data[0] | ((std::uint32_t)v.data[1] << 8) |
                         ((std::uint32_t)v.data[2] << 16) | ((std::uint32_t)v.data[3] << 24);
    float f;
    std::memcpy(&f, &bits, 4);
    if (!std::isfinite(f)) return false;
    out = f;
    return true;
}

std::string memoValueName(int index) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "param%3d", index);
    return buf;
}

const char* settingValueName(int edition, int id) {
    static const char* const names[6] = {"vuintegration", "vureference", "ppmintegration",
                                         "ppmreturn",     "overcounter", "knobmode"};
    int first = edition == 2 ? 43 : edition == 1 ? 49 : -1;
    if (first < 0 || id < first || id >= first + 6) return nullptr;
    return names[id - first];
}

float loadSettingForEdition(int edition, int id, float fallback) {
    const char* name = settingValueName(edition, id);
    if (!name) return fallback;
    try {
        StoreValues values;
        if (!SettingsKey(kProductKey).read(values)) return fallback;
        float v;
        if (!storeValueAsFloat(values, name, v)) return fallback;
        return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
    } catch (...) {
        return fallback;
    }
}

bool saveSettingsForEdition(int edition, const int* ids, const float* values, int count) {
    if (!ids || !values || count <= 0) return false;
    try {
        StoreValues updates;
        for (int i = 0; i < count; ++i) {
            const char* name = settingValueName(edition, ids[i]);
            if (name) updates[name] = StoreValue::binaryFloat(values[i]);
        }
        if (updates.empty()) return false;
        return SettingsKey(kProductKey).write(updates);
    } catch (...) {
        return false;
    }
}

bool saveSettingForEdition(int edition, int id, float value) {
    return saveSettingsForEdition(edition, &id, &value, 1);
}

float loadSetting(int id, float fallback) { return loadSettingForEdition(kEdition, id, fallback); }

bool saveSetting(int id, float value) { return saveSettingForEdition(kEdition, id, value); }

}  // namespace presets

// Any bytes as the text of a settings key: what parses is written again and
// must read back as the same values.
#include <cstdint>
#include <cstdlib>

#include "presets/SettingsText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    presets::StoreValues values;
    presets::parseSettingsText(reinterpret_cast<const char*>(data), size, values);
    const std::string text = presets::formatSettingsText("SOFTWARE\\Fuzz", values);
    presets::StoreValues again;
    presets::parseSettingsText(text.data(), text.size(), again);
    if (again.size() != values.size()) std::abort();
    for (const auto& [name, value] : values) {
        auto it = again.find(name);
        if (it == again.end() || it->second.type != value.type || it->second.data != value.data) std::abort();
    }
    return 0;
}

// What the preset and bank fuzzers share: parse the bytes for both editions,
// and check what every parse must give whatever the bytes are.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "presets/PresetFiles.h"

namespace fuzz {

inline void check(bool ok) {
    if (!ok) std::abort();
}

// A parse either refuses with one of the three texts or gives records whose
// names are terminated and whose values are finite; writing what it read and
// reading that again gives the same names and values.
template <class Parse, class Serialise>
void parseBoth(const uint8_t* data, size_t size, Parse parse, Serialise serialise) {
    for (int edition : {1, 2}) {
        auto parsed = std::make_unique<presets::ParsedFile>(parse(data, size, edition));
        if (parsed->error) {
            check(parsed->error == presets::kErrorInvalidFile || parsed->error == presets::kErrorNotPreset ||
                  parsed->error == presets::kErrorNotBank);
            continue;
        }
        check(parsed->numRecords >= 1 && parsed->numRecords <= presets::kBankPrograms);
        check(parsed->valuesPerRecord >= 1 && parsed->valuesPerRecord <= presets::kMaxProgramValues);
        for (int j = 0; j < parsed->numRecords; ++j) {
            const presets::ProgramRecord& r = parsed->records[j];
            check(std::memchr(r.name, 0, sizeof r.name) != nullptr);
            for (int k = 0; k < parsed->valuesPerRecord; ++k) check(!r.hasValue[k] || std::isfinite(r.values[k]));
        }
        const std::vector<unsigned char> again = serialise(*parsed, edition);
        auto reread = std::make_unique<presets::ParsedFile>(parse(again.data(), again.size(), edition));
        check(reread->error == nullptr);
        for (int j = 0; j < parsed->numRecords; ++j) {
            const presets::ProgramRecord &a = parsed->records[j], &b = reread->records[j];
            check(!a.hasName || std::strcmp(a.name, b.name) == 0);
            for (int k = 0; k < parsed->valuesPerRecord; ++k) check(!a.hasValue[k] || a.values[k] == b.values[k]);
        }
    }
}

}  // namespace fuzz

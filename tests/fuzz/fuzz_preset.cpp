// Any bytes as a preset file.
#include "tests/fuzz/FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::parseBoth(data, size, presets::parsePreset, [](const presets::ParsedFile& f, int edition) {
        return presets::serialisePreset(f.records[0], edition);
    });
    return 0;
}

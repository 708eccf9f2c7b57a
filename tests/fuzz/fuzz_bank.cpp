// Any bytes as a bank file.
#include "tests/fuzz/FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::parseBoth(data, size, presets::parseBank, [](const presets::ParsedFile& f, int edition) {
        return presets::serialiseBank(f.records, edition);
    });
    return 0;
}

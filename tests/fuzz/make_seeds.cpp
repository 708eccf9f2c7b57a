// Writes the fuzzers' seed files with the product's own writers:
// make_seeds FOLDER creates FOLDER/preset, FOLDER/bank and FOLDER/settings.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "presets/PresetFiles.h"
#include "presets/SettingsText.h"

namespace {

void write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), (std::streamsize)bytes.size());
}

std::string bytesOf(const std::vector<unsigned char>& v) { return std::string(v.begin(), v.end()); }

presets::ProgramRecord factoryRecord(int edition, int p) {
    presets::ProgramRecord r;
    const presets::FactoryProgram& f = presets::factoryPrograms(edition)[p];
    std::snprintf(r.name, sizeof r.name, "%s", f.name);
    for (int k = 0; k < presets::programValueCount(edition); ++k) r.values[k] = (float)f.values[k];
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path root = argv[1];
    for (const char* kind : {"preset", "bank", "settings"}) std::filesystem::create_directories(root / kind);
    for (int edition : {1, 2}) {
        const std::string e = std::to_string(edition);
        write(root / "preset" / ("factory3-e" + e + ".zev"), bytesOf(presets::serialisePreset(factoryRecord(edition, 3), edition)));
        presets::ProgramRecord bank[presets::kBankPrograms];
        for (int p = 0; p < presets::kBankPrograms; ++p) bank[p] = factoryRecord(edition, p);
        write(root / "bank" / ("factory-e" + e + ".zvb"), bytesOf(presets::serialiseBank(bank, edition)));
    }
    // A legacy preset: the header and one record of 30 values.
    write(root / "preset" / "legacy.zev",
          bytesOf(presets::serialisePreset(factoryRecord(2, 5), 2)).substr(0, presets::kLegacyPresetSize));
    presets::StoreValues memo;
    for (int k = 0; k < 4; ++k) memo["param" + std::string(k < 10 ? "  " : " ") + std::to_string(k)] =
        presets::StoreValue::binaryFloat(0.25f * (float)k);
    memo["name"] = presets::StoreValue::string("Mix \"Finalize\" \\ 1");
    write(root / "settings" / "memo.reg", presets::formatSettingsText("SOFTWARE\\Zevsound\\Emberline20\\MemoA", memo));
    return 0;
}

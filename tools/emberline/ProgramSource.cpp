#include "tools/emberline/ProgramSource.h"

#include <memory>
#include <vector>

#include "presets/FileIO.h"
#include "presets/PresetFiles.h"
#include "tools/emberline/Options.h"
#include "tools/emberline/PluginSetup.h"

namespace cli {

namespace {

// The largest layout is a few kilobytes; bytes past it are never used.
constexpr std::size_t kMaxFileBytes = 1 << 16;

bool readProgramFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
    switch (fileio::readFile(path, kMaxFileBytes, bytes)) {
        case fileio::ReadStatus::Ok: return true;
        case fileio::ReadStatus::Missing: error = path + ": No such file or directory"; return false;
        case fileio::ReadStatus::Unreadable: error = path + ": cannot read the file"; return false;
    }
    return false;
}

bool factoryProgram(const PluginOptions& o, ProgramValues& out, std::string& error) {
    const presets::FactoryProgram* table = presets::factoryPrograms(o.edition);
    const int count = presets::numFactoryPrograms();
    if (!table) {
        error = "no factory programs for edition " + std::to_string(o.edition);
        return false;
    }
    auto startsWith = [](const std::string& name, const std::string& key) { return name.rfind(key, 0) == 0; };
    Lookup found = lookUp(o.program, count, [&](int p) { return std::string(table[p].name); }, {startsWith});
    const std::string key = trim(o.program);
    switch (found.result) {
        case Lookup::Found: break;
        case Lookup::OutOfRange:
            error = "no factory program " + key + " (programs are 0.." + std::to_string(count - 1) + ")";
            return false;
        case Lookup::Ambiguous:
            error = "program '" + o.program + "' is ambiguous: it begins " + std::to_string(found.matches) +
                    " factory program names";
            return false;
        case Lookup::Unknown:
            error = "unknown program '" + o.program + "' (give 0.." + std::to_string(count - 1) +
                    " or a factory program's name; 'emberline programs' lists them)";
            return false;
    }
    out.count = presets::programValueCount(o.edition);
    for (int k = 0; k < out.count; ++k) {
        out.values[k] = (float)table[found.index].values[k];
        out.has[k] = true;
    }
    return true;
}

// Which record of a bank --program names (program 0 without it).
bool bankRecord(const PluginOptions& o, const presets::ParsedFile& parsed, int& record, std::string& error) {
    record = 0;
    if (o.program.empty()) return true;
    auto nameOf = [&](int j) { return parsed.records[j].hasName ? std::string(parsed.records[j].name) : ""; };
    Lookup found = lookUp(o.program, parsed.numRecords, nameOf);
    const std::string key = trim(o.program);
    if (found.result == Lookup::OutOfRange) {
        error = o.bankFile + ": the bank holds programs 0.." + std::to_string(parsed.numRecords - 1) + ", not " + key;
        return false;
    }
    if (found.result == Lookup::Unknown) {
        error = o.bankFile + ": no program named '" + key + "' in the bank";
        return false;
    }
    record = found.index;  // of several programs with the name, the first
    return true;
}

bool fileProgram(const PluginOptions& o, ProgramValues& out, std::string& error) {
    const bool bank = !o.bankFile.empty();
    const std::string& path = bank ? o.bankFile : o.presetFile;
    std::vector<unsigned char> bytes;
    if (!readProgramFile(path, bytes, error)) return false;
    auto parsed = std::make_unique<presets::ParsedFile>(
        bank ? presets::parseBank(bytes.data(), bytes.size(), o.edition)
             : presets::parsePreset(bytes.data(), bytes.size(), o.edition));
    if (parsed->error) {
        error = path + ": " + parsed->error;
        return false;
    }
    int record = 0;
    if (bank && !bankRecord(o, *parsed, record, error)) return false;
    const presets::ProgramRecord& r = parsed->records[record];
    bool any = r.hasName;
    for (int k = 0; k < parsed->valuesPerRecord; ++k) any = any || r.hasValue[k];
    if (!any) {
        error = path + ": the file ends before program " + std::to_string(record);
        return false;
    }
    out.count = parsed->valuesPerRecord;
    for (int k = 0; k < out.count; ++k) {
        out.values[k] = r.values[k];
        out.has[k] = r.hasValue[k];
    }
    return true;
}

}  // namespace

bool loadProgramChoice(const PluginOptions& o, ProgramValues& values, std::string& error) {
    values = ProgramValues{};
    if (!o.presetFile.empty() || !o.bankFile.empty()) return fileProgram(o, values, error);
    if (!o.program.empty()) return factoryProgram(o, values, error);
    return true;
}

}  // namespace cli

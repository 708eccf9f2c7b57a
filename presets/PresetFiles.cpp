#include "presets/PresetFiles.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace presets {

const char* const kErrorInvalidFile = "Error #01: Invalid preset file!";
const char* const kErrorNotPreset = "Error #02: Not a preset file!";
const char* const kErrorNotBank = "Not a bank file!";

namespace {

constexpr std::size_t kHeaderSize = 5;
// 'ZEML' as a 32-bit integer, written little-endian: "LMEZ" on disk.
constexpr unsigned char kIdentifierOnDisk[4] = {'L', 'M', 'E', 'Z'};
constexpr unsigned char kIdentifierForward[4] = {'Z', 'E', 'M', 'L'};

std::size_t recordSize(int values) { return kFileNameLength + 4 * (std::size_t)values; }

float readFloatLE(const unsigned char* p) {
    std::uint32_t bits = (std::uint32_t)p[0] | ((std::uint32_t)p[1] << 8) |
                         ((std::uint32_t)p[2] << 16) | ((std::uint32_t)p[3] << 24);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void writeFloatLE(std::vector<unsigned char>& out, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    for (int i = 0; i < 4; ++i) out.push_back((unsigned char)(bits >> (8 * i)));
}

// Checks identifier and kind; returns the error text or null.
const char* checkHeader(const unsigned char* data, std::size_t size, unsigned char kind,
                        const char* kindError) {
    if (!data || size < 4) return kErrorInvalidFile;
    if (std::memcmp(data, kIdentifierOnDisk, 4) != 0 &&
        std::memcmp(data, kIdentifierForward, 4) != 0)
        return kErrorInvalidFile;
    if (size < kHeaderSize || data[4] != kind) return kindError;
    return nullptr;
}

// Reads one record at offset, as far as the buffer goes.
void readRecord(const unsigned char* data, std::size_t size, std::size_t offset, int numValues,
                ProgramRecord& rec) {
    rec = ProgramRecord{};
    if (offset >= size) return;
    std::size_t avail = size - offset;
    const unsigned char* p = data + offset;
    if (avail < (std::size_t)kFileNameLength) return;  // an incomplete name is not taken
    rec.hasName = true;
    std::memcpy(rec.name, p, kFileNameLength);
    rec.name[kFileNameLength] = 0;
    p += kFileNameLength;
    avail -= kFileNameLength;
    for (int k = 0; k < numValues && avail >= 4; ++k, p += 4, avail -= 4) {
        float v = readFloatLE(p);
        if (!std::isfinite(v)) continue;
        rec.values[k] = v;
        rec.hasValue[k] = true;
    }
}

void appendRecord(std::vector<unsigned char>& out, const ProgramRecord& rec, int numValues) {
    char name[kFileNameLength] = {};
    for (int i = 0; i < kFileNameLength && rec.name[i]; ++i) name[i] = rec.name[i];
    out.insert(out.end(), name, name + kFileNameLength);
    for (int k = 0; k < numValues; ++k) writeFloatLE(out, rec.values[k]);
}

void appendHeader(std::vector<unsigned char>& out, unsigned char kind) {
    out.insert(out.end(), kIdentifierOnDisk, kIdentifierOnDisk + 4);
    out.push_back(kind);
}

}  // namespace

std::size_t presetFileSize(int edition) {
    int n = programValueCount(edition);
    return n ? kHeaderSize + recordSize(n) : 0;
}

std::size_t bankFileSize(int edition) {
    int n = programValueCount(edition);
    return n ? kHeaderSize + kBankPrograms * recordSize(n) : 0;
}

// The header check and the layout both kinds of file share: answers the full
// value count of the edition, or 0 with f.error set.
static int startParse(ParsedFile& f, const unsigned char* data, std::size_t size, int edition, unsigned char kind,
               const char* wrongKind) {
    f.error = checkHeader(data, size, kind, wrongKind);
    if (f.error) return 0;
    int full = programValueCount(edition);
    if (!full) f.error = kErrorInvalidFile;
    return full;
}

// The layout both kinds share: a header, then records of the file's value
// count; a legacy file is told by its exact size.
struct Layout {
    unsigned char kind;
    const char* wrongKind;
    std::size_t legacySize;
    int records, legacyRecords;
};

static ParsedFile parseLayout(const unsigned char* data, std::size_t size, int edition, const Layout& layout) {
    ParsedFile f;
    const int full = startParse(f, data, size, edition, layout.kind, layout.wrongKind);
    if (!full) return f;
    f.legacy = size == layout.legacySize;
    f.valuesPerRecord = f.legacy ? kLegacyValues : full;
    f.numRecords = f.legacy ? layout.legacyRecords : layout.records;
    const std::size_t rs = recordSize(f.valuesPerRecord);
    for (int j = 0; j < f.numRecords; ++j)
        readRecord(data, size, kHeaderSize + (std::size_t)j * rs, f.valuesPerRecord, f.records[j]);
    return f;
}

ParsedFile parsePreset(const unsigned char* data, std::size_t size, int edition) {
    return parseLayout(data, size, edition, {kPresetKind, kErrorNotPreset, kLegacyPresetSize, 1, 1});
}

ParsedFile parseBank(const unsigned char* data, std::size_t size, int edition) {
    return parseLayout(data, size, edition, {kBankKind, kErrorNotBank, kLegacyBankSize, kBankPrograms, kLegacyBankPrograms});
}

std::vector<unsigned char> serialisePreset(const ProgramRecord& program, int edition) {
    std::vector<unsigned char> out;
    int n = programValueCount(edition);
    if (!n) return out;
    out.reserve(presetFileSize(edition));
    appendHeader(out, kPresetKind);
    appendRecord(out, program, n);
    return out;
}

std::vector<unsigned char> serialiseBank(const ProgramRecord* programs, int edition) {
    std::vector<unsigned char> out;
    int n = programValueCount(edition);
    if (!n || !programs) return out;
    out.reserve(bankFileSize(edition));
    appendHeader(out, kBankKind);
    for (int j = 0; j < kBankPrograms; ++j) appendRecord(out, programs[j], n);
    return out;
}

}  // namespace presets

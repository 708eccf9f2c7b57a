// The product's preset (.zev) and bank (.zvb) file formats as pure functions on
// byte buffers. A five-byte header (identifier ZEML as a little-endian 32-bit
// integer, then the kind byte) is followed by program records of a 24-byte name
// and little-endian single floats. Legacy files (preset 149 bytes, bank 4325
// bytes) carry 30 values per program; full files carry the edition's count.
#pragma once

#include <cstddef>
#include <vector>

#include "presets/FactoryPrograms.h"

namespace presets {

// The three format errors, with the texts shown to the user.
extern const char* const kErrorInvalidFile;  // "Error #01: Invalid preset file!"
extern const char* const kErrorNotPreset;    // "Error #02: Not a preset file!"
extern const char* const kErrorNotBank;      // "Not a bank file!"

constexpr unsigned char kPresetKind = 0x21;  // '!'
constexpr unsigned char kBankKind = 0x37;    // '7'
constexpr int kFileNameLength = 24;
constexpr int kLegacyValues = 30;
constexpr int kBankPrograms = 31;
constexpr int kLegacyBankPrograms = 30;
constexpr std::size_t kLegacyPresetSize = 149;
constexpr std::size_t kLegacyBankSize = 4325;

// Full layout sizes: 197 / 5957 bytes for edition 2, 221 / 6701 for edition 1;
// 0 for an unknown edition.
std::size_t presetFileSize(int edition);
std::size_t bankFileSize(int edition);

struct ProgramRecord {
    // True when the whole 24-byte name field was in the file.
    bool hasName = false;
    // Zero-terminated; a 24-character name fills the first 24 bytes.
    char name[kFileNameLength + 1] = {};
    // Value k was in the file as a complete four-byte float and is finite.
    // Anything else must leave the program's value as it was.
    bool hasValue[kMaxProgramValues] = {};
    float values[kMaxProgramValues] = {};
};

struct ParsedFile {
    const char* error = nullptr;  // one of the three texts above, or null
    bool legacy = false;
    int valuesPerRecord = 0;      // 30 for legacy files, else the edition's count
    int numRecords = 0;           // records of the layout (1 for presets)
    ProgramRecord records[kBankPrograms];
};

// Both accept the identifier in either byte order. A file shorter or longer
// than its layout is read as far as it goes: nothing is taken from beyond the
// end, and bytes past the layout are ignored.
ParsedFile parsePreset(const unsigned char* data, std::size_t size, int edition);
ParsedFile parseBank(const unsigned char* data, std::size_t size, int edition);

// Full layout of the edition. Names are written as 24 bytes (zero padded,
// no terminator for a 24-character name); values hasValue is not consulted.
// An unknown edition yields an empty buffer.
std::vector<unsigned char> serialisePreset(const ProgramRecord& program, int edition);
std::vector<unsigned char> serialiseBank(const ProgramRecord* programs /* 31 */, int edition);

}  // namespace presets

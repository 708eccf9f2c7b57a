// The factory programs of both editions. Both tables are available whatever
// edition is compiled, so tools can use either.
#pragma once

namespace presets {

constexpr int kNumFactoryPrograms = 31;
constexpr int kMaxProgramValues = 48;  // the first edition's program size

struct FactoryProgram {
    const char* name;
    // Normalised values in parameter index order; only the first
    // programValueCount(edition) entries are used, the rest are 0.
    double values[kMaxProgramValues];
};

// 31 for both editions.
int numFactoryPrograms();

// Values per program: 42 for the second edition, 48 for the first; 0 for an
// unknown edition.
int programValueCount(int edition);

// The 31 factory programs of edition 2 or 1 (program 0 "Current", 1 "Default",
// 2..30 the factory sounds); nullptr for any other edition.
const FactoryProgram* factoryPrograms(int edition);

}  // namespace presets

#include "presets/FactoryPrograms.h"

namespace presets {
namespace {

// The columns that differ between the programs; every other value is the
// same in all rows and is filled in by buildTable.
struct Row {
    const char* name;
    double mode, link, drive, knee, speed, release, highAdjust, lowAdjust, highFreq, lowFreq,
        ceiling, output, lowRel, highRel;
};

// clang-format off
constexpr Row kRows[kNumFactoryPrograms] = {
    {"Current",                0, 1, 0.5,   0,     1,     0.5,  0.5,   0.5,   1,     0.5,   0.5,   0.5,    0.5,  0.5},
    {"Default",                0, 1, 0.5,   0,     1,     0.5,  0.5,   0.5,   1,     0.5,   0.5,   0.5,    0.5,  0.5},
    {"Mastering First Aid",    1, 1, 0.535, 0,     1,     0.5,  0.54,  0.55,  1,     0.57,  0.5,   0.4984, 0.5,  0.5},
    {"Mix First Aid 1",        1, 1, 0.55,  0,     0.5,   0.5,  0.75,  0.75,  0.65,  0.65,  0.5,   0.4984, 0.5,  0.5},
    {"Mix First Aid 2",        1, 1, 0.5,   0.1,   0.5,   0.5,  0.65,  0.57,  0.7,   0.65,  0.5,   0.4984, 0.5,  0.5},
    {"Mix First Aid 3",        1, 1, 0.6,   0,     1,     0.5,  0.56,  0.57,  1,     0.57,  0.5,   0.4984, 0.5,  0.5},
    {"Mix First Aid 4",        1, 1, 0.58,  0,     0.65,  0.5,  0.71,  0.71,  0.65,  0.75,  0.5,   0.4984, 0.5,  0.5},
    {"Mix Extra Pressure",     1, 1, 0.6,   0.2,   0.6,   0.75, 0.5,   0.5,   0.5,   0.5,   0.48,  0.4984, 0.5,  0.5},
    {"Mix Finalize 1",         1, 1, 0.65,  0,     0.4,   0.75, 0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.75, 0.25},
    {"Mix Finalize 2",         1, 1, 0.6,   0.1,   0.25,  0.75, 0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.75, 0.25},
    {"Mix Finalize 3",         1, 1, 0.55,  0.2,   0,     1,    0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.75, 0.25},
    {"Mix liteDriven Tape",    1, 1, 0.5,   0.15,  0,     0,    0.485, 0.54,  1,     0.4,   0.5,   0.4984, 0.75, 0.25},
    {"Mix semiDriven Tape",    1, 1, 0.5,   0.25,  0,     0,    0.485, 0.54,  1,     0.4,   0.5,   0.4984, 0.75, 0.25},
    {"Mix heavyDriven Tape",   1, 1, 0.5,   0.4,   0,     0,    0.485, 0.54,  1,     0.4,   0.5,   0.4984, 0.75, 0.25},
    {"MultiBandLimiter Slow",  1, 1, 0.5,   0,     1,     0.5,  0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.5,  0.5},
    {"MultiBandLimiter Fast",  1, 1, 0.5,   0,     0.65,  0.5,  0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.5,  0.5},
    {"MultiBandCompLim Light", 1, 1, 0.5,   0.3,   1,     1,    0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.5,  0.5},
    {"MultiBandCompLim Med",   1, 1, 0.5,   0.5,   1,     1,    0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.5,  0.5},
    {"MultiBandCompLim Heavy", 1, 1, 0.5,   0.75,  1,     1,    0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.5,  0.5},
    {"Guitar Track",           0, 0, 0.8,   0.75,  0.472, 0.35, 0.75,  0.5,   0.3,   0.5,   0.3,   0.4984, 0.5,  0.5},
    {"Clean Guitar Track",     0, 0, 0.625, 0.155, 1,     0.31, 0.58,  0.35,  0.825, 0.575, 0.5,   0.4984, 0.5,  0.5},
    {"HeavyRythmGuitar Trk",   0, 0, 0.54,  0.18,  0.7,   1,    0.65,  0.35,  0.67,  0.5,   0.5,   0.4984, 0.5,  0.5},
    {"Lead Guitar 1 Track",    0, 0, 0.58,  0.09,  1,     0.31, 0.52,  0.35,  0.825, 0.575, 0.5,   0.4984, 0.5,  0.5},
    {"Lead Guitar 2 Track",    0, 0, 0.58,  0.09,  1,     0.22, 0.52,  0.475, 0.825, 0.575, 0.5,   0.4984, 0.5,  0.5},
    {"Vintage Guitar Trk",     0, 0, 0.75,  0.125, 0.145, 0.35, 0.25,  0.75,  0.75,  0.85,  0.375, 0.4984, 0.5,  0.5},
    {"Bass Line Track",        0, 0, 0.72,  0.45,  0.28,  0.45, 0.5,   0.665, 0.5,   0.6,   0.5,   0.4984, 0.5,  0.5},
    {"Funky Bass Drum Trk",    0, 0, 0.72,  0.082, 0.682, 0.82, 0.5,   0.665, 0.5,   0.5,   0.28,  0.4984, 0.5,  0.5},
    {"Snare Drum Track",       0, 0, 0.675, 0.3,   0,     0.5,  0.5,   0.5,   0.5,   0.5,   0.5,   0.4984, 0.5,  0.5},
    {"Track Tape Slow",        0, 0, 0.5,   0.2,   0.25,  0.5,  0.42,  0.4,   0.8,   0.1,   0.5,   0.4984, 0.5,  0.5},
    {"Track Tape Normal",      0, 1, 0.5,   0.25,  0.5,   0.5,  0.42,  0.42,  0.9,   0.15,  0.5,   0.4984, 0.5,  0.5},
    {"Track Tape Fast",        0, 0, 0.5,   0.25,  0.75,  0.5,  0.45,  0.42,  1,     0.2,   0.5,   0.4984, 0.5,  0.5},
};
// clang-format on

struct Table {
    FactoryProgram programs[kNumFactoryPrograms];
};

constexpr Table buildTable(int edition) {
    Table t{};
    for (int p = 0; p < kNumFactoryPrograms; ++p) {
        const Row& r = kRows[p];
        FactoryProgram& fp = t.programs[p];
        fp.name = r.name;
        for (double& v : fp.values) v = 0;
        // Indices 0..21 are laid out alike in both editions.
        double* v = fp.values;
        v[0] = 1;  // Process
        v[1] = r.mode;
        v[2] = 1;  // Mono Stereo
        v[3] = r.link;
        v[4] = r.drive;
        v[5] = r.knee;
        v[6] = r.speed;
        v[7] = r.release;
        v[8] = r.highAdjust;
        v[9] = r.lowAdjust;
        v[10] = r.highFreq;
        v[11] = r.lowFreq;
        v[12] = 1;  // Mix
        v[13] = r.ceiling;
        v[14] = r.output;
        v[15] = v[16] = v[17] = 0.5;  // LowSat, MidSat, HighSat
        v[18] = r.lowRel;
        v[19] = 0.5;  // MidRel
        v[20] = r.highRel;
        v[21] = 0.5;  // Meters
        if (edition == 2) {
            v[24] = 1;  // FineTune
            v[29] = 1;  // Brickwall
        } else {
            // The first edition's Finalize and Tape programs keep LowRel 1 and
            // HighRel 0.
            if (p >= 8 && p <= 13) {
                v[18] = 1;
                v[20] = 0;
            }
            v[28] = 1;  // FineTune
            v[34] = 1;  // Brickwall
        }
    }
    return t;
}

constexpr Table kEdition2 = buildTable(2);
constexpr Table kEdition1 = buildTable(1);

}  // namespace

int numFactoryPrograms() { return kNumFactoryPrograms; }

int programValueCount(int edition) {
    if (edition == 2) return 42;
    if (edition == 1) return 48;
    return 0;
}

const FactoryProgram* factoryPrograms(int edition) {
    if (edition == 2) return kEdition2.programs;
    if (edition == 1) return kEdition1.programs;
    return nullptr;
}

}  // namespace presets

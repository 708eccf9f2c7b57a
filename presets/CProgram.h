// One stored program: a name of at most 24 characters and the normalised
// values of the edition's program parameters.
#pragma once

#include <atomic>

#ifndef EMBERLINE_EDITION
#error "EMBERLINE_EDITION must be 1 or 2"
#endif

constexpr int kEdition = EMBERLINE_EDITION;
constexpr int kProgramNameLength = 24;
constexpr int kNumPrograms = 31;
// 42 values in the second edition, 48 in the first.
constexpr int kNumProgramValues = (EMBERLINE_EDITION == 1) ? 48 : 42;

class CProgram {
public:
    // A new program is named "init" and holds the values of "Default".
    CProgram();
    virtual ~CProgram() = default;

    // Clears the name field, then takes at most the first 24 characters.
    // A null name clears the name.
    virtual void setName(const char* text);
    // Copies the name and its terminator (at most 25 bytes).
    virtual void getName(char* text) const;
    // Index 0..kNumProgramValues-1 only. Values are limited to 0..1; a NaN
    // is not stored (the program keeps what it held).
    virtual void setValue(int index, float value);
    // The stored value, or -1 for an index outside the program.
    virtual float getValue(int index) const;

    const char* name() const { return nameField; }

protected:
    char nameField[kProgramNameLength + 1];
    // Hosts set parameters from more than one thread at once (automation on
    // the audio thread while the user edits), so every value is an atomic.
    std::atomic<float> values[kNumProgramValues];
};

// The texts of the editor's value displays and the reading of typed values.
#pragma once

namespace valueformats {

// Each writes at most 255 characters and a terminator into text.
void formatPercent(float value, char* text);
void formatDecibel(float value, char* text);
void formatDecibelFS(float value, char* text);
void formatInteger(float value, char* text);
void formatMultiplier(float value, char* text);
void formatMilliseconds(float value, char* text);
void formatLatencySamples(float value, char* text);

// The number at the start of a typed text: leading blanks and a sign are
// allowed, a comma counts as the decimal point; text that is not a number,
// or a number out of range, gives 0.
double parseTypedNumber(const char* text);

}  // namespace valueformats

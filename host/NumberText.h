// Number-to-text routines shared by the interface base and the parameter texts.
#pragma once

// The digits of the integer part of |value| (with "-" for negative values) and a
// point, then as many fraction digits as fill eight characters. out must hold
// at least 25 bytes; the text never exceeds 24 characters.
void writeEightCharacters(double value, char* out);

// value with n (0, 1 or 2) decimals, rounded half away from zero with 0.49999
// as the threshold; a negative value that rounds to zero keeps its sign.
// out must hold at least 25 bytes.
void formatFixed(float value, int decimals, char* out);

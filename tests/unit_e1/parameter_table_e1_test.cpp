// The first edition's parameter table (its narrower band ranges, no FAT):
// laws and their inverses, and the texts, engine quantities and resets the
// effect takes from it.
#include "tests/unit/ParameterTableCases.h"

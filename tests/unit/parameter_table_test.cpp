// The second edition's parameter table: laws and their inverses, and the
// texts, engine quantities and resets the effect takes from it.
#include "tests/unit/ParameterTableCases.h"

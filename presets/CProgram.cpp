#include "presets/CProgram.h"

#include <cstring>

#include "presets/FactoryPrograms.h"

static_assert(kEdition == 1 || kEdition == 2, "unknown edition");

CProgram::CProgram() {
    setName("init");
    const presets::FactoryProgram& def = presets::factoryPrograms(kEdition)[1];
    for (int k = 0; k < kNumProgramValues; ++k) values[k].store((float)def.values[k], std::memory_order_relaxed);
}

void CProgram::setName(const char* text) {
    std::memset(nameField, 0, sizeof(nameField));
    if (!text) return;
    std::size_t n = 0;
    while (n < (std::size_t)kProgramNameLength && text[n]) ++n;
    std::memcpy(nameField, text, n);
}

void CProgram::getName(char* text) const {
    if (!text) return;
    std::memcpy(text, nameField, sizeof(nameField));
}

void CProgram::setValue(int index, float value) {
    if ((unsigned)index >= (unsigned)kNumProgramValues) return;
    if (value != value) return;  // NaN: keep the old value
    if (value < 0.0f)
        value = 0.0f;
    else if (value > 1.0f)
        value = 1.0f;
    values[index].store(value, std::memory_order_relaxed);
}

float CProgram::getValue(int index) const {
    if ((unsigned)index >= (unsigned)kNumProgramValues) return -1.0f;
    return values[index].load(std::memory_order_relaxed);
}

// The library's only exported symbols: one function under two names.
#include "host/entry.h"

extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(
    vst::audioMasterCallback audioMaster) {
    return emberlineEntry(audioMaster);
}

// Older hosts look the entry up as "main". A C++ function cannot carry that
// name, so an alias with that assembler name points at the same code.
extern "C" __attribute__((visibility("default"), alias("VSTPluginMain"))) vst::AEffect*
emberlineMainAlias(vst::audioMasterCallback audioMaster) __asm__("main");

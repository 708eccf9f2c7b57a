// The library's only exported symbols: one function under two names.
#include "host/Compiler.h"
#include "host/entry.h"

#if defined(_WIN32)
// On Windows host/win32/exports.def exports this function under both names.
extern "C" vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster) {
    return emberlineEntry(audioMaster);
}
#else
extern "C" EMBERLINE_EXPORT vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster) {
    return emberlineEntry(audioMaster);
}

// Older hosts look the entry up as "main". A C++ function cannot carry that
// name, so an alias with that assembler name points at the same code.
extern "C" EMBERLINE_EXPORT_ALIAS("VSTPluginMain") vst::AEffect*
emberlineMainAlias(vst::audioMasterCallback audioMaster) __asm__("main");
#endif

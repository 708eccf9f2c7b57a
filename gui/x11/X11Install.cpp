// Compiled into each library that shows editors on X11: installs the X11
// platform when the library is loaded and releases its fonts when unloaded.
#include "gui/x11/X11Platform.h"

namespace {
VSTGUI::x11::Installation gInstallation;
}

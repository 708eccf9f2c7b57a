/* Debian's static cairo, libpng and fontconfig archives are built as
 * position-independent executables' code, which reaches the C library's
 * stderr and stdout as if they lived in the executable. Inside a shared
 * library that needs definitions of our own: hidden pointers, bound to the C
 * library's streams when the library is loaded. Compiled into the library
 * itself (not an archive) so that the archives' references find it. */
#define _GNU_SOURCE
#include <dlfcn.h>

__attribute__((visibility("hidden"))) void* stderr;
__attribute__((visibility("hidden"))) void* stdout;

__attribute__((constructor)) static void emberlineBindStreams(void) {
    void** libcStderr = (void**)dlsym(RTLD_DEFAULT, "stderr");
    void** libcStdout = (void**)dlsym(RTLD_DEFAULT, "stdout");
    if (libcStderr) stderr = *libcStderr;
    if (libcStdout) stdout = *libcStdout;
    /* pixman (shared) allocates its tables when it is loaded and never frees
     * them: it stays loaded once we brought it in, so that a host that loads
     * and unloads the plug-in again and again does not lose them each time. */
    void* pixman = dlopen("libpixman-1.so.0", RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    if (pixman) dlclose(pixman);
}

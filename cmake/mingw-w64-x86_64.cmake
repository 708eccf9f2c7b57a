# Cross build of the 64-bit Windows libraries with Debian's MinGW-w64
# (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The POSIX thread model compiler is the one with std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(EMBERLINE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${EMBERLINE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${EMBERLINE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${EMBERLINE_MINGW_PREFIX}-windres)
set(CMAKE_AR ${EMBERLINE_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${EMBERLINE_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_STRIP ${EMBERLINE_MINGW_PREFIX}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${EMBERLINE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static: each library and test program needs nothing but the
# system's own DLLs (no libgcc, libstdc++ or winpthread DLL beside it).
# Win64 does not keep the stack 32-byte aligned for the vector code: aligned
# vector moves on spilled values would fault, so the assembler makes every
# vector move an unaligned one.
set(CMAKE_C_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

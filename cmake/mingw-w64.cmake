# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread model).
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DVELMORA_WINDOWS_PREFIX=/path/to/windows/libraries
#
# Every program is linked statically (no MinGW DLLs beside the .exe), and Wine is
# the cross-compiling emulator, so gtest_discover_tests and ctest run the tests
# under Wine.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELMORA_MINGW_TRIPLE x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${VELMORA_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VELMORA_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VELMORA_MINGW_TRIPLE}-windres)
find_program(CMAKE_AR NAMES ${VELMORA_MINGW_TRIPLE}-gcc-ar-posix ${VELMORA_MINGW_TRIPLE}-ar)
find_program(CMAKE_RANLIB NAMES ${VELMORA_MINGW_TRIPLE}-gcc-ranlib-posix ${VELMORA_MINGW_TRIPLE}-ranlib)

# Libraries built for Windows by scripts/windows (Lua, GoogleTest) live below this
# prefix; it is searched like the compiler's own sysroot.
set(VELMORA_WINDOWS_PREFIX "" CACHE PATH "Prefix of the libraries built for Windows")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW_TRIPLE})
if(VELMORA_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELMORA_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static: libgcc, libstdc++ and winpthreads go into every executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Wine runs the Windows programs. Debian installs the 64-bit loader as
# /usr/lib/wine/wine64 (the /usr/bin/wine wrapper prefers a 32-bit Wine).
find_program(VELMORA_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VELMORA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE})
endif()

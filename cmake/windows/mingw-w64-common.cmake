# What both mingw-w64 toolchains share. TAVIREL_MINGW_TRIPLET names the target.
#
# Programs are linked statically against libstdc++, libgcc and winpthread: a
# program whose DLLs are missing does not start at all (under wine it exits
# with 53 and prints nothing), so nothing but Windows' own DLLs is needed.
# TAVIREL_WINDOWS_DEPS, when set, is the folder where scripts/build-windows
# put the dependencies built for this target (GoogleTest, SQLite and the
# header-only libraries); find_package looks there and nowhere on the host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10)
if(TAVIREL_MINGW_TRIPLET MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

set(CMAKE_C_COMPILER ${TAVIREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVIREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVIREL_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${TAVIREL_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TAVIREL_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TAVIREL_MINGW_TRIPLET})
if(DEFINED ENV{TAVIREL_WINDOWS_DEPS})
  set(TAVIREL_WINDOWS_DEPS $ENV{TAVIREL_WINDOWS_DEPS})
endif()
if(TAVIREL_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TAVIREL_WINDOWS_DEPS})
  list(APPEND CMAKE_PREFIX_PATH ${TAVIREL_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The library as a DLL keeps the compiler's runtime in DLLs of its own (shipped
# beside it): a C++ interface passes exceptions and objects across the DLL's
# edge, which wants one runtime on both sides.
# Test programs and helpers run under wine on the build machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# GCC 12 reports impossible overlaps inside std::string (-Wrestrict) in code
# that only concatenates strings; at Windows' optimisation it floods the log.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
# -O2: as fast at run time for this code, and quicker to build than -O3.
set(CMAKE_C_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")

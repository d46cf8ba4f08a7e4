# Cross-building for 64-bit Windows with Debian's mingw-w64 (POSIX threads
# flavour: std::thread and std::jthread need it).
set(TAVIREL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

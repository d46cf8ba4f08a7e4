# The driver library: standard library and the platform's API only (POSIX,
# or Win32 and Winsock).
#
# Its sources compile once, into tavirel_objects, with hidden symbols: only
# what the public headers mark TAVIREL_API (tavirel/export.hpp, generated
# here) is exported from a shared libtavirel. From the objects come
#   tavirel           static, or shared with a soname when BUILD_SHARED_LIBS;
#   tavirel_internal  what the project's own tests, benchmarks and fuzz
#                     targets link: they reach into src/, so in a shared
#                     build they get the same objects, all of them, from a
#                     static archive.
include(GenerateExportHeader)

file(GLOB_RECURSE TAVIREL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.cpp)
# A platform's files sit side by side in src/port/, named for it: posix_*
# and termios_* for POSIX systems, win_* for Windows. The build takes one set.
if(WIN32)
  list(FILTER TAVIREL_SOURCES EXCLUDE REGEX "/src/port/(posix|termios)_[^/]*$")
else()
  list(FILTER TAVIREL_SOURCES EXCLUDE REGEX "/src/port/win_[^/]*$")
endif()
set(TAVIREL_PUBLIC_INCLUDES
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
  $<INSTALL_INTERFACE:include>)

add_library(tavirel_objects OBJECT ${TAVIREL_SOURCES})
target_include_directories(tavirel_objects PUBLIC ${TAVIREL_PUBLIC_INCLUDES}
  PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_features(tavirel_objects PUBLIC cxx_std_20)
if(WIN32)
  # Windows 7 and up (CancelIoEx); the narrow (A) functions are called by name.
  target_compile_definitions(tavirel_objects PRIVATE _WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)
  # TAVIREL_API is dllexport while the DLL's objects compile, dllimport for
  # its users, and nothing at all in a static build (for the library and
  # everyone who links it). An object library gets no <target>_EXPORTS of
  # its own, so it is set here.
  if(BUILD_SHARED_LIBS)
    target_compile_definitions(tavirel_objects PRIVATE tavirel_objects_EXPORTS)
  else()
    target_compile_definitions(tavirel_objects PUBLIC TAVIREL_STATIC_DEFINE)
  endif()
endif()
set_target_properties(tavirel_objects PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
if(TAVIREL_WERROR)
  # GCC 12 at -O3 reports impossible overlaps inside std::string (-Wrestrict)
  # in code that only concatenates strings: warned about, never an error.
  target_compile_options(tavirel_objects PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror -Wno-error=restrict)
endif()

generate_export_header(tavirel_objects
  BASE_NAME TAVIREL
  EXPORT_MACRO_NAME TAVIREL_API
  EXPORT_FILE_NAME ${PROJECT_BINARY_DIR}/include/tavirel/export.hpp)

add_library(tavirel $<TARGET_OBJECTS:tavirel_objects>)
add_library(tavirel::tavirel ALIAS tavirel)
if(WIN32)
  # Winsock for the network ports.
  target_link_libraries(tavirel PUBLIC ws2_32)
  if(NOT BUILD_SHARED_LIBS)
    target_compile_definitions(tavirel INTERFACE TAVIREL_STATIC_DEFINE)
  endif()
endif()
target_include_directories(tavirel PUBLIC ${TAVIREL_PUBLIC_INCLUDES})
target_compile_features(tavirel PUBLIC cxx_std_20)
set_target_properties(tavirel PROPERTIES
  LINKER_LANGUAGE CXX
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})

if(BUILD_SHARED_LIBS)
  # Every object goes into the executable, so nothing it or a part it links
  # (the simulated register, a host) calls is left for libtavirel.so, which
  # is then not needed at all: one copy of the library, never two.
  add_library(tavirel_internal_archive STATIC $<TARGET_OBJECTS:tavirel_objects>)
  set_target_properties(tavirel_internal_archive PROPERTIES LINKER_LANGUAGE CXX)
  add_library(tavirel_internal INTERFACE)
  target_link_libraries(tavirel_internal INTERFACE
    "$<LINK_LIBRARY:WHOLE_ARCHIVE,tavirel_internal_archive>")
  if(WIN32)
    target_link_libraries(tavirel_internal INTERFACE ws2_32)
  else()
    target_link_options(tavirel_internal INTERFACE LINKER:--as-needed)
  endif()
  target_include_directories(tavirel_internal INTERFACE ${TAVIREL_PUBLIC_INCLUDES}
    ${PROJECT_SOURCE_DIR}/src)
  target_compile_features(tavirel_internal INTERFACE cxx_std_20)
else()
  add_library(tavirel_internal INTERFACE)
  target_link_libraries(tavirel_internal INTERFACE tavirel)
  target_include_directories(tavirel_internal INTERFACE ${PROJECT_SOURCE_DIR}/src)
endif()

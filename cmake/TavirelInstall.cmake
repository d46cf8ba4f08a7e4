# What `cmake --install` lays out, by component:
#   runtime      the shared driver library (when built shared)
#   development  headers, the static libraries or the shared library's link,
#                the CMake package (find_package(tavirel)) and the .pc files
#   tools        the programs: tavirel, tavirel-studio, tavireld
#   python       the Python package tavirel (extension, Python layer, stubs)
# Parts that are not built in this configuration are left out, so the file
# serves every combination of TAVIREL_BUILD_* options.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TAVIREL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tavirel)
set(TAVIREL_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Installed programs find a shared libtavirel through a path relative to
# themselves, unless it lands where the loader searches anyway (a package
# into /usr, where an RPATH would be wrong).
# The platform's list lacks the multiarch folder (/usr/lib/x86_64-linux-gnu)
# that the compiler's list holds.
set(TAVIREL_PROGRAM_RPATH "")
list(FIND CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" tavirel_system_libdir)
if(tavirel_system_libdir EQUAL -1)
  list(FIND CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" tavirel_system_libdir)
endif()
if(BUILD_SHARED_LIBS AND tavirel_system_libdir EQUAL -1)
  file(RELATIVE_PATH tavirel_bin_to_lib "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(TAVIREL_PROGRAM_RPATH "$ORIGIN/${tavirel_bin_to_lib}")
endif()

# ---- Libraries and their headers -------------------------------------------
# The targets a user links, each with its export file: the driver and the
# simulated register need nothing beyond threads; the Qt and document parts
# bring their own dependencies, so they are components of their own.
function(tavirel_install_library target export_set)
  install(TARGETS ${target} EXPORT ${export_set}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
            NAMELINK_COMPONENT development
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endfunction()

# Each platform's port header goes with that platform's library only.
if(WIN32)
  set(TAVIREL_OTHER_PLATFORM_HEADER posix_serial_port.hpp)
else()
  set(TAVIREL_OTHER_PLATFORM_HEADER win_serial_port.hpp)
endif()
function(tavirel_install_headers dir)
  install(DIRECTORY ${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavirel
    COMPONENT development FILES_MATCHING PATTERN "*.hpp"
    PATTERN ${TAVIREL_OTHER_PLATFORM_HEADER} EXCLUDE)
endfunction()

tavirel_install_library(tavirel tavirelTargets)
tavirel_install_headers(${PROJECT_SOURCE_DIR}/include/tavirel)
install(DIRECTORY ${PROJECT_BINARY_DIR}/include/tavirel/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavirel
  COMPONENT development FILES_MATCHING PATTERN "*.hpp")
if(TARGET tavirel_sim)
  tavirel_install_library(tavirel_sim tavirelTargets)
  tavirel_install_headers(${PROJECT_SOURCE_DIR}/sim/include/tavirel)
endif()
install(EXPORT tavirelTargets NAMESPACE tavirel:: DESTINATION ${TAVIREL_CMAKE_DIR}
  COMPONENT development)

# A part with dependencies of its own: its targets in tavirel<Part>Targets.cmake,
# loaded by find_package(tavirel COMPONENTS <part>).
function(tavirel_install_part target part folder)
  if(NOT TARGET ${target})
    return()
  endif()
  tavirel_install_library(${target} tavirel${part}Targets)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${folder}/include/tavirel)
    tavirel_install_headers(${PROJECT_SOURCE_DIR}/${folder}/include/tavirel)
  endif()
  install(EXPORT tavirel${part}Targets NAMESPACE tavirel:: DESTINATION ${TAVIREL_CMAKE_DIR}
    COMPONENT development)
endfunction()
tavirel_install_part(tavirel_qt Qt qt)
tavirel_install_part(tavirel_documents Documents documents)

# ---- Programs ---------------------------------------------------------------
foreach(program tavirel_cli tavirel-studio tavireld)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "${TAVIREL_PROGRAM_RPATH}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  endif()
endforeach()

# ---- The Python package --------------------------------------------------------
# The package directory the build assembles in <build>/python/tavirel/, laid
# out under TAVIREL_PYTHON_INSTALL_DIR: Debian's place for packaged modules
# under /usr, the interpreter's own dist-packages under any other prefix (both
# are on Debian's sys.path), or "." for setup.py, which installs into its own
# build folder.
if(TARGET tavirel_python)
  # The interpreter's version, from the extension's name (.cpython-311-...so).
  get_target_property(tavirel_python_suffix tavirel_python SUFFIX)
  if(NOT tavirel_python_suffix MATCHES "cpython-3([0-9]+)")
    message(FATAL_ERROR "tavirel_python: no interpreter version in its suffix \"${tavirel_python_suffix}\"")
  endif()
  set(TAVIREL_PYTHON_MINOR ${CMAKE_MATCH_1})
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(tavirel_python_dir lib/python3/dist-packages)
  else()
    set(tavirel_python_dir lib/python3.${TAVIREL_PYTHON_MINOR}/dist-packages)
  endif()
  set(TAVIREL_PYTHON_INSTALL_DIR ${tavirel_python_dir} CACHE STRING
    "Where the Python package tavirel is installed, relative to the prefix")
  set(tavirel_python_package ${TAVIREL_PYTHON_INSTALL_DIR}/tavirel)
  # A shared libtavirel outside the loader's path is found from the module's place.
  if(TAVIREL_PROGRAM_RPATH)
    file(RELATIVE_PATH tavirel_module_to_lib "${CMAKE_INSTALL_PREFIX}/${tavirel_python_package}"
      "${CMAKE_INSTALL_FULL_LIBDIR}")
    set_target_properties(tavirel_python PROPERTIES INSTALL_RPATH "$ORIGIN/${tavirel_module_to_lib}")
  endif()
  install(TARGETS tavirel_python LIBRARY DESTINATION ${tavirel_python_package} COMPONENT python)
  # The Python layer and the generated stubs; the extension went above (stripped
  # when packaged), byte code is the interpreter's to write.
  install(DIRECTORY ${PROJECT_BINARY_DIR}/python/tavirel/ DESTINATION ${tavirel_python_package}
    COMPONENT python FILES_MATCHING PATTERN "*.py" PATTERN "*.pyi" PATTERN "py.typed"
    PATTERN "__pycache__" EXCLUDE)
endif()

# ---- find_package(tavirel) --------------------------------------------------
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/tavirelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tavirelConfig.cmake INSTALL_DESTINATION ${TAVIREL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tavirelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tavirelConfig.cmake ${PROJECT_BINARY_DIR}/tavirelConfigVersion.cmake
  DESTINATION ${TAVIREL_CMAKE_DIR} COMPONENT development)

# ---- pkg-config ---------------------------------------------------------------
# Relocatable: the prefix is found from the .pc file's own place, so a tree
# installed with `cmake --install --prefix` elsewhere still reads right.
file(RELATIVE_PATH TAVIREL_PC_TO_PREFIX "/${TAVIREL_PKGCONFIG_DIR}" "/")
string(REGEX REPLACE "/$" "" TAVIREL_PC_TO_PREFIX "${TAVIREL_PC_TO_PREFIX}")
function(tavirel_install_pc name)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${name}.pc.in ${PROJECT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${name}.pc DESTINATION ${TAVIREL_PKGCONFIG_DIR}
    COMPONENT development)
endfunction()
tavirel_install_pc(tavirel)
if(TARGET tavirel_sim)
  tavirel_install_pc(tavirel-sim)
endif()

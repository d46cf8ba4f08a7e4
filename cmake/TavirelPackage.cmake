# Debian packages from the install components (cpack -G DEB, run by
# scripts/package): libtavirel<soversion> (the shared library),
# libtavirel-dev (headers, link library, CMake and pkg-config files, the
# simulated register's library) and tavirel (the programs). Configure with
# -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_PREFIX=/usr to make them.
include(GNUInstallDirs)

set(TAVIREL_RUNTIME_PACKAGE libtavirel${PROJECT_VERSION_MAJOR})

set(CPACK_PACKAGE_NAME tavirel)
set(CPACK_PACKAGE_VENDOR "the tavirel developers")
set(TAVIREL_PACKAGE_CONTACT "tavirel maintainers <maintainers@users.noreply.c-seed-a0c44e83.example>"
  CACHE STRING "The Maintainer of the Debian packages")
set(CPACK_PACKAGE_CONTACT ${TAVIREL_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "driver for an Italian fiscal cash register")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libtavirel comes from our own package, not from the system's shlibs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

if(BUILD_SHARED_LIBS)
  set(CPACK_COMPONENTS_ALL runtime development tools)
else()
  set(CPACK_COMPONENTS_ALL development tools)
endif()
if(TARGET tavirel_python)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${TAVIREL_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# CPack reads only the package-wide switch when it looks for shared objects;
# only the runtime package holds one, so the shlibs file lands there alone.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
# The loader's cache is refreshed by dpkg's ldconfig trigger.
file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/triggers)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "driver for an Italian fiscal cash register - shared library
The tavirel library drives a fiscal cash register (fiscal printer, customer
display, cash drawer and fiscal memory) on a serial line: 67 operations,
their replies, and the line protocol with its timeouts and checksums.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtavirel-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# find_package(tavirel COMPONENTS qt documents) needs these.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SUGGESTS "qt6-base-dev, libsqlite3-dev")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "driver for an Italian fiscal cash register - development files
Headers, the link library, find_package(tavirel) and pkg-config files of the
tavirel library, with the simulated register library (tavirel::sim) for
tests without hardware.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME tavirel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
# The description names the programs this configuration builds.
set(tools_text "tavirel drives a fiscal cash register from a shell or a script, runs a
demonstration day on a built-in simulated register and serves that register
on a pseudo-terminal (tavirel sim).")
if(TARGET tavirel-studio)
  string(APPEND tools_text "\ntavirel-studio is a small Qt design-time host for the control.")
endif()
if(TARGET tavireld)
  string(APPEND tools_text "\ntavireld serves the driver over local HTTP.")
endif()
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "driver for an Italian fiscal cash register - programs
${tools_text}")

if(TARGET tavirel_python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tavirel)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  # The extension is built for one interpreter's ABI (cpython-3NN). It links
  # the shared driver library when the build is shared (below); the system's
  # libraries come from shlibdeps.
  # (TAVIREL_PYTHON_MINOR: TavirelInstall.cmake.)
  math(EXPR python_next "${TAVIREL_PYTHON_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= 3.${TAVIREL_PYTHON_MINOR}~), python3 (<< 3.${python_next})")
  # Byte code compiled on installation and removed before removal, as
  # Debian's Python packages do (py3compile, py3clean).
  foreach(script postinst prerm)
    file(COPY ${CMAKE_CURRENT_LIST_DIR}/python3-tavirel.${script} DESTINATION ${PROJECT_BINARY_DIR}/debian
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    file(RENAME ${PROJECT_BINARY_DIR}/debian/python3-tavirel.${script} ${PROJECT_BINARY_DIR}/debian/${script})
  endforeach()
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/debian/postinst ${PROJECT_BINARY_DIR}/debian/prerm)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION "driver for an Italian fiscal cash register - Python 3 module
The tavirel module drives a fiscal cash register from Python: the control
with its operations, decimal amounts and typed errors, whole documents with
their journal, and the simulated register in process or on a
pseudo-terminal. It carries type stubs for mypy.")
endif()

if(BUILD_SHARED_LIBS)
  set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
  set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
  set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
endif()

# Each package carries the licence as its copyright file and a changelog in
# Debian's format, as Debian's tools expect of /usr/share/doc/<package>/.
string(TIMESTAMP TAVIREL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian-changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/debian/changelog)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${doc_dir} RENAME copyright
    COMPONENT ${component} EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz DESTINATION ${doc_dir}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)

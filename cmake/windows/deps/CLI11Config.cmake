# CLI11 for a Windows cross-build: Debian's header-only copy, laid into the
# dependency folder by scripts/build-windows.
if(NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/../../../include")
endif()
set(CLI11_FOUND TRUE)

# nlohmann-json for a Windows cross-build: Debian's header-only copy, laid
# into the dependency folder by scripts/build-windows.
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/../../../include")
endif()
set(nlohmann_json_FOUND TRUE)

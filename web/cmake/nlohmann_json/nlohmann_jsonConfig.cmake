# nlohmann's JSON headers for the WebAssembly build.
include(${CMAKE_CURRENT_LIST_DIR}/../headers.cmake)
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${TALV_WEB_HEADERS})
endif()
set(nlohmann_json_FOUND TRUE)

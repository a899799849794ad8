# fmt as a header-only library for the WebAssembly build.
include(${CMAKE_CURRENT_LIST_DIR}/../headers.cmake)
if(NOT TARGET fmt::fmt)
  add_library(fmt::fmt INTERFACE IMPORTED GLOBAL)
  set_target_properties(fmt::fmt PROPERTIES
    INTERFACE_COMPILE_DEFINITIONS FMT_HEADER_ONLY=1
    INTERFACE_INCLUDE_DIRECTORIES ${TALV_WEB_HEADERS})
endif()
set(fmt_FOUND TRUE)

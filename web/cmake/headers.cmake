# The header-only libraries the host core uses, taken from the system's
# include directory without putting that directory (and its C library
# headers) on the cross compiler's path: each gets a folder of its own.
set(TALV_WEB_HEADERS ${CMAKE_BINARY_DIR}/web-headers)
set(TALV_SYSTEM_INCLUDE /usr/include CACHE PATH "Where the system's fmt and nlohmann headers are")
foreach(dir fmt nlohmann)
  if(NOT EXISTS ${TALV_WEB_HEADERS}/${dir})
    file(MAKE_DIRECTORY ${TALV_WEB_HEADERS})
    file(CREATE_LINK ${TALV_SYSTEM_INCLUDE}/${dir} ${TALV_WEB_HEADERS}/${dir} SYMBOLIC)
  endif()
endforeach()

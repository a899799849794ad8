# The message catalogue: human-readable UTF-8, converted to CP932 bytes at
# build time.  Appends the generated source to TALV_GENERATED_SOURCES.
find_program(TALV_ICONV iconv REQUIRED)
# On Windows the ids go into a string table (TALV_CATALOGUE_RC) that
# cmake/windows.cmake compiles into the DLL.
set(TALV_CATALOGUE_SOURCE ${PROJECT_BINARY_DIR}/generated/service/catalogue.cpp)
set(TALV_CATALOGUE_OUTPUTS ${TALV_CATALOGUE_SOURCE})
set(TALV_CATALOGUE_RC_ARG "")
if(WIN32)
  set(TALV_CATALOGUE_RC ${PROJECT_BINARY_DIR}/generated/service/messages.rc)
  list(APPEND TALV_CATALOGUE_OUTPUTS ${TALV_CATALOGUE_RC})
  set(TALV_CATALOGUE_RC_ARG -DRC_OUTPUT=${TALV_CATALOGUE_RC})
endif()
add_custom_command(
  OUTPUT ${TALV_CATALOGUE_OUTPUTS}
  COMMAND ${CMAKE_COMMAND}
    -DINPUT=${PROJECT_SOURCE_DIR}/resources/messages.txt
    -DOUTPUT=${TALV_CATALOGUE_SOURCE} ${TALV_CATALOGUE_RC_ARG}
    -DICONV=${TALV_ICONV}
    -DWORK=${PROJECT_BINARY_DIR}/generated/service/work
    -P ${PROJECT_SOURCE_DIR}/resources/gen_catalogue.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/messages.txt
          ${PROJECT_SOURCE_DIR}/resources/gen_catalogue.cmake
  COMMENT "Converting the message catalogue to CP932"
  VERBATIM)
list(APPEND TALV_GENERATED_SOURCES ${TALV_CATALOGUE_SOURCE})

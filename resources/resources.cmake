# The message catalogue: human-readable UTF-8, converted to CP932 bytes at
# build time.  Appends the generated source to TALV_GENERATED_SOURCES.
find_program(TALV_ICONV iconv REQUIRED)
set(TALV_CATALOGUE_SOURCE ${PROJECT_BINARY_DIR}/generated/service/catalogue.cpp)
add_custom_command(
  OUTPUT ${TALV_CATALOGUE_SOURCE}
  COMMAND ${CMAKE_COMMAND}
    -DINPUT=${PROJECT_SOURCE_DIR}/resources/messages.txt
    -DOUTPUT=${TALV_CATALOGUE_SOURCE}
    -DICONV=${TALV_ICONV}
    -DWORK=${PROJECT_BINARY_DIR}/generated/service/work
    -P ${PROJECT_SOURCE_DIR}/resources/gen_catalogue.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/messages.txt
          ${PROJECT_SOURCE_DIR}/resources/gen_catalogue.cmake
  COMMENT "Converting the message catalogue to CP932"
  VERBATIM)
list(APPEND TALV_GENERATED_SOURCES ${TALV_CATALOGUE_SOURCE})

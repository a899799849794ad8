# The companion library's Symbol-free parts (check-digit schemes, identifier
# text) are compiled into the test executable too, so that they can be
# tested on their own; the library keeps them hidden.
target_sources(talv_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/ext/check_digits.c ${PROJECT_SOURCE_DIR}/ext/identifier_text.c)
target_include_directories(talv_tests PRIVATE ${PROJECT_SOURCE_DIR}/ext)

# The companion library resolves the exported operations from the program
# that loads it.  The test executable links the static core, from which the
# linker would take only the members the tests themselves use, so every
# exported name is demanded explicitly, as the shared library exports it.
file(READ ${PROJECT_SOURCE_DIR}/src/service/exports.map TALV_EXPORTS_MAP)
string(REGEX REPLACE "local:.*" "" TALV_EXPORTS_MAP "${TALV_EXPORTS_MAP}")
string(REGEX REPLACE "^.*global:" "" TALV_EXPORTS_MAP "${TALV_EXPORTS_MAP}")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" TALV_EXPORTED_NAMES "${TALV_EXPORTS_MAP}")
foreach(name ${TALV_EXPORTED_NAMES})
  target_link_options(talv_tests PRIVATE "LINKER:--undefined=${name}")
endforeach()

include(${PROJECT_SOURCE_DIR}/tests/pkg/evaluator.cmake)
if(NOT TALV_EVALUATOR_COMPLETE)
  target_compile_definitions(talv_tests PRIVATE TALV_EVALUATOR_INCOMPLETE)
endif()

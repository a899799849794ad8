# Expected full-width forms for the values tests, derived at build time from
# Python's CP932 codec and Unicode database (an independent source).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TALV_VALUES_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/generated)
add_custom_command(
  OUTPUT ${TALV_VALUES_GENERATED}/fullwidth_single.inc ${TALV_VALUES_GENERATED}/fullwidth_marks.inc
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TALV_VALUES_GENERATED}
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/support/fullwidth_expected.py
          ${TALV_VALUES_GENERATED}/fullwidth_single.inc ${TALV_VALUES_GENERATED}/fullwidth_marks.inc
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/fullwidth_expected.py
  COMMENT "Deriving expected full-width forms")
target_sources(talv_tests PRIVATE
  ${TALV_VALUES_GENERATED}/fullwidth_single.inc ${TALV_VALUES_GENERATED}/fullwidth_marks.inc)
target_include_directories(talv_tests PRIVATE ${TALV_VALUES_GENERATED})

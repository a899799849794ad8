# The libraries export exactly the names the public header declares, in
# every configuration the tests are built for; the installed copies are not
# checked again.
set(TALV_EXPORTS_NM "${CMAKE_NM}")
if(NOT TALV_EXPORTS_NM)
  find_program(TALV_EXPORTS_NM nm)
endif()
set(TALV_EXPORTS_WORD_SIZE "")
if(TALV_M32)
  set(TALV_EXPORTS_WORD_SIZE -m32)
endif()
execute_process(COMMAND ${CMAKE_C_COMPILER} ${TALV_EXPORTS_WORD_SIZE} -print-file-name=libc.so.6
  OUTPUT_VARIABLE TALV_LIBC OUTPUT_STRIP_TRAILING_WHITESPACE)
add_test(NAME ServiceExports.OnlyListedNames
  COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:talvechk> -DCOMPANION=$<TARGET_FILE:talvextn>
          -DHEADER=${PROJECT_SOURCE_DIR}/include/talvechk.h -DMAP=${PROJECT_SOURCE_DIR}/src/service/exports.map
          -DNM=${TALV_EXPORTS_NM} -DLIBC=${TALV_LIBC} -P ${PROJECT_SOURCE_DIR}/tests/pkg/check_exports.cmake)
set_tests_properties(ServiceExports.OnlyListedNames PROPERTIES SKIP_REGULAR_EXPRESSION "nm not available; skipped")

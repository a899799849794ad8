# libtalvechk.so exports exactly the names of its version script.
set(TALV_EXPORTS_NM "${CMAKE_NM}")
if(NOT TALV_EXPORTS_NM)
  find_program(TALV_EXPORTS_NM nm)
endif()
add_test(NAME ServiceExports.OnlyListedNames
  COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/../support/check_exports.sh
          "${TALV_EXPORTS_NM}" $<TARGET_FILE:talvechk> ${PROJECT_SOURCE_DIR}/src/service/exports.map)
set_tests_properties(ServiceExports.OnlyListedNames PROPERTIES SKIP_RETURN_CODE 77)

# Programs that replace the default companion library by their own: one with
# a table of test functions, one with an empty table.  Each links the whole
# static core and exports its names, so the companion resolves the library's
# operations from the executable as it would from libtalvechk.
function(talv_companion_test name table_source test_source)
  add_library(${name}_ext SHARED ${table_source})
  target_include_directories(${name}_ext PRIVATE ${PROJECT_SOURCE_DIR}/include)
  target_compile_definitions(${name}_ext PRIVATE TALV_BUILDING_EXTENSION)
  add_executable(${name} ${test_source})
  target_link_libraries(${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,talvechk_core>" ${name}_ext GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

talv_companion_test(talv_companion_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/companion/test_table.c
  ${CMAKE_CURRENT_SOURCE_DIR}/companion/companion_test.cpp)
talv_companion_test(talv_empty_companion_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/companion/empty_table.c
  ${CMAKE_CURRENT_SOURCE_DIR}/companion/empty_table_test.cpp)

# The API document's example is a real program: it is built against the
# shared library, run, and kept identical to the copy in docs/api.md.
add_executable(api_example ${PROJECT_SOURCE_DIR}/examples/api_example.c)
target_link_libraries(api_example PRIVATE talvechk)
set_target_properties(api_example PROPERTIES C_STANDARD 90 C_EXTENSIONS OFF)
target_compile_options(api_example PRIVATE -pedantic -Werror)

include(${PROJECT_SOURCE_DIR}/tests/pkg/evaluator.cmake)
add_test(NAME Pkg.api_example COMMAND api_example)
set_tests_properties(Pkg.api_example PROPERTIES
  PASS_REGULAR_EXPRESSION
    "eval +sum\\(\\[ITEM1\\.\\.3\\]\\)==@ +00000000 [^\n]*\neval +\\[ITEM1\\] > @ +80000000 [^\n]*\neval +\\[ITEM9\\] == 0 +90000002 [^\n]*\ncertify +\\[NOTE\\] == 0 +9000000F [^\n]*NOTE[^\n]*\nchkfld  ITEM1 ITEM2 TOTAL\n"
)

add_test(NAME Pkg.api_doc_example_in_sync
  COMMAND ${CMAKE_COMMAND} -DDOC=${PROJECT_SOURCE_DIR}/docs/api.md
          -DSOURCE=${PROJECT_SOURCE_DIR}/examples/api_example.c -P ${PROJECT_SOURCE_DIR}/tests/pkg/doc_sync.cmake)

# The companion example of docs/api.md, built as a replacement of the bundled
# companion library and put in its place through the loader's search path.
add_library(ext_example SHARED ${PROJECT_SOURCE_DIR}/examples/ext_example.c)
target_include_directories(ext_example PRIVATE ${PROJECT_SOURCE_DIR}/include)
set_target_properties(ext_example PROPERTIES OUTPUT_NAME talvextn
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/dropin
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
add_executable(eval_host ${PROJECT_SOURCE_DIR}/tests/pkg/eval_host.c)
target_link_libraries(eval_host PRIVATE talvechk)
add_dependencies(eval_host ext_example)

add_test(NAME Pkg.companion_dropin
  COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${CMAKE_BINARY_DIR}/dropin $<TARGET_FILE:eval_host>
    00000000 "even(4)" 80000000 "even(3)" 00000000 "EVEN(-2)" 80000000 "even(0 - 3)"
    A000000A "even(1, 2)" A000000A "even('x')" 00000000 "sum(1, 2) == 3"
    90000004 "luhn('79927398713')")
if(NOT TALV_EVALUATOR_COMPLETE)
  set_tests_properties(Pkg.api_example Pkg.companion_dropin PROPERTIES DISABLED TRUE)
endif()

add_test(NAME Pkg.ext_doc_example_in_sync
  COMMAND ${CMAKE_COMMAND} -DDOC=${PROJECT_SOURCE_DIR}/docs/api.md
          -DSOURCE=${PROJECT_SOURCE_DIR}/examples/ext_example.c -P ${PROJECT_SOURCE_DIR}/tests/pkg/doc_sync.cmake)

# The trace example of docs/api.md: one failed sum check, step by step.
add_executable(trace_example ${PROJECT_SOURCE_DIR}/examples/trace_example.c)
target_link_libraries(trace_example PRIVATE talvechk)
set_target_properties(trace_example PROPERTIES C_STANDARD 90 C_EXTENSIONS OFF)
target_compile_options(trace_example PRIVATE -pedantic -Werror)
add_test(NAME Pkg.trace_example COMMAND trace_example)
set_tests_properties(Pkg.trace_example PROPERTIES
  PASS_REGULAR_EXPRESSION
    "call +sum\\(\\[A1\\.\\.3\\]\\) +sum +3000 [^\n]*\nfield +@ +TOTAL +3001 [^\n]*\ncomparison +sum\\(\\[A1\\.\\.3\\]\\)==@ +== +3000 3001 +status 1\n")
add_test(NAME Pkg.trace_doc_example_in_sync
  COMMAND ${CMAKE_COMMAND} -DDOC=${PROJECT_SOURCE_DIR}/docs/api.md
          -DSOURCE=${PROJECT_SOURCE_DIR}/examples/trace_example.c -P ${PROJECT_SOURCE_DIR}/tests/pkg/doc_sync.cmake)

# End-to-end tests of the talvechk command: they run the built binary the way
# a user does.  The command is not built for the 32-bit configuration.
if(TARGET talvechk_cli)
  find_package(nlohmann_json 3 REQUIRED)
  find_package(fmt REQUIRED)
  file(GLOB TALV_CLI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cli/*_test.cpp)
  # The converter and readers are also tested on their own.
  add_executable(talv_cli_tests ${TALV_CLI_TEST_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/cli/run_cli.cpp)
  target_include_directories(talv_cli_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/cli)
  target_link_libraries(talv_cli_tests PRIVATE talvhost GTest::gtest_main nlohmann_json::nlohmann_json fmt::fmt)
  target_compile_definitions(talv_cli_tests PRIVATE
    TALVECHK_BIN="$<TARGET_FILE:talvechk_cli>"
    MAKE_INVOICES_BIN="$<TARGET_FILE:make_invoices>"
    TALV_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
    TALV_RESOURCES_DIR="${PROJECT_SOURCE_DIR}/resources"
    TALV_BUILD_EXAMPLES_DIR="${PROJECT_BINARY_DIR}/examples")
  add_library(talv_cli_crash_shim SHARED ${CMAKE_CURRENT_SOURCE_DIR}/cli/crash_shim.c)
  target_include_directories(talv_cli_crash_shim PRIVATE ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(talv_cli_crash_shim PRIVATE ${CMAKE_DL_LIBS})
  target_compile_definitions(talv_cli_tests PRIVATE CRASH_SHIM="$<TARGET_FILE:talv_cli_crash_shim>")
  add_dependencies(talv_cli_tests talvechk_cli make_invoices example_results talv_cli_crash_shim)
  gtest_discover_tests(talv_cli_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS cli)
endif()

# The host's rooms depend one way, and no two sources share a name.
add_test(NAME Host.RoomsAndNames COMMAND bash ${PROJECT_SOURCE_DIR}/tests/pkg/host_rooms.sh ${PROJECT_SOURCE_DIR})

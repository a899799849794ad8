# The installed tree as a host build sees it: install into a prefix of the
# build tree, then build a separate C project against it through
# find_package and through pkg-config, and check the libraries' names and links.
set(TALV_TEST_PREFIX ${CMAKE_BINARY_DIR}/test-prefix)
set(TALV_PKG_SCRIPTS ${PROJECT_SOURCE_DIR}/tests/pkg)

# The consumer must be built the way the installed libraries were: 32-bit
# for the -m32 configuration, and with the sanitizers' runtime when they are
# instrumented.
set(TALV_CONSUMER_FLAGS "")
if(TALV_M32)
  string(APPEND TALV_CONSUMER_FLAGS " -m32")
endif()
if(TALV_SANITIZE)
  string(APPEND TALV_CONSUMER_FLAGS " -fsanitize=address,undefined -fno-sanitize-recover=all")
endif()
include(${PROJECT_SOURCE_DIR}/tests/pkg/evaluator.cmake)
if(TALV_EVALUATOR_COMPLETE)
  string(APPEND TALV_CONSUMER_FLAGS " -DCONSUMER_EVALUATES=1")
endif()
string(STRIP "${TALV_CONSUMER_FLAGS}" TALV_CONSUMER_FLAGS)

add_test(NAME Pkg.install
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DPREFIX=${TALV_TEST_PREFIX}
          -P ${TALV_PKG_SCRIPTS}/install_fresh.cmake)
set_tests_properties(Pkg.install PROPERTIES FIXTURES_SETUP talv_installed)

add_test(NAME Pkg.installed_libraries
  COMMAND ${CMAKE_COMMAND} -DPREFIX=${TALV_TEST_PREFIX} -DLIBDIR=${CMAKE_INSTALL_LIBDIR} -DOBJDUMP=${CMAKE_OBJDUMP}
          -DVERSION=${PROJECT_VERSION} -DSOVERSION=${PROJECT_VERSION_MAJOR} -P ${TALV_PKG_SCRIPTS}/check_installed.cmake)
set(TALV_CONSUMER_TESTS Pkg.installed_libraries)

add_test(NAME Pkg.consumer_find_package
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}/tests/consumer
          -DWORK=${CMAKE_BINARY_DIR}/consumer-cmake -DPREFIX=${TALV_TEST_PREFIX}
          -DGENERATOR=${CMAKE_GENERATOR} -DC_COMPILER=${CMAKE_C_COMPILER} -DC_FLAGS=${TALV_CONSUMER_FLAGS}
          -P ${TALV_PKG_SCRIPTS}/consume_cmake.cmake)
list(APPEND TALV_CONSUMER_TESTS Pkg.consumer_find_package)

find_program(TALV_PKG_CONFIG NAMES pkg-config pkgconf)
if(TALV_PKG_CONFIG)
  add_test(NAME Pkg.consumer_pkg_config
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}/tests/consumer/consumer.c
            -DWORK=${CMAKE_BINARY_DIR}/consumer-pkgconfig -DPREFIX=${TALV_TEST_PREFIX}
            -DLIBDIR=${CMAKE_INSTALL_LIBDIR} -DPKG_CONFIG=${TALV_PKG_CONFIG}
            -DC_COMPILER=${CMAKE_C_COMPILER} -DC_FLAGS=${TALV_CONSUMER_FLAGS}
            -P ${TALV_PKG_SCRIPTS}/consume_pkgconfig.cmake)
  list(APPEND TALV_CONSUMER_TESTS Pkg.consumer_pkg_config)
endif()

set_tests_properties(${TALV_CONSUMER_TESTS} PROPERTIES FIXTURES_REQUIRED talv_installed)

# The installed command finds the installed libraries by its run path.
if(TARGET talvechk_cli)
  add_test(NAME Pkg.installed_command
    COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${TALV_TEST_PREFIX}/${CMAKE_INSTALL_BINDIR}/talvechk --help)
  set_tests_properties(Pkg.installed_command PROPERTIES FIXTURES_REQUIRED talv_installed)
endif()

# The installed documents link one another; none may point to one left out.
add_test(NAME Pkg.installed_doc_links
  COMMAND ${CMAKE_COMMAND} -DDOC_DIR=${TALV_TEST_PREFIX}/${CMAKE_INSTALL_DOCDIR} -P ${TALV_PKG_SCRIPTS}/doc_links.cmake)
set_tests_properties(Pkg.installed_doc_links PROPERTIES FIXTURES_REQUIRED talv_installed)

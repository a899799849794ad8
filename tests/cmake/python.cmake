# The Python package's tests (pytest under the interpreter the package is
# built for).  Native configuration only: there is no 32-bit interpreter,
# and the sanitized build does not build the package.
if(TARGET talvechk_python)
  foreach(suite api bad_input invoices dask one_core install)
    add_test(NAME python.${suite}
      COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider ${CMAKE_CURRENT_SOURCE_DIR}/python/test_${suite}.py
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/python)
    set_tests_properties(python.${suite} PROPERTIES LABELS python
      ENVIRONMENT "PYTHONPATH=${PROJECT_BINARY_DIR}/python;PYTHONDONTWRITEBYTECODE=1;TALVECHK_BIN=$<TARGET_FILE:talvechk_cli>;TALV_EXAMPLES_DIR=${PROJECT_SOURCE_DIR}/examples;TALV_BUILD_EXAMPLES_DIR=${PROJECT_BINARY_DIR}/examples;TALV_BUILD_DIR=${PROJECT_BINARY_DIR};CMAKE_COMMAND=${CMAKE_COMMAND}")
  endforeach()
  # Two worker processes of their own, on a two-core machine.
  set_tests_properties(python.dask python.one_core PROPERTIES PROCESSORS 2)
  # The install test writes the whole tree; nothing else installs meanwhile.
  set_tests_properties(python.install PROPERTIES RUN_SERIAL ON)
endif()

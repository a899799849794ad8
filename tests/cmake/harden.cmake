# The fuzz targets' drivers and regression inputs, replayed by the tests.
target_compile_definitions(talv_tests PRIVATE TALV_FUZZ_REGRESSIONS="${PROJECT_SOURCE_DIR}/fuzz/regressions")

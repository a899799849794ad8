# The companion library's Symbol-free parts (check-digit schemes, identifier
# text) are compiled into the test executable too, so that they can be
# tested on their own; the library keeps them hidden.
target_sources(talv_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/ext/check_digits.c ${PROJECT_SOURCE_DIR}/ext/identifier_text.c)
target_include_directories(talv_tests PRIVATE ${PROJECT_SOURCE_DIR}/ext)

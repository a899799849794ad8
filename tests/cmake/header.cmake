# The public header compiles warning-free as every C and C++ standard a
# host may use, with each compiler at hand; the man page renders cleanly.
set(TALV_HEADER_CHECK ${PROJECT_SOURCE_DIR}/tests/pkg/header_check.c)
set(TALV_HEADER_FLAGS -Wall -Wextra -pedantic -Werror -fsyntax-only -I${PROJECT_SOURCE_DIR}/include)
if(TALV_M32)
  list(APPEND TALV_HEADER_FLAGS -m32)
endif()

set(TALV_HEADER_COMPILERS "gcc=${CMAKE_C_COMPILER}=${CMAKE_CXX_COMPILER}")
find_program(TALV_CLANG clang)
find_program(TALV_CLANGXX clang++)
if(TALV_CLANG AND TALV_CLANGXX AND NOT CMAKE_C_COMPILER_ID STREQUAL "Clang")
  list(APPEND TALV_HEADER_COMPILERS "clang=${TALV_CLANG}=${TALV_CLANGXX}")
endif()

foreach(entry ${TALV_HEADER_COMPILERS})
  string(REPLACE "=" ";" entry "${entry}")
  list(GET entry 0 family)
  list(GET entry 1 cc)
  list(GET entry 2 cxx)
  foreach(std c89 c99 c11)
    add_test(NAME Pkg.header_${std}_${family}
      COMMAND ${cc} -std=${std} ${TALV_HEADER_FLAGS} -Wstrict-prototypes -x c ${TALV_HEADER_CHECK})
  endforeach()
  foreach(std c++98 c++11 c++20)
    add_test(NAME Pkg.header_${std}_${family}
      COMMAND ${cxx} -std=${std} ${TALV_HEADER_FLAGS} -x c++ ${TALV_HEADER_CHECK})
  endforeach()
endforeach()

find_program(TALV_GROFF groff)
if(TALV_GROFF)
  add_test(NAME Pkg.man_page
    COMMAND ${TALV_GROFF} -man -Tutf8 -ww -z ${PROJECT_SOURCE_DIR}/tools/talvechk.1)
  set_tests_properties(Pkg.man_page PROPERTIES FAIL_REGULAR_EXPRESSION "warning|error")
endif()

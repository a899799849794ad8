# The CP932 tables of the converter, written by a native generator from the
# build machine's iconv: every build (native, the Windows DLL, the page, the
# readers' fuzz targets) converts alike, and none asks iconv per character.
# Included by whichever directory first needs the converter.
if(TARGET talv_cp932)
  return()
endif()
set(talv_cp932_dir ${CMAKE_CURRENT_LIST_DIR})
find_program(TALV_NATIVE_CXX NAMES c++ g++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(TALV_CP932_TABLE ${PROJECT_BINARY_DIR}/generated/host/cp932_table_data.cpp)
add_custom_command(
  OUTPUT ${TALV_CP932_TABLE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/generated/host
  COMMAND ${TALV_NATIVE_CXX} -std=c++20 -O1 -o ${PROJECT_BINARY_DIR}/generated/host/gen_cp932_table
          ${talv_cp932_dir}/tables/gen_cp932_table.cpp
  COMMAND ${PROJECT_BINARY_DIR}/generated/host/gen_cp932_table ${TALV_CP932_TABLE}
  DEPENDS ${talv_cp932_dir}/tables/gen_cp932_table.cpp
  COMMENT "Writing the CP932 tables from the native iconv"
  VERBATIM)
add_library(talv_cp932 STATIC ${talv_cp932_dir}/cp932_table.cpp ${TALV_CP932_TABLE})
target_include_directories(talv_cp932 PUBLIC ${talv_cp932_dir})

# The generated scanner and parser must neither print, end the process nor
# bypass the library's allocator, in any build type (flex emits an exiting
# fatal-error routine even when nothing calls it).
find_program(TALV_NM NAMES nm)
if(TALV_NM)
  add_test(NAME LangGeneratedImports
    COMMAND ${CMAKE_COMMAND} -DNM=${TALV_NM} "-DOBJECTS=$<TARGET_OBJECTS:talvechk_obj>"
            -P ${CMAKE_CURRENT_LIST_DIR}/../lang_imports_check.cmake)
endif()

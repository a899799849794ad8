# The Windows DLL pair: talvechk.dll and talvextn.dll, each with its import
# library (lib*.dll.a) and .def file, a version resource, and in talvechk.dll
# the message catalogue as a string table.
#
# The two DLLs import from each other: talvechk.dll takes ext_func_tab from
# talvextn.dll by name, and talvextn.dll calls the library's Symbol
# operations.  talvechk.dll therefore links against an import library made
# from talvextn's .def first; talvextn.dll then links against the real
# import library of talvechk.dll.  The loader resolves the cycle.
enable_language(RC)
set(TALV_WIN_DIR ${PROJECT_BINARY_DIR}/windows)
file(MAKE_DIRECTORY ${TALV_WIN_DIR})

# The exported names are the Linux version script's, the data among them
# those the header declares extern.
set(TALV_EXPORTS_MAP ${PROJECT_SOURCE_DIR}/src/service/exports.map)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${TALV_EXPORTS_MAP} ${PROJECT_SOURCE_DIR}/include/talvechk.h)
file(READ ${TALV_EXPORTS_MAP} map)
string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" map "${map}")
string(REGEX REPLACE "local:.*" "" map "${map}")
string(REGEX REPLACE "^.*global:" "" map "${map}")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" TALV_EXPORTED_NAMES "${map}")
file(READ ${PROJECT_SOURCE_DIR}/include/talvechk.h header)
string(REGEX MATCHALL "TALV_API extern [^;(]* ([A-Za-z_][A-Za-z0-9_]*);" data_decls "${header}")
set(TALV_EXPORTED_DATA "")
foreach(decl ${data_decls})
  string(REGEX REPLACE ".* ([A-Za-z_][A-Za-z0-9_]*);$" "\\1" name "${decl}")
  list(APPEND TALV_EXPORTED_DATA ${name})
endforeach()
set(def "; Generated from src/service/exports.map by cmake/windows.cmake.\nLIBRARY talvechk.dll\nEXPORTS\n")
foreach(name ${TALV_EXPORTED_NAMES})
  if(name IN_LIST TALV_EXPORTED_DATA)
    string(APPEND def "    ${name} DATA\n")
  else()
    string(APPEND def "    ${name}\n")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${TALV_WIN_DIR}/talvechk.def CONTENT "${def}")
file(CONFIGURE OUTPUT ${TALV_WIN_DIR}/talvextn.def CONTENT
  "; The companion library's one export.\nLIBRARY talvextn.dll\nEXPORTS\n    ext_func_tab DATA\n")

foreach(lib talvechk talvextn)
  set(TALV_RC_NAME ${lib})
  if(lib STREQUAL talvechk)
    set(TALV_RC_DESCRIPTION "TALVECHK check-expression library")
  else()
    set(TALV_RC_DESCRIPTION "TALVEXTN companion function library")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/version.rc.in ${TALV_WIN_DIR}/${lib}_version.rc @ONLY)
  target_sources(${lib} PRIVATE ${TALV_WIN_DIR}/${lib}.def ${TALV_WIN_DIR}/${lib}_version.rc)
  set_target_properties(${lib} PROPERTIES PREFIX "" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
endforeach()
target_sources(talvechk PRIVATE ${TALV_CATALOGUE_RC})
set_source_files_properties(${TALV_CATALOGUE_RC} PROPERTIES GENERATED TRUE)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 932")

# talvextn's import library, made before talvextn.dll exists.
find_program(TALV_DLLTOOL NAMES ${CMAKE_DLLTOOL} dlltool REQUIRED)
set(TALV_EXT_STUB ${TALV_WIN_DIR}/libtalvextn-stub.dll.a)
add_custom_command(OUTPUT ${TALV_EXT_STUB}
  COMMAND ${TALV_DLLTOOL} -d ${TALV_WIN_DIR}/talvextn.def -D talvextn.dll -l ${TALV_EXT_STUB}
  DEPENDS ${TALV_WIN_DIR}/talvextn.def
  COMMENT "Making talvextn's import library from its .def"
  VERBATIM)
add_custom_target(talvextn_stub DEPENDS ${TALV_EXT_STUB})
add_dependencies(talvechk talvextn_stub)
target_link_libraries(talvechk PRIVATE ${TALV_EXT_STUB})
target_link_libraries(talvextn PRIVATE talvechk)
foreach(lib talvechk talvextn)
  target_link_options(${lib} PRIVATE -Wl,--no-undefined)
endforeach()

# GCC gives a partial-inlining clone of an exported function (get_length.part.0)
# the dllexport of the function it came from, and the DLL would then export the
# clone's name too: the exported list must be exactly the .def file's.
foreach(objects talvechk_shared_obj talvechk_obj)
  if(TARGET ${objects})
    target_compile_options(${objects} PRIVATE -fno-partial-inlining)
  endif()
endforeach()

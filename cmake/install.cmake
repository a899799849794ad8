# Installation: the two shared libraries with their SONAMEs, the header, the
# command and its man page, a CMake package and a pkg-config file, all laid
# out with GNUInstallDirs so that `cmake --install build --prefix P` gives a
# tree a host build can consume.
include(CMakePackageConfigHelpers)

set(TALV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/talvechk)
set(TALV_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# libtalvechk needs libtalvextn.so.1 beside it; $ORIGIN finds it there even
# when the host's own run path does not cover transitive dependencies.
set_target_properties(talvechk PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(talvextn PROPERTIES EXPORT_NAME talvextn)
set_target_properties(talvechk PROPERTIES EXPORT_NAME talvechk)

install(TARGETS talvechk talvextn EXPORT talvechkTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/talvechk.h ${PROJECT_SOURCE_DIR}/include/talvechk_trace.h
  ${PROJECT_SOURCE_DIR}/include/talvechk_functions.h ${PROJECT_SOURCE_DIR}/include/talvechk_messages.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(TARGET talvechk_cli)
  file(RELATIVE_PATH TALV_BIN_TO_LIB
    ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
  set_target_properties(talvechk_cli PROPERTIES INSTALL_RPATH "$ORIGIN/${TALV_BIN_TO_LIB}")
  install(TARGETS talvechk_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/tools/talvechk.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Every document, since the installed ones link one another; README's table
# is the index.
file(GLOB TALV_DOCS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES ${TALV_DOCS} DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/examples/invoice.json DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# CMake package: talvechk::talvechk for hosts, talvechk::talvextn for whoever
# wants the companion library on its own link line.
install(EXPORT talvechkTargets NAMESPACE talvechk:: FILE talvechk-targets.cmake
  DESTINATION ${TALV_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/talvechk-config.cmake.in
  ${PROJECT_BINARY_DIR}/talvechk-config.cmake INSTALL_DESTINATION ${TALV_CMAKE_DIR})
# The version file also rejects a consumer of the other word size; -m32 is a
# compile option here, so the size CMake detected is the host's, not ours.
function(talv_write_version_file)
  if(TALV_M32)
    set(CMAKE_SIZEOF_VOID_P 4)
  endif()
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/talvechk-config-version.cmake
    COMPATIBILITY SameMajorVersion)
endfunction()
talv_write_version_file()
install(FILES ${PROJECT_BINARY_DIR}/talvechk-config.cmake ${PROJECT_BINARY_DIR}/talvechk-config-version.cmake
  DESTINATION ${TALV_CMAKE_DIR})

# pkg-config: the paths are taken relative to the .pc file itself, so the
# file stays right whatever prefix `cmake --install --prefix` was given.
function(talv_pc_path out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    file(RELATIVE_PATH rel /root/${TALV_PC_DIR} /root/${dir})
    string(REGEX REPLACE "/+$" "" rel "${rel}")
    if(rel STREQUAL "")
      set(${out} "\${pcfiledir}" PARENT_SCOPE)
    else()
      set(${out} "\${pcfiledir}/${rel}" PARENT_SCOPE)
    endif()
  endif()
endfunction()
if(IS_ABSOLUTE "${TALV_PC_DIR}")
  message(FATAL_ERROR "an absolute CMAKE_INSTALL_LIBDIR cannot give a relocatable pkg-config file")
endif()
talv_pc_path(TALV_PC_PREFIX "")
talv_pc_path(TALV_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
talv_pc_path(TALV_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/talvechk.pc.in ${PROJECT_BINARY_DIR}/talvechk.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/talvechk.pc DESTINATION ${TALV_PC_DIR})

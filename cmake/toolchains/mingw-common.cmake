# What both MinGW toolchain files share; TALV_MINGW_TRIPLET names the target.
# The win32 thread model's compilers are preferred when both are installed:
# their runtime needs no thread library beside the DLLs.
foreach(tool gcc g++)
  find_program(TALV_MINGW_${tool} NAMES ${TALV_MINGW_TRIPLET}-${tool}-win32 ${TALV_MINGW_TRIPLET}-${tool} REQUIRED)
endforeach()
set(CMAKE_C_COMPILER ${TALV_MINGW_gcc})
set(CMAKE_CXX_COMPILER ${TALV_MINGW_g++})
set(CMAKE_RC_COMPILER ${TALV_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${TALV_MINGW_TRIPLET}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${TALV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime goes into each DLL and program, so that a host
# ships the two DLLs and nothing else.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

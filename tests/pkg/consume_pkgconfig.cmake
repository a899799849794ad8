# Compiles the consumer with nothing but the flags `pkg-config --cflags
# --libs talvechk` gives for an installed prefix, and runs it.
# -DSOURCE -DWORK -DPREFIX -DLIBDIR -DPKG_CONFIG -DC_COMPILER -DC_FLAGS
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
# Only the installed prefix may answer, not the machine's own .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${PREFIX}/${LIBDIR}/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})
execute_process(COMMAND "${PKG_CONFIG}" --cflags --libs talvechk
  RESULT_VARIABLE rc OUTPUT_VARIABLE flags ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know talvechk:\n${err}")
endif()
execute_process(COMMAND "${PKG_CONFIG}" --variable=libdir talvechk
  OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE)
message("pkg-config --cflags --libs talvechk: ${flags}")
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS}")
execute_process(COMMAND "${C_COMPILER}" ${c_flags} -std=c99 -Wall -Wextra -pedantic -Werror
    "${SOURCE}" -o "${WORK}/consumer" ${flags}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "compiling the consumer failed:\n${out}${err}")
endif()
set(ENV{LD_LIBRARY_PATH} "${libdir}")
execute_process(COMMAND "${WORK}/consumer" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the consumer failed (${rc})")
endif()

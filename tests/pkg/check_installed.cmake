# Checks an installed library's versioned file names and links and its
# SONAME.  What it exports is checked on the build tree's libraries
# (check_exports.cmake), of which these are copies.
# -DPREFIX -DLIBDIR -DOBJDUMP -DVERSION -DSOVERSION
set(failures "")
foreach(lib talvechk talvextn)
  set(dir "${PREFIX}/${LIBDIR}")
  set(real "lib${lib}.so.${VERSION}")
  set(soname "lib${lib}.so.${SOVERSION}")
  # lib.so -> lib.so.1 -> lib.so.1.x.y
  foreach(pair "lib${lib}.so=${soname}" "${soname}=${real}")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 link)
    list(GET pair 1 target)
    if(NOT IS_SYMLINK "${dir}/${link}")
      list(APPEND failures "${link} is not a symbolic link")
    else()
      file(READ_SYMLINK "${dir}/${link}" got)
      if(NOT got STREQUAL target)
        list(APPEND failures "${link} points to ${got}, not ${target}")
      endif()
    endif()
  endforeach()
  if(NOT EXISTS "${dir}/${real}" OR IS_SYMLINK "${dir}/${real}")
    list(APPEND failures "${real} is missing")
    continue()
  endif()

  execute_process(COMMAND "${OBJDUMP}" -p "${dir}/${real}" OUTPUT_VARIABLE dump)
  if(NOT dump MATCHES "\n *SONAME +${soname}\n")
    list(APPEND failures "${real} does not carry the SONAME ${soname}")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "installed libraries:\n  ${text}")
endif()
message("SONAMEs and links are as declared")

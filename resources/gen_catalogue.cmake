# Turns resources/messages.txt (UTF-8) into a C++ source holding every text as
# CP932 bytes.  Run with cmake -P:
#   -DINPUT=messages.txt -DOUTPUT=catalogue.cpp -DICONV=/usr/bin/iconv -DWORK=<scratch dir>
#   [-DRC_OUTPUT=messages.rc]
# iconv does the conversion, so a character CP932 cannot hold fails the build
# instead of slipping through as a substitute.
#
# With RC_OUTPUT the catalogue's ids go into a Windows string table instead
# and the C++ source keeps only the fixed texts.  A string resource holds
# UTF-16, which LoadStringA turns back into the ANSI code page: the table
# holds the CP932 bytes read back as UTF-16, every unit as an escape, so that
# no resource compiler's reading of the file can change a byte.

foreach(var INPUT OUTPUT ICONV WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "gen_catalogue: ${var} not given")
  endif()
endforeach()

file(READ "${INPUT}" content)
file(MAKE_DIRECTORY "${WORK}")
string(ASCII 1 backslash_mark)

# Walks the file by line feeds rather than as a CMake list, so that no text
# is ever split at a ";" or disturbed by a "[".
set(entries "")
set(fixed "")
set(seen_ids "")
set(rc_entries "")
set(line_no 0)
set(pos 0)
string(LENGTH "${content}" total)
while(pos LESS total)
  math(EXPR line_no "${line_no} + 1")
  string(SUBSTRING "${content}" ${pos} -1 rest)
  string(FIND "${rest}" "\n" nl)
  if(nl EQUAL -1)
    set(line "${rest}")
    set(pos ${total})
  else()
    string(SUBSTRING "${rest}" 0 ${nl} line)
    math(EXPR pos "${pos} + ${nl} + 1")
  endif()
  string(REGEX REPLACE "\r$" "" line "${line}")
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+|[a-z_]+)[ \t]+(.+)$")
    message(FATAL_ERROR "${INPUT}:${line_no}: expected a key, blanks and a text")
  endif()
  set(key "${CMAKE_MATCH_1}")
  set(text "${CMAKE_MATCH_2}")

  string(REPLACE "\\\\" "${backslash_mark}" text "${text}")
  string(REPLACE "\\n" "\n" text "${text}")
  string(REPLACE "${backslash_mark}" "\\" text "${text}")

  file(WRITE "${WORK}/text.utf8" "${text}")
  execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932
    INPUT_FILE "${WORK}/text.utf8" OUTPUT_FILE "${WORK}/text.cp932"
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${INPUT}:${line_no}: cannot convert to CP932: ${err}")
  endif()
  file(READ "${WORK}/text.cp932" hex HEX)
  string(LENGTH "${hex}" hex_len)
  math(EXPR byte_len "${hex_len} / 2")
  # Adjacent literals keep every \x escape to its own byte; 16 bytes a line.
  set(literal "")
  set(offset 0)
  while(offset LESS hex_len)
    string(SUBSTRING "${hex}" ${offset} 32 chunk)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\"\\\\x\\1\"" chunk "${chunk}")
    if(offset GREATER 0)
      string(APPEND literal "\n    ")
    endif()
    string(APPEND literal "${chunk}")
    math(EXPR offset "${offset} + 32")
  endwhile()

  if(key MATCHES "^[0-9]+$")
    if(key GREATER 65535)
      message(FATAL_ERROR "${INPUT}:${line_no}: id ${key} beyond 16 bits")
    endif()
    if(";${seen_ids};" MATCHES ";${key};")
      message(FATAL_ERROR "${INPUT}:${line_no}: id ${key} given twice")
    endif()
    list(APPEND seen_ids ${key})
    string(APPEND entries "    {${key}, ${byte_len},\n    ${literal}},\n")
    if(DEFINED RC_OUTPUT)
      execute_process(COMMAND "${ICONV}" -f CP932 -t UTF-16LE
        INPUT_FILE "${WORK}/text.cp932" OUTPUT_FILE "${WORK}/text.utf16"
        RESULT_VARIABLE rc ERROR_VARIABLE err)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${INPUT}:${line_no}: cannot read back as UTF-16: ${err}")
      endif()
      file(READ "${WORK}/text.utf16" units HEX)
      string(REGEX REPLACE "([0-9a-f][0-9a-f])([0-9a-f][0-9a-f])" "\\\\x\\2\\1" units "${units}")
      string(APPEND rc_entries "  ${key}, L\"${units}\"\n")
    endif()
  else()
    string(APPEND fixed "extern const char fixed_text_${key}[] =\n    ${literal};\n")
  endif()
endwhile()

set(table
"const CatalogueEntry kCatalogue[] = {\n${entries}};\n"
"const std::size_t kCatalogueSize = sizeof kCatalogue / sizeof kCatalogue[0];\n\n")
if(DEFINED RC_OUTPUT)
  set(table "")
  file(WRITE "${RC_OUTPUT}"
"// Generated from resources/messages.txt by resources/gen_catalogue.cmake.\n"
"LANGUAGE 0, 0\n"
"STRINGTABLE\n"
"BEGIN\n${rc_entries}END\n")
endif()
file(WRITE "${OUTPUT}"
"// Generated from resources/messages.txt by resources/gen_catalogue.cmake.\n"
"#include \"service/string_table.h\"\n\n"
"namespace talv {\n\n"
"${table}"
"${fixed}\n"
"}  // namespace talv\n")

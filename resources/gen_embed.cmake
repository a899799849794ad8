# Embeds a text file in a C++ source as one NUL-terminated char array.
# Run with cmake -P:  -DINPUT=file -DOUTPUT=source.cpp -DSYMBOL=name -DNAMESPACE=ns
foreach(var INPUT OUTPUT SYMBOL NAMESPACE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "gen_embed: ${var} not given")
  endif()
endforeach()
file(READ "${INPUT}" hex HEX)
# Every byte as its own \x escape; a literal for each line of the file.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
string(REPLACE "\\x0a" "\\x0a\"\n    \"" body "    \"${escaped}\"\n")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}"
"// Generated from ${name} by resources/gen_embed.cmake.\n"
"namespace ${NAMESPACE} {\n"
"extern const char ${SYMBOL}[];\n"
"const char ${SYMBOL}[] =\n${body};\n"
"}  // namespace ${NAMESPACE}\n")

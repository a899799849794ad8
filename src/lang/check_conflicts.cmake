# Fails the parser's generation unless bison's report shows exactly the
# expected reduce/reduce conflicts (bison pins them only for GLR parsers).
# -DREPORT=<grammar.output> -DEXPECTED=<count> -DGENERATED=<parser source>
file(STRINGS ${REPORT} lines REGEX "^State [0-9]+ conflicts:")
set(found 0)
foreach(line ${lines})
  if(line MATCHES "shift/reduce")
    set(found -1)
    break()
  endif()
  string(REGEX MATCH "([0-9]+) reduce/reduce" m "${line}")
  math(EXPR found "${found} + ${CMAKE_MATCH_1}")
endforeach()
if(NOT found EQUAL EXPECTED)
  file(REMOVE ${GENERATED})
  message(FATAL_ERROR "grammar: ${found} reduce/reduce conflicts, ${EXPECTED} expected (see ${REPORT})")
endif()

# The C block that follows the line naming the source file in the document
# must be that source file, byte for byte.
# -DDOC -DSOURCE
file(READ "${DOC}" doc)
file(READ "${SOURCE}" source)
get_filename_component(name "${SOURCE}" NAME)
string(FIND "${doc}" "<!-- ${name} -->\n```c\n" at)
if(at LESS 0)
  message(FATAL_ERROR "${DOC} has no block marked <!-- ${name} -->")
endif()
string(LENGTH "<!-- ${name} -->\n```c\n" skip)
math(EXPR at "${at} + ${skip}")
string(SUBSTRING "${doc}" ${at} -1 rest)
string(FIND "${rest}" "```\n" end)
string(SUBSTRING "${rest}" 0 ${end} block)
if(NOT block STREQUAL source)
  message(FATAL_ERROR "the example in ${DOC} differs from ${SOURCE}; copy the file into the block")
endif()

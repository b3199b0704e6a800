# Run at every build (cmake -P): writes the header with the program's version and the
# version-control revision of the sources, touching it only when its text changes.
#   -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=3.00
set(revision "")
find_program(git_program git)
if(git_program)
  execute_process(COMMAND ${git_program} -C ${SOURCE_DIR} describe --always --dirty --abbrev=10
                  OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET RESULT_VARIABLE git_result)
  if(NOT git_result EQUAL 0 OR NOT revision MATCHES "^[0-9A-Za-z._-]+$")
    set(revision "")
  endif()
endif()

set(text "#pragma once\n\n// Generated at build time; do not edit.\nnamespace veltroma::build {\ninline constexpr char kVersion[] = \"${VERSION}\";\n// Empty when the sources were built outside version control.\ninline constexpr char kRevision[] = \"${revision}\";\n} // namespace veltroma::build\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()

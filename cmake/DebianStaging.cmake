# Run by CPack on the staged files before it builds the package: Debian ships man pages
# compressed, without a time stamp in the gzip header.
find_program(gzip_program gzip REQUIRED)
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]")
foreach(page IN LISTS pages)
  execute_process(COMMAND ${gzip_program} -9nf ${page} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip ${page} failed")
  endif()
endforeach()

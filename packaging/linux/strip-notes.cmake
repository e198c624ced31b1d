# Run by CPack on the staged files before it builds the package: removes the
# .comment and .note sections, which a stripped program still carries and
# nobody reads.
find_program(STRIP_PROGRAM strip REQUIRED)
file(GLOB_RECURSE staged_programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program ${staged_programs})
  execute_process(
    COMMAND ${STRIP_PROGRAM} --remove-section=.comment --remove-section=.note ${program}
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not strip ${program}")
  endif()
endforeach()

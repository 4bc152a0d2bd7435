# Runs th10run on a bad problem and checks that it fails cleanly: exit code 2,
# the expected message on standard error, and no results written.
#   -DPROGRAM= -DPROBLEM= -DEXPECTED_FILE= -DWORK=
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${PROGRAM} ${PROBLEM} --output ${WORK}/out --quiet
  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(READ ${EXPECTED_FILE} expected)
string(STRIP "${expected}" expected)
if(NOT rc EQUAL 2)
  message(FATAL_ERROR "exit code ${rc}, expected 2\nstdout:\n${out}\nstderr:\n${err}")
endif()
string(FIND "${err}" "${expected}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "standard error lacks '${expected}':\n${err}")
endif()
file(GLOB_RECURSE results ${WORK}/*.vtu ${WORK}/*.csv ${WORK}/*.post.res)
if(results)
  message(FATAL_ERROR "results were written: ${results}")
endif()
message(STATUS "th10run failed as expected: ${err}")

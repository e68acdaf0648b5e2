# For the tool's end-to-end check scripts (cmake -P): runs ${SORREL} with the
# arguments after the first two and fails the script unless it exits with
# `expected_code` and its standard output and error together match
# `expected_pattern`.
function(expect_output expected_code expected_pattern)
  execute_process(COMMAND ${SORREL} ${ARGN}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL expected_code OR NOT "${out}${err}" MATCHES "${expected_pattern}")
    message(FATAL_ERROR "sorrel ${ARGN}: exit ${code}, output '${out}${err}'; "
                        "expected exit ${expected_code} and '${expected_pattern}'")
  endif()
endfunction()

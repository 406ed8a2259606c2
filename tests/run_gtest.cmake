# Runs one GoogleTest program (through EMULATOR when cross-compiled) and
# passes only when it proves that it ran: exit status 0 and its summary line
# "[  PASSED  ] N tests." with N above 0. A program that never started (a
# 32-bit program without wine32, say) prints nothing and fails here.
# cmake -DPROGRAM=<exe> [-DEMULATOR=<runner>] -P run_gtest.cmake
execute_process(COMMAND ${EMULATOR} ${PROGRAM} --gtest_color=no
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} exited with ${status}")
endif()
if(NOT output MATCHES "\\[  PASSED  \\] [1-9][0-9]* tests?\\.")
  message(FATAL_ERROR "${PROGRAM} printed no passed tests: it did not run")
endif()

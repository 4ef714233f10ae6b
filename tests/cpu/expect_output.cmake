# Runs COMMAND with ARGS ('|'-separated) and checks its exit code and output.
#   EXPECT_EXIT    the exit code it must end with
#   EXPECT_REGEX   a pattern stdout + stderr must match
#   REJECT_REGEX   (optional) a pattern they must not match
#   REQUIRE_DATA   (optional) third-party files ('|'-separated) the run needs
include(${CMAKE_CURRENT_LIST_DIR}/../support/test_data.cmake)
if(DEFINED REQUIRE_DATA)
  string(REPLACE "|" ";" required "${REQUIRE_DATA}")
  require_test_data(${required})
endif()
string(REPLACE "|" ";" arguments "${ARGS}")
execute_process(COMMAND ${COMMAND} ${arguments} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)
set(all "${out}${err}")
message("${all}")
if(NOT code EQUAL EXPECT_EXIT)
  message(FATAL_ERROR "exit code ${code}, expected ${EXPECT_EXIT}")
endif()
if(NOT all MATCHES "${EXPECT_REGEX}")
  message(FATAL_ERROR "output does not match: ${EXPECT_REGEX}")
endif()
if(DEFINED REJECT_REGEX AND NOT REJECT_REGEX STREQUAL "" AND all MATCHES "${REJECT_REGEX}")
  message(FATAL_ERROR "output matches what it must not: ${REJECT_REGEX}")
endif()

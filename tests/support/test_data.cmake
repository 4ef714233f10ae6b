# Third-party test data for the CMake-script tests, read in place from the
# shared folder beside the checkout. include() this from a script run with
# cmake -P, then call require_test_data(PATH...) before the work: when a path
# is missing the script prints one line saying so and ends there, which CTest
# reports as skipped (see M5_TEST_DATA_SKIP_REGEX); with M5_REQUIRE_TEST_DATA
# set in the environment, as in CI, it fails instead.

# The text CTest's SKIP_REGULAR_EXPRESSION looks for in such a test's output.
set(M5_TEST_DATA_SKIP_REGEX "third-party test data not found")

# A macro, so that return() ends the calling script.
macro(require_test_data)
  foreach(m5_data_path ${ARGN})
    if(NOT EXISTS "${m5_data_path}")
      if(NOT "$ENV{M5_REQUIRE_TEST_DATA}" STREQUAL "" AND NOT "$ENV{M5_REQUIRE_TEST_DATA}" STREQUAL "0")
        message(FATAL_ERROR "missing required third-party test data: ${m5_data_path}")
      endif()
      message("${M5_TEST_DATA_SKIP_REGEX}: ${m5_data_path} (see README, Test data)")
      return()
    endif()
  endforeach()
endmacro()

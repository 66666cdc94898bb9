# Builds tests/launcher/buffer_too_small.cpp twice (run with cmake -P):
#
#   cmake -DBUILD_DIR=<build tree> -P buffer_checked_at_build.cmake
#
# With a buffer that holds the value (target launcher_buffer_fits) the file must compile without
# a warning; with the short buffer (target launcher_buffer_too_small) the build must fail with
# exactly one error, the check of the buffer against the value. So the test fails when the check
# is gone, and also when the file stops compiling for any other reason.
cmake_minimum_required(VERSION 3.25)

set(expected "the buffer cannot hold the longest text of the value")

execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target launcher_buffer_fits
                RESULT_VARIABLE fits_result OUTPUT_VARIABLE fits_output ERROR_VARIABLE fits_output)
if(NOT fits_result EQUAL 0)
    message(FATAL_ERROR "with a buffer that holds the value the file does not compile:\n${fits_output}")
endif()
string(FIND "${fits_output}" "warning:" warning_at)
if(NOT warning_at EQUAL -1)
    message(FATAL_ERROR "with a buffer that holds the value the file compiles with a warning:\n${fits_output}")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target launcher_buffer_too_small
                RESULT_VARIABLE small_result OUTPUT_VARIABLE small_output ERROR_VARIABLE small_output)
if(small_result EQUAL 0)
    message(FATAL_ERROR "a buffer too small for the value compiled:\n${small_output}")
endif()
string(REGEX MATCHALL "[^\n]*error:[^\n]*" errors "${small_output}")
list(LENGTH errors error_count)
if(NOT error_count EQUAL 1)
    message(FATAL_ERROR "expected exactly one error, found ${error_count}:\n${small_output}")
endif()
string(FIND "${errors}" "${expected}" expected_at)
if(expected_at EQUAL -1)
    message(FATAL_ERROR "the one error is not the check of the buffer:\n${small_output}")
endif()
message(STATUS "the build stopped at the check of the buffer alone: ${errors}")

# Configures (once), builds and runs the service tests under ThreadSanitizer.
# cmake -DSOURCE_DIR=<tests/tsan> -DBINARY_DIR=<build dir> -P run.cmake
if(NOT EXISTS "${BINARY_DIR}/CMakeCache.txt")
    execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}" -G Ninja
                            -DCMAKE_BUILD_TYPE=RelWithDebInfo
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "The ThreadSanitizer build could not be configured.")
    endif()
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" -j2
                        --target launcher_service_test_tsan
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "The ThreadSanitizer build failed.")
endif()
# Every report fails the run; the tests run twice to give a rare interleaving a second chance.
set(ENV{TSAN_OPTIONS} "halt_on_error=1:exitcode=66:second_deadlock_stack=1")
execute_process(COMMAND "${BINARY_DIR}/launcher_service_test_tsan" --gtest_color=no
                        --gtest_repeat=2
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "The service tests failed under ThreadSanitizer (${result}).")
endif()

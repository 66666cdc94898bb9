# cmake -DJAVA=java -DJAR=jar -DCLASSPATH=path -DEXPECT_EXIT=n [-DEXPECT_MISSING=file]
#       [-DSHAPES=file] [-DEXPECT_ERROR=text] [-DEXPECT_NO_OUTPUT=ON] -P run_check.cmake
# Runs the contract check on a class path and compares: the exit code; the "missing" lines with
# the lines of EXPECT_MISSING (none when it is not given); with SHAPES, a "present" line for each
# shape that the bridge's table lists; with EXPECT_ERROR, that text as the error output; with
# EXPECT_NO_OUTPUT, that nothing reached the standard output. Descriptors hold semicolons and
# brackets, which lists do not keep: texts are compared whole, and lines are walked with placeholders for them.
execute_process(COMMAND "${JAVA}" -jar "${JAR}" "${CLASSPATH}"
                RESULT_VARIABLE exit_code OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${output}${errors}")
if(NOT exit_code EQUAL EXPECT_EXIT)
    message(FATAL_ERROR "exit code ${exit_code}, expected ${EXPECT_EXIT}")
endif()

if(DEFINED EXPECT_ERROR AND NOT "${errors}" STREQUAL "${EXPECT_ERROR}\n")
    message(FATAL_ERROR "error output \"${errors}\", expected \"${EXPECT_ERROR}\"")
endif()

if(EXPECT_NO_OUTPUT AND NOT "${output}" STREQUAL "")
    message(FATAL_ERROR "standard output \"${output}\", expected none")
endif()

string(REGEX MATCHALL "missing [^\n]*\n" missing_lines "${output}")
# The list's separators stand before each "missing" but the first.
string(REPLACE ";missing" "missing" missing "${missing_lines}")
set(expected "")
if(EXPECT_MISSING)
    file(READ "${EXPECT_MISSING}" expected)
endif()
if(NOT "${missing}" STREQUAL "${expected}")
    message(FATAL_ERROR "missing lines:\n${missing}expected:\n${expected}")
endif()

if(SHAPES)
    file(READ "${SHAPES}" shapes)
    foreach(text shapes output)
        string(REPLACE ";" "<semicolon>" ${text} "${${text}}")
        string(REPLACE "[" "<bracket>" ${text} "${${text}}")
    endforeach()
    string(REPLACE "\n" ";" shapes "${shapes}")
    foreach(shape IN LISTS shapes)
        if(shape STREQUAL "")
            continue()
        endif()
        if(shape MATCHES "^field ([^ ]+) ([^ ]+) ([^ ]+)$")
            set(line "present field ${CMAKE_MATCH_1}.${CMAKE_MATCH_2} ${CMAKE_MATCH_3}")
        elseif(shape MATCHES "^(native|constructor) ([^ ]+) ([^ ]+)$")
            set(line "present ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3}")
        else()
            message(FATAL_ERROR "unreadable shape \"${shape}\"")
        endif()
        string(FIND "${output}" "${line}" found)
        if(found EQUAL -1)
            message(FATAL_ERROR "no line \"${line}\"")
        endif()
    endforeach()
endif()

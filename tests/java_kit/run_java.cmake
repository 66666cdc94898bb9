# cmake -DJAVA=java -DCLASSPATH=path -DLIBRARY_PATH=dir -DMAIN=class [-DARGS=a|b]
#       -DEXPECT=file [-DALLOWED_ERRORS=regex] [-DPRELOAD=lib] [-DCOPY_LIBRARIES=a|b]
#       -P run_java.cmake
# Runs a Java program on the real JVM with -Xcheck:jni and the libraries of LIBRARY_PATH (after
# copying COPY_LIBRARIES into it, a folder emptied first), without LD_LIBRARY_PATH, and compares
# its standard output with EXPECT, where <LIBRARY_PATH> stands for the folder's real path. Every
# line on the standard error stream must match ALLOWED_ERRORS (none allowed without it), so a
# warning of -Xcheck:jni fails the test. PRELOAD: the sanitizer runtime of a sanitized build.
string(REPLACE "|" ";" ARGS "${ARGS}")
string(REPLACE "|" ";" COPY_LIBRARIES "${COPY_LIBRARIES}")
if(COPY_LIBRARIES)
    file(REMOVE_RECURSE "${LIBRARY_PATH}")
    file(MAKE_DIRECTORY "${LIBRARY_PATH}")
    file(COPY ${COPY_LIBRARIES} DESTINATION "${LIBRARY_PATH}")
endif()
set(environment --unset=LD_LIBRARY_PATH)
if(PRELOAD)
    list(APPEND environment "LD_PRELOAD=${PRELOAD}"
         "ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:detect_leaks=0")
endif()
execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env ${environment}
            "${JAVA}" -Xcheck:jni "-Djava.library.path=${LIBRARY_PATH}" -cp "${CLASSPATH}" ${MAIN}
            ${ARGS}
    RESULT_VARIABLE exit_code OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${output}${errors}")
if(NOT exit_code EQUAL 0)
    message(FATAL_ERROR "exit code ${exit_code}")
endif()
file(REAL_PATH "${LIBRARY_PATH}" real_library_path)
file(READ "${EXPECT}" expected)
string(REPLACE "<LIBRARY_PATH>" "${real_library_path}" expected "${expected}")
if(NOT output STREQUAL expected)
    message(FATAL_ERROR "output:\n${output}expected:\n${expected}")
endif()
# Lines may hold semicolons, which separate a list: they are kept as a placeholder.
string(REPLACE ";" "<semicolon>" error_lines "${errors}")
string(REPLACE "\n" ";" error_lines "${error_lines}")
foreach(line IN LISTS error_lines)
    if(line STREQUAL "")
        continue()
    endif()
    if(NOT ALLOWED_ERRORS OR NOT line MATCHES "${ALLOWED_ERRORS}")
        message(FATAL_ERROR "unexpected on the standard error stream: ${line}")
    endif()
endforeach()

# cmake -DJAVADOC=javadoc -DSOURCE_ROOT=dir -DPACKAGE=name -DOUT=dir -P doclint.cmake
# Runs Javadoc with every doclint check on a package: it must succeed without a word.
file(REMOVE_RECURSE "${OUT}")
execute_process(
    COMMAND "${JAVADOC}" -quiet -Xdoclint:all -Werror --release 17 -encoding UTF-8 -d "${OUT}"
            -sourcepath "${SOURCE_ROOT}" "${PACKAGE}"
    RESULT_VARIABLE exit_code OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT exit_code EQUAL 0 OR NOT "${output}${errors}" STREQUAL "")
    message(FATAL_ERROR "javadoc ${PACKAGE}: exit code ${exit_code}\n${output}${errors}")
endif()
if(NOT EXISTS "${OUT}/index.html")
    message(FATAL_ERROR "javadoc ${PACKAGE} wrote no index.html")
endif()

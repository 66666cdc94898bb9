# qv_java_classes(target OUTPUT_DIR dir SOURCES ... [CLASSPATH ...] [DEPENDS ...]): compiles Java
# sources with the JDK's javac into dir; target is done when they are.
function(qv_java_classes target)
    cmake_parse_arguments(ARG "" "OUTPUT_DIR" "SOURCES;CLASSPATH;DEPENDS" ${ARGN})
    set(sources "")
    foreach(src IN LISTS ARG_SOURCES)
        get_filename_component(abs "${src}" ABSOLUTE)
        list(APPEND sources "${abs}")
    endforeach()
    set(stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}.stamp")
    set(cp_args "")
    if(ARG_CLASSPATH)
        list(JOIN ARG_CLASSPATH ":" cp)
        set(cp_args -cp "${cp}")
    endif()
    add_custom_command(OUTPUT "${stamp}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${ARG_OUTPUT_DIR}"
        COMMAND "${QV_JAVAC}" -Xlint:all -Werror --release 17 -encoding UTF-8 ${cp_args}
                -d "${ARG_OUTPUT_DIR}" ${sources}
        COMMAND "${CMAKE_COMMAND}" -E touch "${stamp}"
        DEPENDS ${sources} ${ARG_DEPENDS}
        COMMENT "javac ${target}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS "${stamp}")
endfunction()

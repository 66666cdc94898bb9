# cmake -DSOURCE=file -DDEST=file -DFROM=text -DTO=text [-DFROM2=text -DTO2=text]
#       -P make_source_variant.cmake
# Copies a Java source with the one place that reads FROM changed to TO (and FROM2 to TO2).
file(READ "${SOURCE}" text)
foreach(suffix "" 2)
    if(NOT DEFINED FROM${suffix})
        continue()
    endif()
    set(from "${FROM${suffix}}")
    string(FIND "${text}" "${from}" first)
    string(FIND "${text}" "${from}" last REVERSE)
    if(first EQUAL -1 OR NOT first EQUAL last)
        message(FATAL_ERROR "\"${from}\" is not in ${SOURCE} exactly once")
    endif()
    string(REPLACE "${from}" "${TO${suffix}}" text "${text}")
endforeach()
get_filename_component(dir "${DEST}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
file(WRITE "${DEST}" "${text}")

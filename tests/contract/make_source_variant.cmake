# cmake -DSOURCE=file -DDEST=file -DFROM=text -DTO=text -P make_source_variant.cmake
# Copies a Java source with the one place that reads FROM changed to TO.
file(READ "${SOURCE}" text)
string(FIND "${text}" "${FROM}" first)
string(FIND "${text}" "${FROM}" last REVERSE)
if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "\"${FROM}\" is not in ${SOURCE} exactly once")
endif()
string(REPLACE "${FROM}" "${TO}" text "${text}")
get_filename_component(dir "${DEST}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
file(WRITE "${DEST}" "${text}")

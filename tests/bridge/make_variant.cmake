# cmake -DSOURCE=dir -DDEST=dir -DREMOVE="A;B" -P make_variant.cmake
# Copies compiled classes and removes the named nested classes of ApiNative from the copy.
file(REMOVE_RECURSE "${DEST}")
file(COPY "${SOURCE}/" DESTINATION "${DEST}")
foreach(name IN LISTS REMOVE)
    set(file "${DEST}/com/zarvel/quorvexservice/apinative/ApiNative$${name}.class")
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "no class ${name} to remove")
    endif()
    file(REMOVE "${file}")
endforeach()

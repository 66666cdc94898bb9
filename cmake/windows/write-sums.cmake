# Install step: writes SHA256SUMS below the install prefix, one line per file in the format of
# sha256sum ("HASH  PATH", paths relative and with "/"), sorted by path, the list itself left out.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
list(REMOVE_ITEM files SHA256SUMS)
list(SORT files)
set(sums "")
foreach(f IN LISTS files)
    file(SHA256 "${root}/${f}" hash)
    string(APPEND sums "${hash}  ${f}\n")
endforeach()
file(WRITE "${root}/SHA256SUMS" "${sums}")

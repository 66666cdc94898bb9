# 64-bit x86 Windows (x86_64) with mingw-w64: see mingw-common.cmake.
set(MINGW_ARCH x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake")

# 32-bit x86 Windows (i686) with mingw-w64: see mingw-common.cmake.
set(MINGW_ARCH i686)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake")

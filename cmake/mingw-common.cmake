# Cross-compiles for Windows with mingw-w64, POSIX thread model (GoogleTest needs it). Included
# by the toolchain file of each architecture, which sets MINGW_ARCH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})

set(MINGW_TRIPLE ${MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
# The message compiler (binutils-mingw-w64): message tables for the event log.
set(QV_MC_COMPILER ${MINGW_TRIPLE}-windmc)
set(CMAKE_DLLTOOL ${MINGW_TRIPLE}-dlltool)
set(CMAKE_OBJDUMP ${MINGW_TRIPLE}-objdump)
set(CMAKE_OBJCOPY ${MINGW_TRIPLE}-objcopy)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Statically linked runtime: no libgcc, libstdc++ or winpthread DLLs beside the binaries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Cross-compiling the Windows program with MinGW-w64, for the processor that
# the including toolchain file (mingw-i686.cmake, mingw-x86_64.cmake) sets.
set(CMAKE_SYSTEM_NAME Windows)

set(GALLOP_MINGW_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${GALLOP_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${GALLOP_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${GALLOP_MINGW_PREFIX}-windres)

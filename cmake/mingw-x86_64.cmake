# Cross-compiling the 64-bit Windows program with MinGW-w64 (x86-64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

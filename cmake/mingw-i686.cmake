# Cross-compiling the 32-bit Windows program with MinGW-w64 (i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

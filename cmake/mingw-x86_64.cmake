# Cross-compiling the 64-bit Windows build with Debian's mingw-w64 (POSIX threads).
# float and double are SSE values already; long double is the x87 type.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VEMO_MINGW x86_64-w64-mingw32)
set(VEMO_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

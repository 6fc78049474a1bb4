# Cross-compiling the 32-bit Windows build with Debian's mingw-w64 (POSIX threads).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VEMO_MINGW i686-w64-mingw32)
set(VEMO_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Plain IEEE float and double, exactly as on x86-64; long double stays x87.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

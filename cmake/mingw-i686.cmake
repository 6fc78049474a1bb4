# Cross-compiling the 32-bit Windows build with Debian's mingw-w64 (POSIX threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VEMO_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VEMO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEMO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VEMO_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VEMO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Plain IEEE float and double, exactly as on x86-64; long double stays x87.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# One executable with nothing beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh --prefix ${CMAKE_BINARY_DIR}/wineprefix)

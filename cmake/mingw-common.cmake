# Shared by the 32-bit and 64-bit Windows toolchains: VEMO_MINGW names the
# mingw-w64 target triple, VEMO_WINE_ARCH the Wine that runs its programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VEMO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEMO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VEMO_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VEMO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# One executable with nothing beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables run under the matching Wine, in a prefix inside the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh --arch ${VEMO_WINE_ARCH}
                                  --prefix ${CMAKE_BINARY_DIR}/wineprefix)

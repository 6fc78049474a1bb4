# Runs a Windows test program in a Wine prefix of its own whose display is
# scaled to DPI (HKCU\Control Panel\Desktop\LogPixels), so that Wine's tray
# and every program in it start at that scaling. The prefix is made fresh and
# removed afterwards; the shared test prefix is never touched.
#   -DWINE_RUN=scripts/wine-run.sh -DWINE_ARCH=win32|win64 -DPREFIX=dir -DDPI=144 -DICON_SIDE=24
#   -DPROGRAM=x.exe
cmake_minimum_required(VERSION 3.25)
if(NOT WINE_ARCH)
  set(WINE_ARCH win32)
endif()
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND bash "${WINE_RUN}" --arch ${WINE_ARCH} --prefix "${PREFIX}" --init-only RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not make the Wine prefix ${PREFIX}")
endif()
execute_process(COMMAND bash "${WINE_RUN}" --arch ${WINE_ARCH} --prefix "${PREFIX}" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels
                        /t REG_DWORD /d ${DPI} /f OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not set LogPixels=${DPI}")
endif()
# Everything started so far read the old scaling; the test starts afresh.
execute_process(COMMAND env "WINEPREFIX=${PREFIX}" wineserver -w)
execute_process(COMMAND env "VEMO_EXPECT_ICON_SIDE=${ICON_SIDE}" bash "${WINE_RUN}" --arch ${WINE_ARCH} --prefix "${PREFIX}" "${PROGRAM}"
                        --gtest_brief=1 RESULT_VARIABLE status)
execute_process(COMMAND env "WINEPREFIX=${PREFIX}" wineserver -k ERROR_QUIET)
execute_process(COMMAND env "WINEPREFIX=${PREFIX}" wineserver -w)
file(REMOVE_RECURSE "${PREFIX}")
file(REMOVE "${PREFIX}.lock")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} at ${DPI} dpi failed (${status})")
endif()

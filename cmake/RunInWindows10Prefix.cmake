# Runs a Windows test program in a Wine prefix of its own that reports
# Windows 10 (winecfg /v win10), for the suites whose behaviour follows the
# Windows version. The prefix is made once and kept in the build tree, like
# the shared one; the shared test prefix is never touched. Its wineserver is
# ended afterwards, so that Wine's services hold no pipe of the test's.
#   -DWINE_RUN=scripts/wine-run.sh -DWINE_ARCH=win32|win64 -DPREFIX=dir -DPROGRAM=x.exe [-DFILTER=pattern]
cmake_minimum_required(VERSION 3.25)
if(NOT WINE_ARCH)
  set(WINE_ARCH win32)
endif()
if(NOT EXISTS "${PREFIX}/.vemo-win10")
  execute_process(COMMAND bash "${WINE_RUN}" --arch ${WINE_ARCH} --prefix "${PREFIX}" --init-only RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not make the Wine prefix ${PREFIX}")
  endif()
  execute_process(COMMAND bash "${WINE_RUN}" --arch ${WINE_ARCH} --prefix "${PREFIX}" winecfg /v win10
                  OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not set ${PREFIX} to Windows 10 (winecfg /v win10)")
  endif()
  execute_process(COMMAND env "WINEPREFIX=${PREFIX}" wineserver -w)
  file(TOUCH "${PREFIX}/.vemo-win10")
endif()
set(arguments --gtest_brief=1)
if(FILTER)
  list(APPEND arguments "--gtest_filter=${FILTER}")
endif()
execute_process(COMMAND bash "${WINE_RUN}" --arch ${WINE_ARCH} --prefix "${PREFIX}" "${PROGRAM}" ${arguments}
                RESULT_VARIABLE status)
execute_process(COMMAND env "WINEPREFIX=${PREFIX}" wineserver -k ERROR_QUIET)
execute_process(COMMAND env "WINEPREFIX=${PREFIX}" wineserver -w)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} on Windows 10 failed (${status})")
endif()

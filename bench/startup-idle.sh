#!/usr/bin/env bash
# Start-up and idle figures of vemo.exe under Wine, against the smallest
# program that adds an icon, measured in the same run. Builds what it needs
# in the Windows build; needs a display (DISPLAY, or Xvfb is started) and
# runs in the Windows build's Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2 --target vemo_startup_bench
xvfb_pid=""
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  for n in $(seq 150 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      sleep 1
      break
    fi
  done
fi
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid"' EXIT
bash scripts/wine-run.sh --prefix build/windows/wineprefix build/windows/vemo_startup_bench.exe

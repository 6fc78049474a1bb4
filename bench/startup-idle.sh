#!/usr/bin/env bash
# Start-up and idle figures of vemo.exe under Wine, against the smallest
# program that adds an icon, measured in the same run. Usage:
#   bench/startup-idle.sh [windows|windows64]    (default windows, 32-bit)
# Builds what it needs in that Windows build and runs in its Wine prefix;
# needs a display (DISPLAY, or Xvfb is started).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-windows}
case "$preset" in
  windows) arch=win32 ;;
  windows64) arch=win64 ;;
  *) echo "usage: $0 [windows|windows64]" >&2; exit 2 ;;
esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target vemo_startup_bench
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
bash scripts/wine-run.sh --arch "$arch" --prefix "build/$preset/wineprefix" "build/$preset/vemo_startup_bench.exe"

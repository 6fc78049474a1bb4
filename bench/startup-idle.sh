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
source scripts/virtual-display.sh
start_virtual_display 150 199
trap stop_virtual_display EXIT
bash scripts/wine-run.sh --arch "$arch" --prefix "build/$preset/wineprefix" "build/$preset/vemo_startup_bench.exe"

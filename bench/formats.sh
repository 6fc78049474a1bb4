#!/usr/bin/env bash
# The band path for the system's decoders against their own full decode, on
# a 24-megapixel PNG made in the run. Usage: bench/formats.sh [windows|windows64]
# (default windows64). Builds what it needs and runs in that build's Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-windows64}
case "$preset" in
  windows) arch=win32 ;;
  windows64) arch=win64 ;;
  *) echo "usage: $0 [windows|windows64]" >&2; exit 2 ;;
esac
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target vemo_formats_bench
bash scripts/wine-run.sh --arch "$arch" --prefix "build/$preset/wineprefix" "build/$preset/vemo_formats_bench.exe" \
  "Z:$PWD/build/$preset/bench-24mp.png"

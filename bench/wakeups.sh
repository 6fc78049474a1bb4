#!/usr/bin/env bash
# Wake-ups of the playing slideshow, the program as it is against the program
# at an earlier commit (default: the one before the timer only woke for
# changes), both built and measured in the same run:
#   - natively, with a fake clock: timer messages handled per picture change;
#   - under 64-bit Wine: thread switches a second while a picture stands.
# Usage: bench/wakeups.sh [BASE_COMMIT]
# The earlier program is built in a git worktree under build/; needs a display
# for the Wine part (DISPLAY, or Xvfb is started).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
base=${1:-f5deb38}
tree=$root/build/wakeups-base

if [ ! -e "$tree/.git" ]; then
  git worktree add --detach "$tree" "$base" >/dev/null
else
  git -C "$tree" checkout --quiet --detach "$base"
fi
# The native counter is built from this file against either program.
cp bench/TimerWakeups_bench.cpp "$tree/bench/"
for dir in "$root" "$tree"; do
  (cd "$dir" && cmake --preset native >/dev/null && cmake --build --preset native -j 2 --target TimerWakeups_bench)
done
mkdir -p "$tree/build/windows64"
[ -d "$tree/build/windows64/deps" ] || cp -r "$root/build/windows64/deps" "$tree/build/windows64/"
(cd "$tree" && cmake --preset windows64 >/dev/null && cmake --build --preset windows64 -j 2 --target vemo)
cmake --preset windows64 >/dev/null
cmake --build --preset windows64 -j 2 --target vemo vemo_wakeups_bench

pictures=$root/tests/data/jpeg
echo "timer messages per picture change, fake clock, Interval=15, the JPEGs of tests/data/jpeg:"
before=$("$tree/build/native/bench/TimerWakeups_bench" "$pictures" 15 20)
after=$(build/native/bench/TimerWakeups_bench "$pictures" 15 20)
echo "  before: $before"
echo "  after:  $after"
awk -v b="${before%% *}" -v a="${after%% *}" 'BEGIN { printf "  ratio after/before %.3f\n", a / b }'

source scripts/virtual-display.sh
start_virtual_display 150 199
trap stop_virtual_display EXIT
bash scripts/wine-run.sh --arch win64 --prefix build/windows64/wineprefix build/windows64/vemo_wakeups_bench.exe \
  "Z:$tree/build/windows64/vemo.exe" "Z:$root/build/windows64/vemo.exe"

#!/usr/bin/env bash
# The stall benchmark: how long vemo.exe's main window leaves a message
# unanswered (WM_NULL every 10 ms through SendMessageTimeout), and how long
# after its start its icon appears, under Wine, in four cases:
#   small    8 small pictures; Play, two picture changes
#   tree     60,000 files in 600 folders (2 of them pictures); start-up only
#   passend  the same tree; Play, the end of the pass rescans it
#   bigjpeg  one 12000 x 8000 JPEG; start-up and Play (each change decodes it)
# Usage: [PRESET=windows|windows64] bench/stall.sh [BEFORE.exe]
# Measures build/$PRESET/vemo.exe (default windows, the 32-bit build; windows64
# runs under 64-bit Wine), and BEFORE.exe (an older build) as the
# reference in the same run when given; RUNS=n repeats each case (default 1)
# and reports the median and the worst run. Needs the Windows build and the
# native one (for bench/MakeBigJpeg); a virtual display is started where no X
# display is set.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${PRESET:-windows}
arch=win32
[ "$preset" = windows64 ] && arch=win64
build=$root/build/$preset
prefix=$build/wineprefix
after=$build/vemo.exe
before=${1:-}
runs=${RUNS:-1}
[ -x "$build/vemo_stall_probe.exe" ] || { echo "build the $preset preset first"; exit 1; }
[ -x "$root/build/native/bench/MakeBigJpeg" ] || { echo "build MakeBigJpeg (native preset) first"; exit 1; }

work=$(mktemp -d /tmp/vemo-stall.XXXXXX)
source "$root/scripts/virtual-display.sh"
trap 'stop_virtual_display; rm -rf "$work"' EXIT
start_virtual_display 150 199
winpath() { printf 'Z:%s' "${1//\//\\}"; }

echo "making the inputs in $work"
mkdir -p "$work/small" "$work/big"
for i in 1 2 3 4; do
  cp "$root/tests/data/jpeg/landscape-640x480.jpg" "$work/small/l$i.jpg"
  cp "$root/tests/data/jpeg/portrait-300x500.jpg" "$work/small/p$i.jpg"
done
for f in $(seq -w 0 599); do
  mkdir -p "$work/tree/f$f"
  (cd "$work/tree/f$f" && touch $(seq -f 'n%02g.txt' 0 99))
done
rm "$work/tree/f000/n00.txt" "$work/tree/f300/n00.txt"
cp "$root/tests/data/jpeg/small-10x8.jpg" "$work/tree/f000/a.jpg"
cp "$root/tests/data/jpeg/uniform-200x150.jpg" "$work/tree/f300/b.jpg"
"$root/build/native/bench/MakeBigJpeg" 12000 8000 "$work/big/big.jpg"
echo "tree: $(find "$work/tree" -type f | wc -l) files in $(find "$work/tree" -mindepth 1 -type d | wc -l) folders"

wine_run() { bash "$root/scripts/wine-run.sh" --arch "$arch" --prefix "$prefix" "$@"; }

# measure EXE FOLDER PLAY_AFTER_MS DURATION_MS: prints, for the time to the
# icon, the longest stall before Play and the one after it, the median and
# the worst of the runs as MEDIAN/WORST.
measure() {
  local exe=$1 folder=$2 play=$3 duration=$4 run line icons=() starts=() plays=()
  mkdir -p "$work/run"
  cp "$exe" "$work/run/vemo-bench.exe"
  printf '[General]\r\nInterval=3\r\n[Folders]\r\nCount=1\r\n0=%s\r\n' "$(winpath "$folder")" >"$work/run/vemo-bench.ini"
  for run in $(seq "$runs"); do
    wine_run reg delete 'HKCU\Software\Orvane\vemo-bench' /f >/dev/null 2>&1 || true
    line=$(wine_run "$build/vemo_stall_probe.exe" "$(winpath "$work/run/vemo-bench.exe")" "$play" "$duration" | tr -d '\r')
    eval "$(echo "$line" | sed 's/ /;/g')"
    icons+=("$icon_ms")
    starts+=("$stall_startup_ms")
    plays+=("$stall_play_ms")
  done
  echo "$(summary "${icons[@]}") $(summary "${starts[@]}") $(summary "${plays[@]}")"
}
summary() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "%d/%d", v[int((NR + 1) / 2)], v[NR] }'; }

declare -A figures
cases=(small tree passend bigjpeg)
folder_of() { case $1 in small) echo "$work/small" ;; tree | passend) echo "$work/tree" ;; bigjpeg) echo "$work/big" ;; esac; }
play_of() { case $1 in tree) echo -1 ;; small) echo 500 ;; *) echo 0 ;; esac; }
duration_of() { case $1 in small | bigjpeg) echo 8000 ;; tree) echo 5000 ;; passend) echo 14000 ;; esac; }

labels=(after)
[ -n "$before" ] && labels=(before after)
for label in "${labels[@]}"; do
  exe=$after
  [ "$label" = before ] && exe=$before
  for c in "${cases[@]}"; do
    figures[$label.$c]=$(measure "$exe" "$(folder_of "$c")" "$(play_of "$c")" "$(duration_of "$c")")
    echo "$label $c: icon, stall before Play, stall after Play (ms): ${figures[$label.$c]}"
  done
done

echo
echo "$preset build, $runs run(s) each, milliseconds as median/worst; ratio = after / before, of the medians"
printf '%-8s | %-30s | %-30s | %-30s\n' case "icon after start" "stall before Play" "stall after Play"
for c in "${cases[@]}"; do
  read -r ai as ap <<<"${figures[after.$c]}"
  if [ -n "$before" ]; then
    read -r bi bs bp <<<"${figures[before.$c]}"
    ratio() { awk -v a="${1%/*}" -v b="${2%/*}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
    printf '%-8s | %9s -> %9s (%5s) | %9s -> %9s (%5s) | %9s -> %9s (%5s)\n' "$c" "$bi" "$ai" "$(ratio "$ai" "$bi")" \
      "$bs" "$as" "$(ratio "$as" "$bs")" "$bp" "$ap" "$(ratio "$ap" "$bp")"
  else
    printf '%-8s | %30s | %30s | %30s\n' "$c" "$ai" "$as" "$ap"
  fi
done

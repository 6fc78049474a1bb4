#!/usr/bin/env bash
# Starts Kobaru (vemo.exe) under Wine, setting up and building whatever is
# missing first.
#
# On a desktop (DISPLAY set and reachable) the program runs in the foreground
# and its icon appears in the notification area; on the very first run it asks
# where to keep its settings. Quit it from its menu (right click, Exit; 終了 in
# Japanese).
#
# Without a display it shows the program working anyway: it starts a virtual
# X display, runs a copy of vemo.exe beside prepared settings and a few sample
# pictures, takes screenshots of the icon in Wine's tray window and of the
# whole screen, plays the show from the icon's menu and takes the icon again,
# names the files, and stops everything it started.
#
# Usage: scripts/run.sh [--headless]
# It uses the 32-bit build where this machine can run 32-bit programs, and the
# 64-bit build elsewhere, and says which.
# (VEMO_RUN_BUILD_DIR chooses another build directory than build/windows or
# build/windows64; VEMO_NO_WIN32=1 pretends 32-bit programs cannot run.)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

headless=0
[ "${1:-}" = --headless ] && headless=1

say() { echo "run: $*"; }
fail() {
  echo "run: FAILED: $*" >&2
  exit 1
}

say "setting up (scripts/setup.sh)"
bash scripts/setup.sh || fail "the set-up did not complete; see above"

# The 32-bit build runs on every Windows, so it comes first wherever this
# machine can run 32-bit programs; elsewhere the 64-bit build.
if why32=$(bash scripts/wine-run.sh --arch win32 --probe 2>&1); then
  preset=windows arch=win32
  say "this machine runs 32-bit Windows programs: using the 32-bit build (preset windows)"
elif why64=$(bash scripts/wine-run.sh --arch win64 --probe 2>&1); then
  preset=windows64 arch=win64
  say "this machine cannot run 32-bit programs ($why32): using the 64-bit build (preset windows64)"
else
  fail "Wine cannot run here: 32-bit: $why32; 64-bit: $why64"
fi

say "building the Windows program (preset $preset)"
build=$(realpath -m "${VEMO_RUN_BUILD_DIR:-build/$preset}")
cmake --preset "$preset" -B "$build" >/dev/null || fail "configuring the Windows build failed"
cmake --build "$build" --target vemo -j 2 || fail "building vemo.exe failed"
exe="$build/vemo.exe"
# A prefix of its own, apart from the tests' one.
prefix="$build/run-prefix"
[ -f "$exe" ] || fail "$exe was not built"
wine_run() { bash scripts/wine-run.sh --arch "$arch" --prefix "$prefix" "$@"; }

wine_run --init-only || fail "the Wine prefix $prefix could not be made (see above)"
# Making the prefix leaves a server behind with no display; the program must
# meet a fresh one that knows the display it is to use.
WINEPREFIX="$prefix" wineserver -w

# Wine makes the Windows documents folder a link to the Unix home, which the
# first run would offer as the picture folder and scan whole. This prefix
# gets a Documents folder of its own, with the sample pictures in it.
for user_dir in "$prefix"/drive_c/users/*/; do
  [ "$(basename "$user_dir")" = Public ] && continue
  docs="${user_dir}Documents"
  if [ -L "$docs" ] || [ ! -d "$docs" ]; then
    rm -f "$docs"
    mkdir -p "$docs"
  fi
  cp -n tests/data/jpeg/landscape-640x480.jpg tests/data/jpeg/portrait-300x500.jpg "$docs/"
done

if [ $headless -eq 0 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  say "starting $exe on display $DISPLAY; its icon appears in the notification area"
  exec bash scripts/wine-run.sh --arch "$arch" --prefix "$prefix" "$exe"
fi

# --- No display: a virtual one, a demonstration copy and screenshots. ---------
demo="$build/run-demo"
say "no usable display: running a demonstration on a virtual display in $demo"
rm -rf "$demo"
mkdir -p "$demo/pictures"
cp "$exe" "$demo/vemo.exe"
cp tests/data/jpeg/landscape-640x480.jpg tests/data/jpeg/portrait-300x500.jpg "$demo/pictures/"
# Wine shows the Linux root as drive Z:. (No Wine program runs before the
# virtual display is up: it would start Wine's desktop without a display.)
winepath="Z:${demo//\//\\}\\pictures"
# The settings beside the copy, so that the first-run question is not asked:
# code page 932 text (ASCII here) with CR LF line ends.
printf '[General]\r\nInterval=3\r\n[Folders]\r\nCount=1\r\n0=%s\r\n' "$winepath" >"$demo/vemo.ini"

source scripts/virtual-display.sh
vemo_pid=""
cleanup() {
  if [ -n "$vemo_pid" ]; then kill "$vemo_pid" >/dev/null 2>&1 || true; fi
  stop_virtual_display
}
trap cleanup EXIT

# A virtual display of its own, even where --headless left a real one set.
unset DISPLAY
start_virtual_display 150 199 || fail "no virtual display could be started"
say "virtual display $DISPLAY is up (Xvfb, pid $virtual_display_pid)"

wine_run "$demo/vemo.exe" >"$demo/vemo.log" 2>&1 &
vemo_pid=$!
say "started vemo.exe under Wine (pid $vemo_pid)"

tray=""
for _ in $(seq 1 200); do
  tray=$(xwininfo -root -tree 2>/dev/null | awk '/"Wine System Tray"/ {print $1; exit}')
  [ -n "$tray" ] && break
  kill -0 "$vemo_pid" 2>/dev/null || fail "vemo.exe ended early; its output is in $demo/vemo.log"
  sleep 0.1
done
[ -n "$tray" ] || fail "Wine's tray window never appeared"
sleep 2  # let the tray draw the icon

shot_tray="$demo/tray-icon.png"
shot_screen="$demo/screen.png"
/usr/bin/import -window "$tray" "$shot_tray" || fail "the screenshot of the tray window failed"
/usr/bin/import -window root "$shot_screen" || fail "the screenshot of the screen failed"
/usr/bin/convert "$shot_tray" -filter point -resize 400% "$demo/tray-icon-x4.png" || true

kill -0 "$vemo_pid" 2>/dev/null || fail "vemo.exe is no longer running"
say "vemo.exe is running with its icon in Wine's tray window ($tray)."
say "screenshot of the icon (stopped, the default tile): $shot_tray"
say "the same, four times as large: $demo/tray-icon-x4.png"
say "screenshot of the whole screen: $shot_screen"

# Then as a user would: right-click the icon, choose Play by its key (P in
# either language), and
# after the first cross-fade the icon shows the first picture.
shot_menu="$demo/menu.png"
shot_playing="$demo/tray-icon-playing.png"
if xdotool mousemove --window "$tray" 10 10 click 3 >/dev/null 2>&1; then
  sleep 1
  /usr/bin/import -window root "$shot_menu" || fail "the screenshot of the menu failed"
  xdotool key p >/dev/null 2>&1 || fail "choosing Play by its key failed"
  sleep 3
  /usr/bin/import -window "$tray" "$shot_playing" || fail "the screenshot of the playing icon failed"
  /usr/bin/convert "$shot_playing" -filter point -resize 400% "$demo/tray-icon-playing-x4.png" || true
  kill -0 "$vemo_pid" 2>/dev/null || fail "vemo.exe ended after Play; its output is in $demo/vemo.log"
  say "screenshot of the right-click menu: $shot_menu"
  say "screenshot of the icon playing (the first picture): $shot_playing"
  say "the same, four times as large: $demo/tray-icon-playing-x4.png"
else
  say "could not click the icon (xdotool); the playing screenshots are left out"
fi
say "stopping vemo.exe and the virtual display"

#!/usr/bin/env bash
# Runs a Windows program under Wine in a build tree's own Wine prefix.
# Usage: wine-run.sh [--arch win32|win64] --prefix DIR PROGRAM.exe [ARGS...]
#        wine-run.sh [--arch win32|win64] --prefix DIR --init-only   (just make the prefix)
#        wine-run.sh --arch win32|win64 --probe   (can this machine run that Wine at all?)
# win32 (the default) runs under 32-bit Wine, win64 under 64-bit Wine. Every
# failure to set up says which command failed and what it printed.
set -euo pipefail
arch=win32
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --prefix) WINEPREFIX=$(realpath -m "$2"); export WINEPREFIX; shift 2 ;;
    *) break ;;
  esac
done
case "$arch" in
  win32) loader=/usr/lib/wine/wine ;;
  win64) loader=/usr/lib/wine/wine64 ;;
  *) echo "wine-run.sh: unknown --arch $arch (win32 or win64)" >&2; exit 2 ;;
esac
export WINEARCH=$arch WINEDEBUG=-all WINELOADER=$loader
# No Mono or Gecko installers popping up in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The loader is tried, not guessed at: some kernels cannot execute 32-bit
# programs at all ("Exec format error"), and then nothing else here can work.
probe() {
  if [ "$arch" = win32 ] && [ -n "${VEMO_NO_WIN32:-}" ]; then
    echo "32-bit programs are switched off on this machine (VEMO_NO_WIN32=$VEMO_NO_WIN32)"
    return 1
  fi
  [ -x "$loader" ] || { echo "$loader is not installed (scripts/setup.sh installs it)"; return 1; }
  local out
  if ! out=$("$loader" --version 2>&1); then
    echo "$loader --version failed: ${out:-no output}"
    return 1
  fi
}
if [ "${1:-}" = --probe ]; then
  probe
  exit $?
fi
: "${WINEPREFIX:?wine-run.sh needs --prefix DIR}"

if ! why=$(probe); then
  echo "wine-run.sh: cannot run $arch programs: $why" >&2
  exit 1
fi

# run_logged WHAT COMMAND...: runs a set-up command; on failure says what failed and what it printed.
run_logged() {
  local what=$1 log
  shift
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    echo "wine-run.sh: $what failed: $*" >&2
    tail -n 20 "$log" | sed 's/^/  | /' >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      run_logged "making the Wine prefix $WINEPREFIX" "$loader" wineboot -i || exit 1
      wineserver -w
      [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-run.sh: wineboot left no $WINEPREFIX/system.reg" >&2; exit 1; }
    fi
  ) 9>"$WINEPREFIX.lock"
fi
# The dialogs' Japanese font ("ＭＳ Ｐゴシック" and its relatives) is not part of
# Wine: it is mapped to Noto Sans CJK JP from Debian's fonts-noto-cjk, once
# per prefix.
if [ ! -f "$WINEPREFIX/.vemo-fonts" ]; then
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.vemo-fonts" ]; then
      reg="$WINEPREFIX/vemo-fonts.reg"
      {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "ＭＳ Ｐ明朝" "ＭＳ 明朝" "MS PGothic" "MS Gothic" \
          "MS UI Gothic" "MS PMincho" "MS Mincho"; do
          printf '"%s"="Noto Sans CJK JP"\r\n' "$face"
        done
      } | iconv -f UTF-8 -t UTF-16 >"$reg"
      run_logged "mapping the dialog fonts" "$loader" reg import "$reg" || exit 1
      touch "$WINEPREFIX/.vemo-fonts"
      rm -f "$reg"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
[ "${1:-}" = --init-only ] && exit 0
exec "$loader" "$@"

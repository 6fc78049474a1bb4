#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own Wine prefix.
# Usage: wine-run.sh --prefix DIR PROGRAM.exe [ARGS...]
#        wine-run.sh --prefix DIR --init-only    (just create the prefix)
set -euo pipefail
if [ "${1:-}" = --prefix ]; then
  WINEPREFIX=$(realpath -m "$2")
  export WINEPREFIX
  shift 2
fi
: "${WINEPREFIX:?wine-run.sh needs --prefix DIR}"
export WINEARCH=win32 WINEDEBUG=-all
# No Mono or Gecko installers popping up in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
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
      if wine reg import "$reg" >/dev/null 2>&1; then touch "$WINEPREFIX/.vemo-fonts"; fi
      rm -f "$reg"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
[ "${1:-}" = --init-only ] && exit 0
exec wine "$@"

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
[ "${1:-}" = --init-only ] && exit 0
exec wine "$@"

#!/usr/bin/env bash
# Sets up what is missing, builds every build and runs every test:
# native, native under AddressSanitizer + UndefinedBehaviorSanitizer, the
# Windows build under Wine, and a short fuzzing run. Ends with a summary and a
# non-zero exit status when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

results=()
failed=0
step() {
  local name=$1
  shift
  echo
  echo "==> $name"
  local started=$SECONDS
  if "$@"; then
    results+=("PASS  $name ($((SECONDS - started)) s)")
  else
    results+=("FAIL  $name ($((SECONDS - started)) s)")
    failed=1
  fi
}
summary() {
  echo
  echo "==================== summary ===================="
  printf '%s\n' "${results[@]}"
  local passed=0 failures=0 r
  for r in "${results[@]}"; do
    case "$r" in PASS*) passed=$((passed + 1)) ;; *) failures=$((failures + 1)) ;; esac
  done
  echo "steps: $passed passed, $failures failed"
}

step "set-up" bash scripts/setup.sh || true
if [ $failed -ne 0 ]; then summary; exit 1; fi

jobs=$(nproc 2>/dev/null || echo 2)

build() {  # build PRESET
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}

step "build native" build native
step "test native" ctest --preset native
step "build asan" build asan
step "test asan" ctest --preset asan

# The Windows tests share one Wine prefix inside the build tree, one
# wineserver for the whole run and a virtual display for anything with a window.
prefix="$root/build/windows/wineprefix"
xvfb_pid=""
start_windows_env() {
  # A display that is set but cannot be reached counts as none.
  if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    local display="" n
    for n in $(seq 90 149); do
      if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=":$n"
        break
      fi
    done
    [ -n "$display" ] || { echo "no free X display number between :90 and :149"; return 1; }
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=$display
    sleep 1
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start on $display"; return 1; }
  fi
  bash scripts/wine-run.sh --prefix "$prefix" --init-only || return 1
  # Making a fresh prefix leaves its wineserver running for a few seconds; a
  # persistent one can only start once that one has gone.
  WINEPREFIX="$prefix" wineserver -w
  WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all wineserver -p || {
    echo "wineserver did not start"
    return 1
  }
  # Wine's own services start with the first program and live as long as the
  # server. Started here, they hold /dev/null rather than the pipes of the
  # first test, which ctest would otherwise wait on until the end of the run.
  bash scripts/wine-run.sh --prefix "$prefix" cmd /c exit </dev/null >/dev/null 2>&1 || {
    echo "Wine cannot start a program in $prefix"
    return 1
  }
}
stop_windows_env() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1
  return 0
}
trap stop_windows_env EXIT

step "build windows" build windows
step "start wine" start_windows_env
step "test windows (wine)" ctest --preset windows

# A short fuzzing run: about a minute in all, spread over the fuzzers.
fuzz_all() {
  build fuzz || return 1
  local fuzzers=(build/fuzz/fuzz/*_fuzzer)
  [ -x "${fuzzers[0]}" ] || { echo "no fuzzers built"; return 1; }
  local seconds=$((60 / ${#fuzzers[@]}))
  [ $seconds -lt 10 ] && seconds=10
  local f name work ok=0
  for f in "${fuzzers[@]}"; do
    name=$(basename "$f")
    name=${name%_fuzzer}
    work=$(mktemp -d)
    echo "fuzzing $name for $seconds s"
    if ! "$f" -max_total_time=$seconds -max_len=65536 -print_final_stats=1 -artifact_prefix="build/fuzz/$name-" \
      "$work" "fuzz/corpus/$name" \
      2>"$work.log"; then
      tail -n 40 "$work.log"
      ok=1
    else
      grep -E 'stat::number_of_executed_units' "$work.log" | sed "s/^/  $name: /"
    fi
    rm -rf "$work" "$work.log"
  done
  return $ok
}
step "fuzz (short run)" fuzz_all

summary
exit $failed

#!/usr/bin/env bash
# Sets up what is missing, builds every build and runs every test:
# native, native under AddressSanitizer + UndefinedBehaviorSanitizer, the
# 64-bit Windows build under 64-bit Wine, the 32-bit one under 32-bit Wine
# (where this machine can run 32-bit programs; the summary says when it
# cannot, VEMO_NO_WIN32=1 pretends it cannot), the packages, and a short
# fuzzing run. Ends with a summary of every step's time and the total, and a
# non-zero exit status when anything failed.
#
#   scripts/test.sh               everything, in this order
#   scripts/test.sh STEP...       only the steps named, without the set-up:
#                                 setup native asan windows64 windows packages fuzz
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

all_steps=(setup native asan windows64 windows packages fuzz)
if [ $# -eq 0 ]; then
  chosen=("${all_steps[@]}")
else
  chosen=("$@")
  for name in "${chosen[@]}"; do
    case " ${all_steps[*]} " in
      *" $name "*) ;;
      *)
        echo "usage: scripts/test.sh [STEP...]; steps: ${all_steps[*]}" >&2
        exit 2
        ;;
    esac
  done
fi
chosen_step() { case " ${chosen[*]} " in *" $1 "*) return 0 ;; *) return 1 ;; esac }

results=()
skipped=()
failed=0
run_started=$SECONDS
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
  [ ${#skipped[@]} -gt 0 ] && printf '%s\n' "${skipped[@]}"
  echo "steps: $passed passed, $failures failed, ${#skipped[@]} skipped"
  echo "total: $((SECONDS - run_started)) s"
}

if chosen_step setup; then
  step "set-up" bash scripts/setup.sh
  if [ $failed -ne 0 ]; then summary; exit 1; fi
fi

jobs=$(nproc 2>/dev/null || echo 2)

build() {  # build PRESET [TARGET]
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs" ${2:+--target "$2"}
}

if chosen_step native; then
  step "build native" build native
  step "test native" ctest --preset native
fi
if chosen_step asan; then
  step "build asan" build asan
  step "test asan" ctest --preset asan
fi

# Each Windows build's tests share one Wine prefix inside its build tree and
# one wineserver for the whole run; both builds share one virtual display.
source scripts/virtual-display.sh
started_prefixes=()
start_wine() {  # start_wine ARCH PREFIX
  local arch=$1 prefix=$2
  start_virtual_display 90 149 || return 1
  bash scripts/wine-run.sh --arch "$arch" --prefix "$prefix" --init-only || return 1
  # Making a fresh prefix leaves its wineserver running for a few seconds; a
  # persistent one can only start once that one has gone.
  WINEPREFIX="$prefix" wineserver -w
  WINEPREFIX="$prefix" WINEARCH=$arch WINEDEBUG=-all wineserver -p || {
    echo "wineserver -p did not start for $prefix"
    return 1
  }
  started_prefixes+=("$prefix")
  # Wine's own services start with the first program and live as long as the
  # server. Started here, they hold /dev/null rather than the pipes of the
  # first test, which ctest would otherwise wait on until the end of the run.
  # (A file, not a pipe: the services would hold a pipe open for good.)
  local log="$prefix.start.log"
  if ! bash scripts/wine-run.sh --arch "$arch" --prefix "$prefix" cmd /c exit </dev/null >"$log" 2>&1; then
    echo "Wine cannot start a program in $prefix: wine-run.sh --arch $arch cmd /c exit printed:"
    tail -n 20 "$log" | sed 's/^/  | /'
    return 1
  fi
}
stop_windows_env() {
  local prefix
  for prefix in "${started_prefixes[@]}"; do
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  done
  stop_virtual_display
}
trap stop_windows_env EXIT

# Both Windows builds are built everywhere; each is tested under the Wine
# that runs it where this machine can run that Wine at all (tried, not
# guessed: some kernels cannot execute 32-bit programs). Where it cannot,
# only the program is built, for the packages: tests that cannot run here
# are not built either.
windows_build() {  # windows_build PRESET ARCH LABEL
  local preset=$1 arch=$2 label=$3 why
  if ! why=$(bash scripts/wine-run.sh --arch "$arch" --probe 2>&1); then
    step "build $label (the program only)" build "$preset" vemo
    skipped+=("SKIP  test $label: not built or run, this machine cannot run $arch programs ($why)")
    return 0
  fi
  step "build $label" build "$preset"
  step "start wine ($label)" start_wine "$arch" "$root/build/$preset/wineprefix"
  step "test $label (wine)" ctest --preset "$preset"
}
chosen_step windows64 && windows_build windows64 win64 "windows 64-bit"
chosen_step windows && windows_build windows win32 "windows 32-bit"

# The packages a Windows user installs: built by the package command, then
# installed, started, updated and removed under Wine where it can run them.
packages() {
  local log=build/test-packages.log line
  # (Into a file, not a pipe, which Wine's services could hold open.)
  bash scripts/test-packages.sh >"$log" 2>&1
  local status=$?
  cat "$log"
  while IFS= read -r line; do skipped+=("SKIP  ${line#UNTESTED  }"); done < <(grep '^UNTESTED' "$log")
  return "$status"
}
chosen_step packages && step "packages (build and test)" packages

# A short fuzzing run: a minute in all, spread over the fuzzers, but at least
# 15 s for each.
fuzz_all() {
  build fuzz || return 1
  local fuzzers=(build/fuzz/fuzz/*_fuzzer)
  [ -x "${fuzzers[0]}" ] || { echo "no fuzzers built"; return 1; }
  local seconds=$((60 / ${#fuzzers[@]}))
  [ $seconds -lt 15 ] && seconds=15
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
chosen_step fuzz && step "fuzz (short run)" fuzz_all

summary
exit $failed

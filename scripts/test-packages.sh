#!/usr/bin/env bash
# Builds the packages (scripts/package.sh) and tests them: each installer
# under the Wine that runs its build, in a throw-away prefix, the zips'
# contents, and the winget and Scoop manifests beside them. A build this
# machine cannot run is reported as untested.
# VEMO_NO_WIN32=1 acts as if the machine could not run 32-bit programs.
# Needs a display: $DISPLAY when it can be reached, otherwise a virtual one.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

passed=0
failed=0
check() {  # check NAME COMMAND...: one result line
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "PASS  $name"
  else
    failed=$((failed + 1))
    echo "FAIL  $name"
  fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ $failed -eq 0 ]
  exit
}

work=$(mktemp -d)
source scripts/virtual-display.sh
live_prefixes=()
cleanup() {
  local p
  for p in "${live_prefixes[@]}"; do WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true; done
  stop_virtual_display
  rm -rf "$work"
}
trap cleanup EXIT

if ! bash scripts/package.sh; then
  check "packages build" false
  finish
fi
version=$(sed -n 's/^VEMO_PRODUCT_VERSION=//p' build/windows/vemo-version.txt)

# --- The zips -------------------------------------------------------------------
zip_holds_exactly_the_files() {  # ARCH PRESET
  local zip="dist/Kobaru-$version-$1.zip" listed
  listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
  [ "$listed" = "LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt vemo.exe " ] || {
    echo "  $zip holds: $listed"
    return 1
  }
  unzip -q -o "$zip" -d "$work/zip-$1" || return 1
  cmp -s "$work/zip-$1/vemo.exe" "build/$2/vemo.exe" || { echo "  vemo.exe is not the built one"; return 1; }
  grep -q "Kobaru $version" "$work/zip-$1/README.txt" &&
    grep -q "This software is based in part on the work of the Independent JPEG Group" "$work/zip-$1/README.txt" &&
    grep -q "the Kobaru authors" "$work/zip-$1/LICENSE.txt" || {
    echo "  the read-me or the licence lacks its version, IJG acknowledgement or holder"
    return 1
  }
  local needed
  for needed in "LEGAL ISSUES" "Modified (3-clause) BSD License" "winpthreads" "GCC RUNTIME LIBRARY EXCEPTION"; do
    grep -q "$needed" "$work/zip-$1/THIRD-PARTY-NOTICES.txt" || {
      echo "  the notices lack \"$needed\""
      return 1
    }
  done
}
check "win32 zip holds exactly vemo.exe, README, LICENSE, notices" zip_holds_exactly_the_files win32 windows
check "win64 zip holds exactly vemo.exe, README, LICENSE, notices" zip_holds_exactly_the_files win64 windows64

# --- The winget and Scoop manifests -----------------------------------------------
# Debian's own interpreter, which has the YAML parser setup.sh installs;
# another python3 earlier on the PATH may not.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
check "winget and Scoop manifests parse, name both builds' packages of $version with their hashes" \
  "$python" scripts/check-manifests.py dist "$version"

# --- The installers under Wine --------------------------------------------------
start_virtual_display 150 199 || { echo "no display for the installers' tests"; exit 1; }

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kobaru'
# Settings without folders: the program then has nothing to scan.
settings_ini="$work/vemo.ini"
printf '[General]\r\nInterval=42\r\n\r\n[Folders]\r\nCount=0\r\n\r\n' >"$settings_ini"

# Runs a Windows program in the prefix under test, bounded in time.
w() { timeout 120 "$wine" "$@" </dev/null; }
# Waits until every program in the prefix has ended (an uninstaller hands
# over to a copy of itself and returns at once).
settle() { timeout 120 wineserver -w; }
reg_value() {  # reg_value KEY NAME: the data of a value, empty when absent
  w reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
win_to_unix() { w winepath -u "$1" 2>/dev/null | tr -d '\r'; }

start_program() {
  timeout 120 "$wine" "$installed\\vemo.exe" </dev/null >/dev/null 2>&1 &
  program_pid=$!
  w "$probe" /open
}
# The program has ended on its own (through its window), not by the timeout.
program_ended() {
  wait "$program_pid"
  local status=$?
  [ $status -eq 0 ] || echo "  vemo.exe ended with status $status"
  [ $status -eq 0 ]
}

installed_as_expected() {
  # Wine spells it "StartUp"; Windows does not mind the case, Linux does.
  startup=$(find "$programs" -maxdepth 1 -iname startup -type d | head -n 1)
  [ -n "$startup" ] || { echo "  no Startup folder"; return 1; }
  [ -f "$dir/vemo.exe" ] && cmp -s "$dir/vemo.exe" "$exe" || { echo "  no vemo.exe, or not the built one"; return 1; }
  [ -f "$programs/Kobaru.lnk" ] || { echo "  no Start menu shortcut"; return 1; }
  [ -f "$startup/Kobaru.lnk" ] || { echo "  no Startup shortcut"; return 1; }
  local shown uninstall
  shown=$(reg_value "$uninstall_key" DisplayVersion)
  [ "$shown" = "$version" ] || { echo "  DisplayVersion is '$shown'"; return 1; }
  uninstall=$(reg_value "$uninstall_key" QuietUninstallString)
  [ "$uninstall" = "\"$installed\\uninstall.exe\" /S" ] || { echo "  QuietUninstallString is '$uninstall'"; return 1; }
  [ -f "$dir/uninstall.exe" ] && [ -n "$(reg_value "$uninstall_key" EstimatedSize)" ] &&
    [ "$(reg_value "$uninstall_key" Publisher)" = Orvane ]
}

reinstall_keeps_settings() {
  # The program runs during the update.
  start_program || { echo "  the program did not start"; return 1; }
  w "$setup" /S && settle || { echo "  the reinstall failed"; return 1; }
  program_ended || return 1
  cmp -s "$dir/vemo.ini" "$settings_ini" || { echo "  vemo.ini changed"; return 1; }
  installed_as_expected
}

reinstall_keeps_startup_off() {
  rm -f "$startup/Kobaru.lnk"
  w "$setup" /S && settle || { echo "  the reinstall failed"; return 1; }
  [ ! -e "$startup/Kobaru.lnk" ] || { echo "  the Startup shortcut came back"; return 1; }
  # As the user would have it again, for the uninstall that follows.
  cp "$programs/Kobaru.lnk" "$startup/Kobaru.lnk"
}

uninstall_removes_all_but_settings() {
  # Settings in the registry too (the program then uses those).
  w reg add 'HKCU\Software\Orvane\vemo\General' /v Interval /t REG_DWORD /d 42 /f >/dev/null 2>&1 &&
    w reg add 'HKCU\Software\Orvane\vemo\Folders' /v Count /t REG_DWORD /d 0 /f >/dev/null 2>&1 || return 1
  start_program || { echo "  the program did not start"; return 1; }
  w "$dir/uninstall.exe" /S && settle || { echo "  the uninstaller failed"; return 1; }
  program_ended || return 1
  local f
  for f in vemo.exe uninstall.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    [ ! -e "$dir/$f" ] || { echo "  $f is still there"; return 1; }
  done
  [ ! -e "$programs/Kobaru.lnk" ] && [ ! -e "$startup/Kobaru.lnk" ] || { echo "  a shortcut is still there"; return 1; }
  ! w reg query "$uninstall_key" >/dev/null 2>&1 || { echo "  the Uninstall key is still there"; return 1; }
  cmp -s "$dir/vemo.ini" "$settings_ini" || { echo "  vemo.ini was not kept"; return 1; }
  [ "$(reg_value 'HKCU\Software\Orvane\vemo\General' Interval)" = 0x2a ] || {
    echo "  the registry settings were not kept"
    return 1
  }
}

test_installer() {  # ARCH PRESET WINE WINEARCH
  local arch=$1
  setup="$root/dist/Kobaru-$version-$arch-setup.exe"
  exe="$root/build/$2/vemo.exe"
  wine=$3
  export WINEARCH=$4 WINELOADER=$3 WINEPREFIX="$work/prefix-$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  live_prefixes+=("$WINEPREFIX")
  probe="$work/window-probe-$arch.exe"
  makensis -V1 -DARCH="$arch" -DOUTFILE="$probe" packaging/test/window-probe.nsi || return 1
  if ! { w wineboot -i >/dev/null 2>&1 && settle; }; then
    check "$arch: a fresh Wine prefix" false
    return
  fi
  # Where this prefix keeps the user's folders.
  installed="$(w cmd /c echo '%LOCALAPPDATA%' | tr -d '\r')\\Programs\\Kobaru"
  dir=$(win_to_unix "$installed")
  programs=$(win_to_unix "$(w cmd /c echo '%APPDATA%' | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs")

  check "$arch: silent install lays down the exe, both shortcuts and the Uninstall key ($version)" \
    eval 'w "$setup" /S && settle && installed_as_expected'
  cp "$settings_ini" "$dir/vemo.ini"
  check "$arch: the program starts from its installed place and closes through its window" \
    eval 'start_program && w "$probe" /close && program_ended'
  check "$arch: a silent reinstall over the running program keeps vemo.ini" reinstall_keeps_settings
  check "$arch: a silent reinstall keeps the user's choice not to start with Windows" reinstall_keeps_startup_off
  check "$arch: a silent uninstall ends the program, removes exe, shortcuts and key, keeps the settings" \
    uninstall_removes_all_but_settings
  wineserver -k >/dev/null 2>&1
}

# Each installer under the Wine that runs its build, where this machine can
# run that Wine at all (tried, not guessed).
for build in "win64 windows64 /usr/lib/wine/wine64" "win32 windows /usr/lib/wine/wine"; do
  read -r arch preset loader <<<"$build"
  if why=$(bash scripts/wine-run.sh --arch "$arch" --probe 2>&1); then
    test_installer "$arch" "$preset" "$loader" "$arch"
  else
    echo "UNTESTED  $arch installer: not run, this machine cannot run $arch programs ($why)"
  fi
done

finish

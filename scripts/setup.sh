#!/usr/bin/env bash
# Installs everything the builds and tests need on Debian 12, as root.
# Idempotent, and quick when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  nasm
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev
  clang libclang-rt-14-dev llvm
  wine wine32:i386 wine64 fonts-wine
  xvfb xauth x11-utils xdotool imagemagick fonts-noto-cjk
  clang-format
  locales
  nsis zip unzip python3 python3-yaml
)

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: enabling the i386 architecture for 32-bit Wine"
  sudo_ dpkg --add-architecture i386
  need_update=1
fi

# The Windows build compiles libjpeg-turbo from Debian's own source package,
# so a deb-src entry is needed for the archive this machine already uses: the
# first deb entry for bookworm in any source file apt reads, one-line
# (sources.list, *.list) or deb822 (*.sources).
first_debian_archive() {
  local files=() f
  [ -f /etc/apt/sources.list ] && files+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*; do
    case "$f" in *.list | *.sources) [ -f "$f" ] && files+=("$f") ;; esac
  done
  [ ${#files[@]} -gt 0 ] || return 0
  awk -v suite=bookworm '
    BEGIN { enabled = 1 }
    function stanza_end() {
      if (is_deb && serves && enabled && uri != "") { print uri; found = 1; exit }
      is_deb = 0; serves = 0; enabled = 1; uri = ""
    }
    FNR == 1 { if (deb822) stanza_end(); deb822 = FILENAME ~ /\.sources$/ }
    deb822 && /^[ \t]*$/ { stanza_end(); next }
    deb822 && !/^#/ {
      key = tolower($1)
      if (key == "types:") for (i = 2; i <= NF; i++) is_deb = is_deb || $i == "deb"
      if (key == "uris:") uri = $2
      if (key == "suites:") for (i = 2; i <= NF; i++) serves = serves || $i == suite
      if (key == "enabled:") enabled = tolower($2) != "no"
      next
    }
    !deb822 && $1 == "deb" {
      # Options in brackets may hold spaces: [arch=amd64 signed-by=...].
      i = 2
      if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
      if ($(i + 1) == suite) { print $i; found = 1; exit }
    }
    END { if (!found && deb822) stanza_end() }' "${files[@]}"
}
src_list=/etc/apt/sources.list.d/vemo-deb-src.sources
if [ ! -f "$src_list" ]; then
  uris=$(first_debian_archive)
  if [ -z "$uris" ]; then
    echo "setup: apt knows no archive for Debian bookworm: no \"deb\" entry for the suite bookworm in"
    echo "  /etc/apt/sources.list or /etc/apt/sources.list.d/*.list or *.sources."
    echo "  Add the Debian mirror this machine should use, for example as /etc/apt/sources.list.d/debian.sources:"
    echo "    Types: deb"
    echo "    URIs: <your Debian mirror>"
    echo "    Suites: bookworm bookworm-updates"
    echo "    Components: main"
    echo "    Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    echo "  then run this again."
    exit 1
  fi
  echo "setup: adding deb-src entries for $uris"
  sudo_ tee "$src_list" >/dev/null <<SRC
Types: deb-src
URIs: $uris
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ]; then
  echo "setup: installing ${missing[*]:-(package lists only)}"
  # A mirror caught mid-sync serves an index that does not match its Release
  # file; that often passes within a minute. After the last try, whatever
  # lists did arrive are used.
  for try in 1 2 3; do
    sudo_ apt-get update -qq && break
    [ $try -lt 3 ] && { echo "setup: package lists incomplete, trying again in $((try * 10)) s"; sleep $((try * 10)); }
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if ! DEBIAN_FRONTEND=noninteractive sudo_ apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
      # 32-bit libraries must match the 64-bit ones' versions exactly; where
      # the archive cannot give them (an i386 list missing), the rest is still
      # installed and the 32-bit tests are reported as unrun.
      native=() foreign=()
      for p in "${missing[@]}"; do case "$p" in *:i386) foreign+=("$p") ;; *) native+=("$p") ;; esac; done
      [ ${#foreign[@]} -gt 0 ] || exit 1
      echo "setup: the 32-bit packages (${foreign[*]}) cannot be installed from this machine's package lists;"
      echo "  installing the rest: the 32-bit program is still built, but not run"
      [ ${#native[@]} -eq 0 ] ||
        DEBIAN_FRONTEND=noninteractive sudo_ apt-get install -y -qq --no-install-recommends "${native[@]}" >/dev/null
    fi
  fi
fi
echo "setup: system packages ready"

# Wine takes the Windows language from the Unix locale: the tests run the
# program in Japanese and in English, so both locales must exist.
missing_locales=()
for wanted in ja_JP.UTF-8 en_US.UTF-8; do
  short=$(echo "${wanted%%.*}.utf8")
  locale -a 2>/dev/null | grep -qx "$short" || missing_locales+=("$wanted")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  echo "setup: making the locales ${missing_locales[*]}"
  for wanted in "${missing_locales[@]}"; do
    if grep -q "^# *$wanted UTF-8" /etc/locale.gen; then
      sudo_ sed -i "s/^# *\($wanted UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$wanted UTF-8" /etc/locale.gen; then
      echo "$wanted UTF-8" | sudo_ tee -a /etc/locale.gen >/dev/null
    fi
  done
  sudo_ locale-gen >/dev/null
fi
echo "setup: locales ready"

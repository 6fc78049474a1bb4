#!/usr/bin/env bash
# Builds the packages a Windows user downloads into dist/, for the 32-bit and
# the 64-bit build: a portable zip (vemo.exe, a read-me, the licence and the
# third-party notices) and a per-user NSIS installer. With both builds'
# packages there, it also writes the winget manifests (dist/winget/) and the
# Scoop manifest (dist/scoop/kobaru.json) that point at them.
# Usage: package.sh [--release-url URL] [win32] [win64]     (both when none is named)
# URL is where the release's files will be published, "{version}" standing
# for the version; else $VEMO_RELEASE_URL, else the default below.
# A build that is missing is configured and built first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${VEMO_JOBS:-2}

default_release_url='https://www.orvane.example/kobaru/download/{version}/'
release_url=${VEMO_RELEASE_URL:-$default_release_url}
arches=()
while [ $# -gt 0 ]; do
  case "$1" in
    --release-url) [ $# -ge 2 ] || { echo "package: --release-url needs a URL" >&2; exit 2; }; release_url=$2; shift ;;
    --release-url=*) release_url=${1#--release-url=} ;;
    *) arches+=("$1") ;;
  esac
  shift
done
[ ${#arches[@]} -gt 0 ] || arches=(win32 win64)

preset_of() { case "$1" in win32) echo windows ;; win64) echo windows64 ;; *) return 1 ;; esac; }
bits_of() { case "$1" in win32) echo 32-bit ;; win64) echo 64-bit ;; esac; }

for arch in "${arches[@]}"; do
  preset=$(preset_of "$arch") || { echo "package: unknown build '$arch' (win32 or win64)" >&2; exit 2; }
  if [ ! -f "build/$preset/vemo.exe" ]; then
    echo "package: building the $arch build (preset $preset)"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
  else
    # Already built: only make sure the exe is current.
    cmake --build --preset "$preset" -j "$jobs" --target vemo >/dev/null
  fi
done

# Every build carries the same version, which the build tree states.
version="" file_version=""
for arch in "${arches[@]}"; do
  info="build/$(preset_of "$arch")/vemo-version.txt"
  [ -f "$info" ] || { echo "package: $info is missing; configure the build again" >&2; exit 1; }
  v=$(sed -n 's/^VEMO_PRODUCT_VERSION=//p' "$info")
  f=$(sed -n 's/^VEMO_FILE_VERSION=//p' "$info")
  if [ -n "$version" ] && [ "$v" != "$version" ]; then
    echo "package: the builds disagree about the version ($version, $v); rebuild them" >&2
    exit 1
  fi
  version=$v file_version=$f
done
[ -n "$version" ] || { echo "package: no version found" >&2; exit 1; }

# Windows' own editors want CR LF, and a byte-order mark to take the text as UTF-8.
windows_text() { printf '\xef\xbb\xbf'; sed 's/\r$//; s/$/\r/' "$@"; }

# The notices of the code linked into vemo.exe, from the sources and Debian's
# copyright files it was built from.
write_notices() {  # write_notices BUILD_DIR OUT
  local build=$1 out=$2 jpeg mingw gcc
  local sources
  sources=$(sed -n 's/^VEMO_DEPS_SOURCE_DIR:PATH=//p' "$build/CMakeCache.txt")
  jpeg=$(ls -d "${sources:-$build/deps/src}"/libjpeg-turbo-*/ 2>/dev/null | head -n 1) || true
  [ -n "$jpeg" ] || { echo "package: no libjpeg-turbo source beside the $build build" >&2; return 1; }
  jpeg=${jpeg%/}
  mingw=/usr/share/doc/mingw-w64-common/copyright
  gcc=/usr/share/doc/gcc-mingw-w64-base/copyright
  local f
  for f in "$jpeg/LICENSE.md" "$jpeg/README.ijg" "$mingw" "$gcc"; do
    [ -f "$f" ] || { echo "package: $f is missing" >&2; return 1; }
  done
  local gcc_runtime
  gcc_runtime=$(sed -n '/^The following runtime libraries are licensed/,/^requirements of the license of GCC\.$/p' "$gcc")
  [ -n "$gcc_runtime" ] || { echo "package: no runtime exception found in $gcc" >&2; return 1; }
  {
    cat <<EOF
Third-party notices for Kobaru $version
======================================

vemo.exe is one statically linked executable. Besides Kobaru's own code
(MIT licence, LICENSE.txt) it contains:

1. libjpeg-turbo $(basename "$jpeg" | sed 's/^libjpeg-turbo-//'), which decodes JPEG pictures.
   This software is based in part on the work of the Independent JPEG Group.
2. The mingw-w64 runtime (C runtime start-up and support code, winpthreads).
3. The GCC runtime libraries (libgcc, libstdc++), under the GNU General
   Public License version 3 with the GCC Runtime Library Exception 3.1.

Their licences follow, as the projects and Debian state them.


==============================================================================
1. libjpeg-turbo: LICENSE.md
==============================================================================

EOF
    cat "$jpeg/LICENSE.md"
    printf '\n\n%s\n%s\n%s\n\n' "==============================================================================" \
      "1. libjpeg-turbo: README.ijg (the IJG licence is under LEGAL ISSUES)" \
      "=============================================================================="
    cat "$jpeg/README.ijg"
    printf '\n\n%s\n%s\n%s\n\n' "==============================================================================" \
      "2. The mingw-w64 runtime (headers, C runtime, winpthreads): Debian's copyright file" \
      "=============================================================================="
    cat "$mingw"
    printf '\n\n%s\n%s\n%s\n\n' "==============================================================================" \
      "3. The GCC runtime libraries (libgcc, libstdc++)" \
      "=============================================================================="
    printf '%s\n' "$gcc_runtime"
  } | windows_text >"$out"
}

mkdir -p dist
for arch in "${arches[@]}"; do
  preset=$(preset_of "$arch")
  build="$root/build/$preset"
  stage="$build/package"
  rm -rf "$stage"
  mkdir -p "$stage"
  cp "$build/vemo.exe" "$stage/vemo.exe"
  sed -e "s/@VERSION@/$version/g" -e "s/@BITS@/$(bits_of "$arch")/g" packaging/README.txt.in | windows_text >"$stage/README.txt"
  windows_text LICENSE >"$stage/LICENSE.txt"
  write_notices "$build" "$stage/THIRD-PARTY-NOTICES.txt"

  base="dist/Kobaru-$version-$arch"
  rm -f dist/Kobaru-*-"$arch".zip dist/Kobaru-*-"$arch"-setup.exe
  # Same inputs, same zip: the files carry the time of the last commit.
  stamp=$(git log -1 --format=%cI 2>/dev/null || date -u +%FT%TZ)
  touch -d "$stamp" "$stage"/*
  (cd "$stage" && TZ=UTC zip -X -q "$root/$base.zip" vemo.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt)

  cp src/app/vemo.ico "$stage/vemo.ico"
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILE_VERSION="$file_version" -DARCH="$arch" \
    -DSTAGE="$stage" -DOUTFILE="$root/$base-setup.exe" packaging/vemo.nsi
  echo "package: $base.zip ($(stat -c %s "$base.zip") bytes), $base-setup.exe ($(stat -c %s "$base-setup.exe") bytes)"
done

if [ -f "dist/Kobaru-$version-win32-setup.exe" ] && [ -f "dist/Kobaru-$version-win64-setup.exe" ] &&
  [ -f "dist/Kobaru-$version-win32.zip" ] && [ -f "dist/Kobaru-$version-win64.zip" ]; then
  python3 scripts/write-manifests.py dist "$version" "$release_url"
else
  echo "package: the winget and Scoop manifests need both builds' packages of $version; not written"
fi

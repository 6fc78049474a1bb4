#!/usr/bin/env bash
# Cross-builds libjpeg-turbo from Debian's source package with mingw-w64,
# statically and with its SIMD code, into DEPS_DIR/jpeg.
# Usage: build-jpeg-mingw.sh DEPS_DIR TOOLCHAIN_FILE [SOURCE_DIR]
# SOURCE_DIR holds the unpacked source; both Windows builds share it.
set -euo pipefail
deps=$(realpath -m "$1")
toolchain=$(realpath "$2")
prefix="$deps/jpeg"
[ -f "$prefix/lib/libjpeg.a" ] && exit 0

src_root=$(realpath -m "${3:-$deps/src}")
mkdir -p "$src_root"
cd "$src_root"
(
  flock 9
  if ! ls -d libjpeg-turbo-*/ >/dev/null 2>&1; then
    echo "build-jpeg-mingw: fetching Debian's libjpeg-turbo source package"
    apt-get source -qq libjpeg-turbo >/dev/null
  fi
) 9>"$src_root/.lock"
src=$(ls -d "$src_root"/libjpeg-turbo-*/ | head -n 1)

build="$deps/jpeg-build"
rm -rf "$build"
cmake -Wno-dev -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_CROSSCOMPILING_EMULATOR= \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_POLICY_DEFAULT_CMP0057=NEW \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_SIMD=ON \
  -DREQUIRE_SIMD=ON >/dev/null
cmake --build "$build" --target jpeg-static >/dev/null
mkdir -p "$prefix/lib" "$prefix/include"
cp "$build/libjpeg.a" "$prefix/lib/libjpeg.a"
cp "$src/jpeglib.h" "$src/jerror.h" "$src/jmorecfg.h" "$build/jconfig.h" "$prefix/include/"
echo "build-jpeg-mingw: libjpeg-turbo installed in $prefix"

#!/usr/bin/env bash
# Makes the version-resource blocks the version-information tests read: the
# program's own VERSIONINFO (taken from src/app/vemo.rc) and two variants,
# compiled by the resource compiler of the Windows build and cut out of the
# .res file, so that the portable reader is checked against real blocks.
set -euo pipefail
cd "$(dirname "$0")/.."
out=tests/data/version
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The program's own block, exactly as vemo.rc states it; its numbers come from
# the header the configured Windows build generates from the project version.
generated=build/windows/generated
[ -f "$generated/vemo_version.h" ] || cmake --preset windows >/dev/null
{
  echo '#include <winver.h>'
  echo '#include "vemo_version.h"'
  sed -n '/^VS_VERSION_INFO VERSIONINFO/,$p' src/app/vemo.rc
} >"$work/vemo.rc"

# No translation table: only the string table.
cat >"$work/no-translation.rc" <<'RC'
#include <winver.h>
VS_VERSION_INFO VERSIONINFO
FILEVERSION 1, 0, 0, 0
PRODUCTVERSION 1, 0, 0, 0
FILEOS VOS__WINDOWS32
FILETYPE VFT_APP
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "041103A4"
    BEGIN
      VALUE "ProductName", "Kobaru"
    END
  END
END
RC

# Two translations (only the first counts), Comments and a Japanese value,
# and a second string table for the other translation.
cat >"$work/two-tables.rc" <<'RC'
#pragma code_page(65001)
#include <winver.h>
VS_VERSION_INFO VERSIONINFO
FILEVERSION 2, 0, 0, 0
PRODUCTVERSION 2, 0, 0, 0
FILEOS VOS__WINDOWS32
FILETYPE VFT_APP
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904B0"
    BEGIN
      VALUE "ProductName", "English name"
      VALUE "ProductVersion", "9.9"
    END
    BLOCK "041104B0"
    BEGIN
      VALUE "Comments", "試験用 "
      VALUE "ProductName", "小春"
      VALUE "ProductVersion", "2.0"
      VALUE "SpecialBuild", "nightly"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0411, 0x04B0, 0x0409, 0x04B0
  END
END
RC

for name in vemo no-translation two-tables; do
  i686-w64-mingw32-windres -c 65001 -I "$generated" -O res -i "$work/$name.rc" -o "$work/$name.res"
  # A .res file is a row of entries: data size, header size, then the header
  # (type and name as 0xFFFF + number or as text), the data, padding to 4.
  python3 - "$work/$name.res" "$out/$name.bin" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
at = 0
while at + 8 <= len(data):
    size, header = struct.unpack_from('<II', data, at)
    kind = struct.unpack_from('<HH', data, at + 8)
    if kind == (0xFFFF, 16):
        open(sys.argv[2], 'wb').write(data[at + header:at + header + size])
        break
    at = (at + header + size + 3) & ~3
else:
    sys.exit('no version resource in ' + sys.argv[1])
PY
  echo "wrote $out/$name.bin"
done

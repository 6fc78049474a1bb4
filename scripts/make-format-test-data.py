#!/usr/bin/env python3
"""Writes tests/data/formats: PNG pictures of several pixel layouts, each with
the BMP its pixels should become (8 bits a channel, transparency over black as
(c * a + 127) // 255), a two-frame GIF and a two-page LZW TIFF of a BMP
(through ImageMagick), and a corpus of damaged files under damaged/."""
import os, struct, subprocess, sys, zlib

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "tests", "data", "formats")
W, H = 37, 23  # odd sizes: padded rows, and a tile that is averaged


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(path, depth, colour, rows, extra=b""):
    head = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, depth, colour, 0, 0, 0))
    raw = b"".join(b"\0" + r for r in rows)
    with open(path, "wb") as f:
        f.write(head + extra + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp(path, pixels):  # pixels[y][x] = (r, g, b), 24-bit bottom-up
    stride = (W * 3 + 3) & ~3
    body = b""
    for y in reversed(range(H)):
        row = b"".join(bytes((b, g, r)) for r, g, b in pixels[y])
        body += row + b"\0" * (stride - len(row))
    head = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(head + info + body)


def over(c, a):
    return (c * a + 127) // 255


def colour(x, y):
    return ((x * 7 + y * 3) % 256, (y * 11) % 256, (x * 5 + 40) % 256)


os.makedirs(os.path.join(out, "damaged"), exist_ok=True)
grid = [[colour(x, y) for x in range(W)] for y in range(H)]

# 24-bit colour.
png(f"{out}/rgb24.png", 8, 2, [bytes(v for p in row for v in p) for row in grid])
bmp(f"{out}/rgb24.bmp", grid)

# Palette of 16 entries, 4 bits an index, the last entries partly transparent.
pal = [((i * 16) % 256, (255 - i * 13) % 256, (i * 40) % 256) for i in range(16)]
alpha = bytes([255] * 12 + [0, 64, 128, 200])
idx = [[(x + y * 3) % 16 for x in range(W)] for y in range(H)]
rows = []
for r in idx:
    packed = bytearray()
    for x in range(0, W, 2):
        packed.append((r[x] << 4) | (r[x + 1] if x + 1 < W else 0))
    rows.append(bytes(packed))
png(f"{out}/palette.png", 4, 3, rows, chunk(b"PLTE", b"".join(bytes(p) for p in pal)) + chunk(b"tRNS", alpha))
bmp(f"{out}/palette.bmp", [[tuple(over(c, alpha[i]) for c in pal[i]) for i in r] for r in idx])

# 8-bit colour with alpha.
a_of = lambda x, y: (x * 13 + y * 29) % 256
png(f"{out}/alpha.png", 8, 6, [bytes(v for x, p in enumerate(row) for v in (*p, a_of(x, y))) for y, row in enumerate(grid)])
bmp(f"{out}/alpha.bmp", [[tuple(over(c, a_of(x, y)) for c in p) for x, p in enumerate(row)] for y, row in enumerate(grid)])

# 16-bit grey: the high byte counts.
g16 = lambda x, y: (x * 1789 + y * 2713 + 255) % 65536
png(f"{out}/grey16.png", 16, 0, [b"".join(struct.pack(">H", g16(x, y)) for x in range(W)) for y in range(H)])
bmp(f"{out}/grey16.bmp", [[(g16(x, y) >> 8,) * 3 for x in range(W)] for y in range(H)])

# A picture of few colours as a two-frame GIF and a two-page LZW TIFF; the
# second frame or page differs, and only the first counts.
few = [[((x // 4) * 32 % 256, (y // 3) * 36 % 256, 90) for x in range(W)] for y in range(H)]
bmp(f"{out}/first.bmp", few)
bmp(f"{out}/second.tmp.bmp", [[(255 - r, g, 200) for r, g, b in row] for row in few])
subprocess.run(["convert", f"{out}/first.bmp", f"{out}/second.tmp.bmp", f"{out}/two-frames.gif"], check=True)
subprocess.run(["convert", f"{out}/first.bmp", f"{out}/second.tmp.bmp", "-compress", "LZW", f"{out}/two-pages.tif"], check=True)
os.remove(f"{out}/second.tmp.bmp")

# Damaged files: truncated, corrupted, and headers claiming absurd sizes.
good = {e: open(f"{out}/{n}", "rb").read() for e, n in (("png", "alpha.png"), ("gif", "two-frames.gif"), ("tif", "two-pages.tif"))}
damaged = {}
for e, data in good.items():
    damaged[f"truncated-half.{e}"] = data[: len(data) // 2]
    damaged[f"truncated-head.{e}"] = data[:12]
    damaged[f"empty.{e}"] = b""
    flipped = bytearray(data)
    for i in range(len(flipped) // 3, len(flipped), 17):
        flipped[i] ^= 0x5A
    damaged[f"flipped.{e}"] = bytes(flipped)
huge = bytearray(good["png"])
huge[16:24] = struct.pack(">II", 60000, 60000)
huge[29:33] = struct.pack(">I", zlib.crc32(bytes(huge[12:29])) & 0xFFFFFFFF)
damaged["huge-ihdr.png"] = bytes(huge)
wide = bytearray(huge)
wide[16:24] = struct.pack(">II", 0x7FFFFFFF, 1)
wide[29:33] = struct.pack(">I", zlib.crc32(bytes(wide[12:29])) & 0xFFFFFFFF)
damaged["wide-ihdr.png"] = bytes(wide)
screen = bytearray(good["gif"])
screen[6:10] = struct.pack("<HH", 65535, 65535)
damaged["huge-screen.gif"] = bytes(screen)
tif = bytearray(good["tif"])
tif[4:8] = struct.pack("<I", 0xFFFFFFF0)  # the first directory far outside the file
damaged["bad-offset.tif"] = bytes(tif)
damaged["text.png"] = b"not a picture at all\n" * 8
for name, data in damaged.items():
    with open(f"{out}/damaged/{name}", "wb") as f:
        f.write(data)

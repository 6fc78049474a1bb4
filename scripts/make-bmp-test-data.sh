#!/bin/bash
# Regenerates tests/data/bmp: BMP files of every kind the loader reads, the
# malformed files it must refuse (bad/), and the reference pixels (ref/) the
# tests compare against.
#
# The pictures all come from one small lossless source picture (source.ppm,
# 37 x 23 so that no row is a whole number of 32-bit words, plus an alpha
# plane source-alpha.pgm). ImageMagick writes every variant it can; the others
# (52-, 56- and 108-byte headers, RLE4, RLE8 with deltas and absolute runs,
# top-down rows, short colour tables, unusual bit-field masks, broken files)
# are assembled byte by byte by the Python below. The references are
# ImageMagick's own decoding of each file (ref/NAME.ppm, and ref/NAME.alpha.pgm
# for the 32-bit files whose fourth byte carries alpha). For every assembled
# file the script also checks that ImageMagick decodes exactly the picture it
# meant to write. Where ImageMagick cannot judge, the script computes the
# reference itself: files with early ends of bitmap or colour indices beyond a
# short table (ImageMagick refuses both), and bit fields of widths other than 8
# other than the standard 5-5-5 and 5-6-5 (ImageMagick shifts or truncates such
# channels, while the loader scales each to 8 bits by rounding
# (v * 255 + max / 2) / max).
#
# Usage: scripts/make-bmp-test-data.sh [OUTPUT_DIR]   (default tests/data/bmp)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/tests/data/bmp}
IM=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

rm -rf "$out"
mkdir -p "$out/ref" "$out/bad"

cat >"$tmp/bmpgen.py" <<'PY'
import os
import struct
import sys

W, H = 37, 23


def source_pixels():
    """The lossless source picture: gradients, a black and a white block."""
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            r = (x * 255) // (W - 1)
            g = (y * 255) // (H - 1)
            b = ((x + 2 * y) * 29) % 256
            if 5 <= x < 12 and 4 <= y < 10:
                r = g = b = 0
            if 20 <= x < 26 and 14 <= y < 20:
                r = g = b = 255
            row.append((r, g, b))
        rows.append(row)
    return rows


def source_alpha():
    return [[(x * 7 + y * 11) % 256 if (x + y) % 9 else 255 for x in range(W)] for y in range(H)]


def write_pnm(path, rows, grey=False):
    h, w = len(rows), len(rows[0])
    data = bytearray()
    for row in rows:
        for p in row:
            data += bytes([p]) if grey else bytes(p)
    with open(path, 'wb') as f:
        f.write(b'%s\n%d %d\n255\n' % (b'P5' if grey else b'P6', w, h) + data)


def read_pnm(path):
    data = open(path, 'rb').read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    magic, w, h = fields[0], int(fields[1]), int(fields[2])
    assert fields[3] == b'255', path
    n = 1 if magic == b'P5' else 3
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            p = data[pos + (y * w + x) * n: pos + (y * w + x + 1) * n]
            row.append(p[0] if n == 1 else tuple(p))
        rows.append(row)
    return rows


class Bmp:
    """The parts of an existing (ImageMagick-written) BMP file."""

    def __init__(self, path):
        d = open(path, 'rb').read()
        self.off = struct.unpack_from('<I', d, 10)[0]
        self.hs = struct.unpack_from('<I', d, 14)[0]
        self.header = d[14:14 + self.hs]
        (self.w, self.h, self.planes, self.bpp, self.comp, _, _, _, self.clr,
         _) = struct.unpack_from('<iiHHIIiiII', d, 18)
        table = 14 + self.hs
        self.masks = b''
        if self.comp == 3 and self.hs == 40:
            self.masks = d[table:table + 12]
            table += 12
        self.palette = d[table:self.off]
        self.pixels = d[self.off:]

    def stride(self):
        return (self.w * self.bpp + 31) // 32 * 4

    def rows(self):
        """Stored rows, in file order."""
        s = self.stride()
        return [self.pixels[i * s:(i + 1) * s] for i in range(abs(self.h))]

    def indices(self):
        """Colour-table indices of an uncompressed palette file, top row first."""
        out = []
        for r in self.rows():
            row = []
            for x in range(self.w):
                bit = x * self.bpp
                v = r[bit // 8] >> (8 - self.bpp - bit % 8) & ((1 << self.bpp) - 1)
                row.append(v)
            out.append(row)
        return out[::-1] if self.h > 0 else out

    def palette_rgb(self):
        return [(self.palette[i + 2], self.palette[i + 1], self.palette[i])
                for i in range(0, len(self.palette), 4)]


def info_header(size, w, h, bpp, comp, image_size, clr_used, masks=(0, 0, 0, 0)):
    d = struct.pack('<IiiHHIIiiII', size, w, h, 1, bpp, comp, image_size, 2835, 2835, clr_used, 0)
    if size >= 52:
        d += struct.pack('<III', *masks[:3])
    if size >= 56:
        d += struct.pack('<I', masks[3])
    if size >= 108:
        d += struct.pack('<I', 0x73524742)  # 'sRGB'
        d += bytes(36 + 12)  # end points, gamma
    if size >= 124:
        d += struct.pack('<IIII', 4, 0, 0, 0)
    assert len(d) == size, (len(d), size)
    return d


def assemble(header, masks=b'', palette=b'', pixels=b''):
    off = 14 + len(header) + len(masks) + len(palette)
    total = off + len(pixels)
    return b'BM' + struct.pack('<IHHI', total, 0, 0, off) + header + masks + palette + pixels


def pack_rows(rows, bpp):
    """Packs rows of pixel values (ints) into padded stored rows."""
    out = bytearray()
    for row in rows:
        bits = 0
        acc = bytearray()
        cur = 0
        for v in row:
            if bpp < 8:
                cur = (cur << bpp) | v
                bits += bpp
                if bits == 8:
                    acc.append(cur)
                    cur = bits = 0
            else:
                acc += v.to_bytes(bpp // 8, 'little')
        if bits:
            acc.append(cur << (8 - bits))
        while len(acc) % 4:
            acc.append(0)
        out += acc
    return bytes(out)


def rle_encode(rows_bottom_up, w, bits):
    """RLE8 (bits=8) or RLE4 (bits=4) with encoded runs, absolute runs, end of
    line, deltas over runs of index 0 and an end of bitmap for trailing zeros."""
    out = bytearray()
    h = len(rows_bottom_up)
    row, x = 0, 0

    def zero_row(r):
        return all(v == 0 for v in rows_bottom_up[r])

    while row < h:
        r = rows_bottom_up[row]
        if x >= w:
            row += 1
            x = 0
            if row < h:
                out += b'\0\0'
            continue
        if all(v == 0 for v in r[x:]):
            k = row + 1
            while k < h and zero_row(k):
                k += 1
            if k == h:
                break  # everything left is index 0: end of bitmap
            if x == 0 and k - row >= 2:
                out += bytes([0, 2, 0, min(k - row, 255)])
                row += min(k - row, 255)
                continue
            out += b'\0\0'
            row += 1
            x = 0
            continue
        zeros = 0
        while x + zeros < w and r[x + zeros] == 0:
            zeros += 1
        if zeros >= 3:
            out += bytes([0, 2, zeros, 0])
            x += zeros
            continue

        def run_at(p):
            a = r[p]
            b = r[p + 1] if p + 1 < w else a
            if bits == 8:
                b = a
            n = 0
            while p + n < w and n < 255 and r[p + n] == (a if n % 2 == 0 else b):
                n += 1
            return n, a, b

        n, a, b = run_at(x)
        if n >= 3:
            out += bytes([n, a if bits == 8 else (a << 4 | b)])
            x += n
            continue
        lit = x
        while lit < w and lit - x < 255:
            if run_at(lit)[0] >= 3:
                break
            z = 0
            while lit + z < w and r[lit + z] == 0:
                z += 1
            if z >= 3:
                break
            lit += 1
        count = lit - x
        if count >= 3:
            vals = r[x:lit]
            if bits == 8:
                data = bytes(vals)
            else:
                data = bytes((vals[i] << 4) | (vals[i + 1] if i + 1 < count else 0)
                             for i in range(0, count, 2))
            if len(data) % 2:
                data += b'\0'
            out += bytes([0, count]) + data
            x = lit
        else:
            for i in range(count):
                out += bytes([1, r[x + i] << 4 if bits == 4 else r[x + i]])
            x = lit
    out += b'\0\1'
    return bytes(out)


def bitfield_rgb(path):
    """Decodes a 16- or 32-bit bit-field file, scaling each channel to 8 bits
    by rounding."""
    b = Bmp(path)
    masks = struct.unpack('<III', b.masks if b.masks else b.header[40:52])
    rows = []
    for r in b.rows():
        row = []
        for x in range(b.w):
            v = int.from_bytes(r[x * b.bpp // 8:(x + 1) * b.bpp // 8], 'little')
            px = []
            for m in masks:
                shift = (m & -m).bit_length() - 1
                top = m >> shift
                px.append(((v & m) >> shift) * 255 + top // 2)
                px[-1] //= top
            row.append(tuple(px))
        rows.append(row)
    return rows[::-1] if b.h > 0 else rows


def rgb_rows_from_indices(indices, palette):
    return [[palette[i] if i < len(palette) else (0, 0, 0) for i in row] for row in indices]


def craft(out, intent):
    src = source_pixels()
    alpha = source_alpha()
    P = lambda name: os.path.join(out, name)

    def keep(name, data, rgb=None, own=False):
        """Writes a picture and what it must show. When ImageMagick cannot be
        the judge (own), what it must show becomes the reference itself."""
        with open(P(name), 'wb') as f:
            f.write(data)
        if own:
            write_pnm(os.path.join(out, 'ref', name + '.ppm'), rgb)
            with open(os.path.join(intent, 'own.txt'), 'a') as f:
                f.write(name + '\n')
        elif rgb is not None:
            write_pnm(os.path.join(intent, name + '.ppm'), rgb)

    # 16-bit files with 40-byte headers, from ImageMagick's V5 ones (its own
    # 40-byte bit-field files lack the masks): 5-5-5 without masks (BI_RGB),
    # and 5-5-5 and 5-6-5 with the masks after the header.
    b = Bmp(P('rgb555-v5.bmp'))
    keep('rgb555-v3.bmp', assemble(info_header(40, b.w, b.h, 16, 0, len(b.pixels), 0), pixels=b.pixels))
    keep('rgb555-bitfields-v3.bmp', assemble(info_header(40, b.w, b.h, 16, 3, len(b.pixels), 0),
                                             struct.pack('<III', 0x7C00, 0x3E0, 0x1F), pixels=b.pixels))
    b = Bmp(P('rgb565-v5.bmp'))
    keep('rgb565-bitfields-v3.bmp', assemble(info_header(40, b.w, b.h, 16, 3, len(b.pixels), 0),
                                             struct.pack('<III', 0xF800, 0x7E0, 0x1F), pixels=b.pixels))

    # The 5-6-5 masks after a 40-byte header are exactly a 52-byte header.
    b = Bmp(P('rgb565-bitfields-v3.bmp'))
    keep('rgb565-v52.bmp', assemble(struct.pack('<I', 52) + b.header[4:] + b.masks, pixels=b.pixels))

    # Top-down copies: the same rows in the opposite order, negative height.
    for name, new in (('rgb24-v3.bmp', 'rgb24-topdown-v3.bmp'), ('pal8-v3.bmp', 'pal8-topdown-v3.bmp'),
                      ('pal1-v3.bmp', 'pal1-topdown-v3.bmp'),
                      ('rgb565-bitfields-v3.bmp', 'rgb565-topdown-v3.bmp'),
                      ('argb32-v5.bmp', 'argb32-topdown-v5.bmp')):
        b = Bmp(P(name))
        header = b.header[:8] + struct.pack('<i', -b.h) + b.header[12:]
        keep(new, assemble(header, b.masks, b.palette, b''.join(b.rows()[::-1])))

    # 108-byte (V4) headers: a V5 header without its last 16 bytes.
    for name, new in (('rgb24-v5.bmp', 'rgb24-v4.bmp'), ('pal4-v5.bmp', 'pal4-v4.bmp'),
                      ('rgb565-v5.bmp', 'rgb565-v4.bmp'), ('argb32-v5.bmp', 'argb32-v4.bmp')):
        b = Bmp(P(name))
        keep(new, assemble(struct.pack('<I', 108) + b.header[4:108], b.masks, b.palette, b.pixels))

    # 56-byte header: the V5 header up to and including the alpha mask.
    b = Bmp(P('argb32-v5.bmp'))
    keep('argb32-v56.bmp', assemble(struct.pack('<I', 56) + b.header[4:56], pixels=b.pixels))

    # 32-bit standard masks after a 40-byte header; the fourth byte holds the
    # alpha plane although no mask names it (the loader keeps it as stored).
    rows = [[(alpha[y][x] << 24) | (src[y][x][0] << 16) | (src[y][x][1] << 8) | src[y][x][2]
             for x in range(W)] for y in range(H)]
    keep('rgb32-bitfields-v3.bmp',
         assemble(info_header(40, W, H, 32, 3, W * H * 4, 0), struct.pack('<III', 0xFF0000, 0xFF00, 0xFF),
                  pixels=pack_rows(rows[::-1], 32)), src)

    # Unusual masks, converted by the loader; their references are computed
    # from the stored values (see bitfield_rgb).
    q = lambda v, bits: (v * ((1 << bits) - 1) + 127) // 255
    widen = lambda v, bits: (v * 255 + ((1 << bits) - 1) // 2) // ((1 << bits) - 1)
    rows = [[(q(r, 4) << 8) | (q(g, 4) << 4) | q(b_, 4) for (r, g, b_) in row] for row in src]
    rgb = [[tuple(widen(q(c, 4), 4) for c in p) for p in row] for row in src]
    keep('rgb444-bitfields-v3.bmp',
         assemble(info_header(40, W, H, 16, 3, 0, 0), struct.pack('<III', 0xF00, 0xF0, 0xF),
                  pixels=pack_rows(rows[::-1], 16)), rgb, own=True)
    # Blue in the top bits: 5-bit channels scaled by rounding (see above).
    rows = [[(q(b_, 5) << 10) | (q(g, 5) << 5) | q(r, 5) for (r, g, b_) in row] for row in src]
    rgb = [[tuple(widen(q(c, 5), 5) for c in p) for p in row] for row in src]
    keep('bgr555-bitfields-v3.bmp',
         assemble(info_header(40, W, H, 16, 3, 0, 0), struct.pack('<III', 0x1F, 0x3E0, 0x7C00),
                  pixels=pack_rows(rows[::-1], 16)), rgb, own=True)
    # Ten bits per channel: scaling back gives the source exactly.
    rows = [[(q(r, 10) << 20) | (q(g, 10) << 10) | q(b_, 10) for (r, g, b_) in row] for row in src]
    keep('rgb101010-bitfields-v3.bmp',
         assemble(info_header(40, W, H, 32, 3, 0, 0), struct.pack('<III', 0x3FF00000, 0xFFC00, 0x3FF),
                  pixels=pack_rows(rows[::-1], 32)), src, own=True)
    for name in ('rgb444-bitfields-v3.bmp', 'bgr555-bitfields-v3.bmp', 'rgb101010-bitfields-v3.bmp'):
        assert bitfield_rgb(P(name)) == read_pnm(os.path.join(out, 'ref', name + '.ppm')), name
    # ImageMagick writes 4-4-4-4 but reads it back by shifting.
    keep('argb4444-v5.bmp', open(P('argb4444-v5.bmp'), 'rb').read(), bitfield_rgb(P('argb4444-v5.bmp')),
         own=True)
    # Red in the top byte, alpha in the bottom one, in a 56-byte header.
    rows = [[(r << 24) | (g << 16) | (b_ << 8) | alpha[y][x] for x, (r, g, b_) in enumerate(row)]
            for y, row in enumerate(src)]
    keep('rgba8888-v56.bmp',
         assemble(info_header(56, W, H, 32, 3, 0, 0, (0xFF000000, 0xFF0000, 0xFF00, 0xFF)),
                  pixels=pack_rows(rows[::-1], 32)), src)

    # A colour table of 20 entries for an 8-bit picture of at most 20 colours.
    b = Bmp(P('pal8c20-tmp.bmp'))
    idx = b.indices()
    used = max(max(row) for row in idx) + 1
    pal = b.palette[:used * 4]
    keep('pal8-clrused20-v3.bmp',
         assemble(info_header(40, W, H, 8, 0, 0, used), palette=pal, pixels=pack_rows(idx[::-1], 8)),
         rgb_rows_from_indices(idx, b.palette_rgb()[:used]))
    os.remove(P('pal8c20-tmp.bmp'))

    # A 4-bit picture whose colour table has 6 entries while its pixels use all
    # 16 indices ((x + y) mod 16): indices 6 to 15 have no colour and show black.
    # ImageMagick refuses such indices, so the reference is the intended picture.
    colours = [(200, 30, 30), (30, 200, 30), (30, 30, 200), (220, 220, 40), (40, 220, 220), (250, 250, 250)]
    idx = [[(x + y) % 16 for x in range(W)] for y in range(H)]
    pal = b''.join(bytes((c[2], c[1], c[0], 0)) for c in colours)
    keep('pal4-short-table-v3.bmp',
         assemble(info_header(40, W, H, 4, 0, 0, len(colours)), palette=pal, pixels=pack_rows(idx[::-1], 4)),
         rgb_rows_from_indices(idx, colours), own=True)

    # RLE4 and RLE8 with every escape. Index 0 is made the colour of the black
    # block, so the block becomes horizontal deltas, and two rows of index 0 in
    # the middle become a vertical delta. In the early-end files the two top
    # rows (stored last) are index 0 too and give way to an early end of
    # bitmap; ImageMagick refuses those, so their reference is the intended
    # picture.
    for name, bits, new, early in (('pal4-v3.bmp', 4, 'pal4-rle4-v3.bmp', False),
                                   ('pal8-v3.bmp', 8, 'pal8-rle8-delta-v3.bmp', False),
                                   ('pal4-v3.bmp', 4, 'pal4-rle4-early-end-v3.bmp', True),
                                   ('pal8-v3.bmp', 8, 'pal8-rle8-early-end-v3.bmp', True)):
        b = Bmp(P(name))
        pal = b.palette_rgb()
        idx = b.indices()
        black = idx[4][5]
        swap = lambda v: 0 if v == black else (black if v == 0 else v)
        idx = [[swap(v) for v in row] for row in idx]
        pal[0], pal[black] = pal[black], pal[0]
        for y in (0, 1, 15, 16) if early else (15, 16):
            idx[y] = [0] * W
        payload = rle_encode(idx[::-1], W, bits)
        palbytes = b''.join(bytes((c[2], c[1], c[0], 0)) for c in pal)
        keep(new, assemble(info_header(40, W, H, bits, 2 if bits == 4 else 1, len(payload), len(pal)),
                           palette=palbytes, pixels=payload), rgb_rows_from_indices(idx, pal), own=early)

    craft_bad(out)


def craft_bad(out):
    P = lambda name: os.path.join(out, name)
    B = lambda name: os.path.join(out, 'bad', name)

    def keep(name, data):
        with open(B(name), 'wb') as f:
            f.write(data)

    rgb24 = open(P('rgb24-v3.bmp'), 'rb').read()
    pal8 = open(P('pal8-v3.bmp'), 'rb').read()
    rle8 = open(P('pal8-rle8-v3.bmp'), 'rb').read()
    rgb565 = open(P('rgb565-bitfields-v3.bmp'), 'rb').read()

    def patch(data, offset, fmt, value):
        d = bytearray(data)
        struct.pack_into(fmt, d, offset, value)
        return bytes(d)

    keep('bad-signature.bmp', b'MB' + rgb24[2:])
    keep('truncated-file-header.bmp', rgb24[:10])
    keep('truncated-info-header.bmp', rgb24[:30])
    keep('truncated-palette.bmp', pal8[:14 + 40 + 500])
    keep('truncated-pixels.bmp', rgb24[:len(rgb24) - 200])
    keep('truncated-last-byte.bmp', rgb24[:-1])
    keep('truncated-rle8.bmp', rle8[:len(rle8) - 300])
    keep('unknown-header-size.bmp', patch(rgb24, 14, '<I', 64))
    keep('size-65535x65535.bmp', patch(patch(rgb24, 18, '<i', 65535), 22, '<i', 65535))
    keep('size-65535x65535-rle8.bmp', patch(patch(rle8, 18, '<i', 65535), 22, '<i', 65535))
    keep('size-4000x4000-rle8.bmp', patch(patch(rle8, 18, '<i', 4000), 22, '<i', 4000))
    keep('negative-width.bmp', patch(rgb24, 18, '<i', -37))
    keep('zero-width.bmp', patch(rgb24, 18, '<i', 0))
    keep('zero-height.bmp', patch(rgb24, 22, '<i', 0))
    keep('zero-planes.bmp', patch(rgb24, 26, '<H', 0))
    keep('bit-count-7.bmp', patch(rgb24, 28, '<H', 7))
    keep('compression-jpeg.bmp', patch(rgb24, 30, '<I', 4))
    keep('rle8-with-24-bits.bmp', patch(rgb24, 30, '<I', 1))
    keep('bitfields-with-24-bits.bmp', patch(rgb24, 30, '<I', 3))
    keep('rle8-top-down.bmp', patch(rle8, 22, '<i', -23))
    keep('colours-beyond-file.bmp', patch(open(P('pal8-clrused20-v3.bmp'), 'rb').read(), 46, '<I', 256))
    keep('colours-above-256.bmp', patch(pal8, 46, '<I', 257))
    keep('offset-past-end.bmp', patch(rgb24, 10, '<I', len(rgb24) + 10))
    keep('offset-inside-header.bmp', patch(rgb24, 10, '<I', 30))
    keep('offset-inside-palette.bmp', patch(pal8, 10, '<I', 14 + 40 + 512))
    keep('masks-zero.bmp', patch(rgb565, 54, '<I', 0))
    keep('masks-overlapping.bmp', patch(rgb565, 58, '<I', 0x0FE0))
    keep('masks-non-contiguous.bmp', patch(rgb565, 62, '<I', 0x15))
    keep('masks-beyond-16-bits.bmp', patch(rgb565, 54, '<I', 0x1F800))

    # Hand-made RLE streams on a 4 x 2 picture with a two-entry colour table.
    # Its stored 4-bit rows have room for 8 pixels, so only runs beyond 8
    # overflow them.
    def rle(bits, payload, w=4, h=2):
        pal = bytes((0, 0, 0, 0, 255, 255, 255, 0))
        return assemble(info_header(40, w, h, bits, 1 if bits == 8 else 2, len(payload), 2), palette=pal,
                        pixels=payload)

    keep('rle8-run-overflows-row.bmp', rle(8, bytes([5, 1, 0, 0, 4, 1, 0, 1])))
    keep('rle8-absolute-overflows-row.bmp', rle(8, bytes([0, 5, 1, 1, 1, 1, 1, 0, 0, 1])))
    keep('rle8-delta-overflows-row.bmp', rle(8, bytes([2, 1, 0, 2, 3, 0, 0, 1])))
    keep('rle8-delta-overflows-picture.bmp', rle(8, bytes([0, 2, 0, 3, 1, 1, 0, 1])))
    keep('rle8-rows-beyond-picture.bmp', rle(8, bytes([4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 1])))
    keep('rle8-missing-end.bmp', rle(8, bytes([4, 1, 0, 0, 2, 1])))
    keep('rle8-absolute-truncated.bmp', rle(8, bytes([0, 4, 1, 1])))
    keep('rle4-run-overflows-row.bmp', rle(4, bytes([9, 0x11, 0, 0, 4, 0x11, 0, 1])))
    keep('rle4-absolute-overflows-row.bmp', rle(4, bytes([0, 9, 0x11, 0x11, 0x11, 0x11, 0x10, 0, 0, 0, 0, 1])))


def check(out, intent):
    """ImageMagick's decoding of every assembled file must be the intended one."""
    bad = []
    for name in sorted(os.listdir(intent)):
        if not name.endswith('.ppm'):
            continue
        if read_pnm(os.path.join(out, 'ref', name)) != read_pnm(os.path.join(intent, name)):
            bad.append(name)
    if bad:
        sys.exit('ImageMagick decodes these differently from what was written: ' + ', '.join(bad))


if __name__ == '__main__':
    cmd, out = sys.argv[1], sys.argv[2]
    if cmd == 'source':
        write_pnm(os.path.join(out, 'source.ppm'), source_pixels())
        write_pnm(os.path.join(out, 'source-alpha.pgm'), source_alpha(), grey=True)
    elif cmd == 'craft':
        craft(out, sys.argv[3])
    elif cmd == 'check':
        check(out, sys.argv[3])
PY

python3 "$tmp/bmpgen.py" source "$out"
src=$out/source.ppm
# The source with its alpha plane, for the files that carry alpha.
$IM "$src" "$out/source-alpha.pgm" -alpha off -compose CopyOpacity -composite "$tmp/rgba.png"

palette() { # colours depth format output
  $IM "$src" -dither None -colors "$1" -type Palette -depth "$2" -compress None "$3:$out/$4"
}
palette 2 1 BMP2 pal1-core.bmp
palette 16 4 BMP2 pal4-core.bmp
palette 256 8 BMP2 pal8-core.bmp
$IM "$src" -type TrueColor BMP2:"$out/rgb24-core.bmp"

palette 2 1 BMP3 pal1-v3.bmp
palette 16 4 BMP3 pal4-v3.bmp
palette 256 8 BMP3 pal8-v3.bmp
palette 20 8 BMP3 pal8c20-tmp.bmp
$IM "$src" -dither None -colors 256 -type Palette -compress RLE BMP3:"$out/pal8-rle8-v3.bmp"
$IM "$src" -type TrueColor BMP3:"$out/rgb24-v3.bmp"
$IM "$tmp/rgba.png" -define bmp3:alpha=true BMP3:"$out/argb32-v3.bmp"

palette 2 1 BMP pal1-v5.bmp
palette 16 4 BMP pal4-v5.bmp
palette 256 8 BMP pal8-v5.bmp
$IM "$src" -dither None -colors 256 -type Palette -compress RLE BMP:"$out/pal8-rle8-v5.bmp"
$IM "$src" -type TrueColor BMP:"$out/rgb24-v5.bmp"
$IM "$src" -define bmp:subtype=RGB555 BMP:"$out/rgb555-v5.bmp"
$IM "$src" -define bmp:subtype=RGB565 BMP:"$out/rgb565-v5.bmp"
$IM "$tmp/rgba.png" BMP:"$out/argb32-v5.bmp"
$IM "$tmp/rgba.png" -define bmp:subtype=ARGB4444 BMP:"$out/argb4444-v5.bmp"
$IM "$tmp/rgba.png" -define bmp:subtype=ARGB1555 BMP:"$out/argb1555-v5.bmp"

mkdir -p "$tmp/intent"
python3 "$tmp/bmpgen.py" craft "$out" "$tmp/intent"

touch "$tmp/intent/own.txt"
for f in "$out"/*.bmp; do
  name=$(basename "$f")
  grep -qxF "$name" "$tmp/intent/own.txt" || $IM "$f" -depth 8 PPM:"$out/ref/$name.ppm"
done
for name in argb32-v3.bmp argb32-v4.bmp argb32-v5.bmp argb32-v56.bmp argb32-topdown-v5.bmp \
  rgba8888-v56.bmp; do
  $IM "$out/$name" -alpha extract -depth 8 PGM:"$out/ref/$name.alpha.pgm"
done
python3 "$tmp/bmpgen.py" check "$out" "$tmp/intent"

echo "Wrote $(ls "$out"/*.bmp | wc -l) pictures and $(ls "$out"/bad/*.bmp | wc -l) malformed files to $out"

#include "picture/PixelRows.h"

#include <limits>

namespace {

uint8_t High(const uint8_t* littleEndian16) { return littleEndian16[1]; }

uint16_t Word(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

// Bits of a narrower channel repeated until they fill a byte, so that the
// largest value becomes 255 and 0 stays 0.
uint8_t Replicate(uint32_t value, int bits) {
  uint32_t result = 0;
  for (int filled = 0; filled < 8; filled += bits) result = (result << bits) | value;
  return uint8_t(result >> ((8 + bits - 1) / bits * bits - 8));
}

uint32_t Packed(const uint8_t* row, uint32_t x, int bits) {
  const uint32_t bit = x * uint32_t(bits);
  const int shift = 8 - bits - int(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

void Put(uint8_t* out, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  out[0] = b;
  out[1] = g;
  out[2] = r;
  out[3] = a;
}

}  // namespace

int BitsPerPixel(TRowLayout layout) {
  switch (layout) {
    case TRowLayout::Bgr24:
    case TRowLayout::Rgb24: return 24;
    case TRowLayout::Bgrx32:
    case TRowLayout::Rgbx32:
    case TRowLayout::Bgra32:
    case TRowLayout::Rgba32:
    case TRowLayout::Pbgra32:
    case TRowLayout::Prgba32: return 32;
    case TRowLayout::Bgr555:
    case TRowLayout::Bgr565:
    case TRowLayout::Gray16: return 16;
    case TRowLayout::Rgb48:
    case TRowLayout::Bgr48: return 48;
    case TRowLayout::Rgbx64:
    case TRowLayout::Rgba64:
    case TRowLayout::Bgra64:
    case TRowLayout::Prgba64:
    case TRowLayout::Pbgra64: return 64;
    case TRowLayout::Gray1:
    case TRowLayout::Indexed1: return 1;
    case TRowLayout::Gray2:
    case TRowLayout::Indexed2: return 2;
    case TRowLayout::Gray4:
    case TRowLayout::Indexed4: return 4;
    case TRowLayout::Gray8:
    case TRowLayout::Indexed8: return 8;
  }
  return 32;
}

size_t RowBytes(TRowLayout layout, uint32_t width) {
  const uint64_t bits = uint64_t(width) * uint64_t(BitsPerPixel(layout));
  const uint64_t bytes = (bits + 7) / 8;
  return bytes > std::numeric_limits<size_t>::max() ? 0 : size_t(bytes);
}

bool IsPremultiplied(TRowLayout layout) {
  return layout == TRowLayout::Pbgra32 || layout == TRowLayout::Prgba32 || layout == TRowLayout::Prgba64 ||
         layout == TRowLayout::Pbgra64;
}

void RowToBgra(const TRowFormat& format, const uint8_t* row, uint32_t width, uint8_t* bgra) {
  const TRowLayout layout = format.Layout;
  const int bits = BitsPerPixel(layout);
  for (uint32_t x = 0; x < width; ++x, bgra += 4) {
    const uint8_t* p = row + size_t(x) * size_t(bits / 8);
    switch (layout) {
      case TRowLayout::Bgr24: Put(bgra, p[0], p[1], p[2], 255); break;
      case TRowLayout::Rgb24: Put(bgra, p[2], p[1], p[0], 255); break;
      case TRowLayout::Bgrx32: Put(bgra, p[0], p[1], p[2], 255); break;
      case TRowLayout::Rgbx32: Put(bgra, p[2], p[1], p[0], 255); break;
      case TRowLayout::Bgra32:
      case TRowLayout::Pbgra32: Put(bgra, p[0], p[1], p[2], p[3]); break;
      case TRowLayout::Rgba32:
      case TRowLayout::Prgba32: Put(bgra, p[2], p[1], p[0], p[3]); break;
      case TRowLayout::Bgr555: {
        const uint16_t w = Word(p);
        Put(bgra, Replicate(w & 31, 5), Replicate((w >> 5) & 31, 5), Replicate((w >> 10) & 31, 5), 255);
        break;
      }
      case TRowLayout::Bgr565: {
        const uint16_t w = Word(p);
        Put(bgra, Replicate(w & 31, 5), Replicate((w >> 5) & 63, 6), Replicate((w >> 11) & 31, 5), 255);
        break;
      }
      case TRowLayout::Rgb48: Put(bgra, High(p + 4), High(p + 2), High(p), 255); break;
      case TRowLayout::Bgr48: Put(bgra, High(p), High(p + 2), High(p + 4), 255); break;
      case TRowLayout::Rgbx64: Put(bgra, High(p + 4), High(p + 2), High(p), 255); break;
      case TRowLayout::Rgba64:
      case TRowLayout::Prgba64: Put(bgra, High(p + 4), High(p + 2), High(p), High(p + 6)); break;
      case TRowLayout::Bgra64:
      case TRowLayout::Pbgra64: Put(bgra, High(p), High(p + 2), High(p + 4), High(p + 6)); break;
      case TRowLayout::Gray8: Put(bgra, p[0], p[0], p[0], 255); break;
      case TRowLayout::Gray16: Put(bgra, High(p), High(p), High(p), 255); break;
      case TRowLayout::Gray1:
      case TRowLayout::Gray2:
      case TRowLayout::Gray4: {
        const uint8_t v = Replicate(Packed(row, x, bits), bits);
        Put(bgra, v, v, v, 255);
        break;
      }
      case TRowLayout::Indexed1:
      case TRowLayout::Indexed2:
      case TRowLayout::Indexed4:
      case TRowLayout::Indexed8: {
        const uint32_t index = bits == 8 ? p[0] : Packed(row, x, bits);
        const uint32_t c = index < format.Palette.size() ? format.Palette[index] : 0xFF000000u;
        Put(bgra, uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c >> 24));
        break;
      }
    }
  }
}

void BgraOverBlack(const uint8_t* bgra, uint32_t width, bool premultiplied, uint8_t* bgr) {
  for (uint32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
    const uint32_t a = bgra[3];
    for (int c = 0; c < 3; ++c)
      bgr[c] = premultiplied || a == 255 ? bgra[c] : uint8_t((uint32_t(bgra[c]) * a + 127) / 255);
  }
}

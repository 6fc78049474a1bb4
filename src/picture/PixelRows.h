// Rows of decoded pixels in the layouts picture decoders hand out, turned
// into the 8-bit blue, green, red bytes a tile is made from. The conversion is
// ours rather than a system converter's, so that every system gives the same
// bytes: wider channels keep their high byte, narrower ones have their bits
// replicated, and transparency is laid over the tile's black background.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class TRowLayout : uint8_t {
  Bgr24,
  Rgb24,
  Bgrx32,  // a fourth byte that is not alpha
  Rgbx32,
  Bgra32,
  Rgba32,
  Pbgra32,  // colour already multiplied by alpha
  Prgba32,
  Bgr555,  // 16-bit little-endian words
  Bgr565,
  Rgb48,  // 16-bit little-endian channels
  Bgr48,
  Rgbx64,
  Rgba64,
  Bgra64,
  Prgba64,
  Pbgra64,
  Gray1,  // packed rows, most significant bits first
  Gray2,
  Gray4,
  Gray8,
  Gray16,
  Indexed1,
  Indexed2,
  Indexed4,
  Indexed8,
};

struct TRowFormat {
  TRowLayout Layout = TRowLayout::Bgr24;
  // For the indexed layouts: 0xAARRGGBB per entry. An index beyond the
  // table is black and opaque.
  std::vector<uint32_t> Palette;
};

int BitsPerPixel(TRowLayout layout);
// Bytes of one row of width pixels; 0 when that would not fit a size_t.
size_t RowBytes(TRowLayout layout, uint32_t width);
bool IsPremultiplied(TRowLayout layout);

// One row of width pixels to blue, green, red and alpha bytes (alpha 255
// where the layout has none).
void RowToBgra(const TRowFormat& format, const uint8_t* row, uint32_t width, uint8_t* bgra);
// Blue, green, red and alpha bytes laid over black: (c * a + 127) / 255, or c
// unchanged when the colour is already premultiplied.
void BgraOverBlack(const uint8_t* bgra, uint32_t width, bool premultiplied, uint8_t* bgr);

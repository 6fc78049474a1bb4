// Feeds arbitrary bytes as one row of pixels in every layout the row
// conversion accepts, at a width the bytes choose but never wider than the
// bytes hold. Besides reading nothing beyond the row and writing nothing
// beyond the pixels asked for, the conversion must keep its promises: each
// pixel depends only on its own bits, layouts without transparency come out
// opaque, grey stays grey, an indexed pixel is its palette entry or opaque
// black, and laying over black never brightens a channel.
//
// Input: two bytes of width, one byte of palette entries, those entries
// (four bytes each, as far as the input holds them), then the row's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture/PixelRows.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

constexpr TRowLayout kLastLayout = TRowLayout::Indexed8;

bool HasAlpha(TRowLayout layout) {
  switch (layout) {
    case TRowLayout::Bgra32:
    case TRowLayout::Rgba32:
    case TRowLayout::Pbgra32:
    case TRowLayout::Prgba32:
    case TRowLayout::Rgba64:
    case TRowLayout::Bgra64:
    case TRowLayout::Prgba64:
    case TRowLayout::Pbgra64: return true;
    default: return false;
  }
}

bool IsIndexed(TRowLayout layout) { return layout >= TRowLayout::Indexed1 && layout <= TRowLayout::Indexed8; }

bool IsGray(TRowLayout layout) { return layout >= TRowLayout::Gray1 && layout <= TRowLayout::Gray16; }

std::vector<uint8_t> Convert(const TRowFormat& format, const uint8_t* row, uint32_t width) {
  std::vector<uint8_t> bgra(size_t(width) * 4);
  RowToBgra(format, row, width, bgra.data());
  return bgra;
}

void CheckLayout(TRowFormat& format, const std::vector<uint8_t>& bytes, uint16_t widthSeed) {
  const TRowLayout layout = format.Layout;
  const int bits = BitsPerPixel(layout);
  Require(bits == 1 || bits == 2 || bits == 4 || bits % 8 == 0);
  const uint32_t widest = uint32_t(bytes.size() * 8 / size_t(bits));
  const uint32_t width = widthSeed % (widest + 1);
  const size_t rowBytes = RowBytes(layout, width);
  Require(rowBytes == (size_t(width) * size_t(bits) + 7) / 8 && rowBytes <= bytes.size());

  // The row on a heap block of exactly its length, so that reading past it is caught.
  const std::vector<uint8_t> row(bytes.begin(), bytes.begin() + ptrdiff_t(rowBytes));
  const std::vector<uint8_t> bgra = Convert(format, row.data(), width);
  std::vector<uint32_t> palette = format.Palette;
  palette.push_back(0xFF000000u);
  std::sort(palette.begin(), palette.end());
  std::vector<uint8_t> alone(RowBytes(layout, 1));

  for (uint32_t x = 0; x < width; ++x) {
    const uint8_t* p = &bgra[size_t(x) * 4];
    if (!HasAlpha(layout) && !IsIndexed(layout)) Require(p[3] == 255);
    if (IsGray(layout)) Require(p[0] == p[1] && p[1] == p[2]);
    if (IsIndexed(layout)) {
      const uint32_t colour =
          uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
      Require(std::binary_search(palette.begin(), palette.end(), colour));
    }
    // A pixel that starts on a byte converts alone to the same colour (tried
    // at both ends of the row, where offsets go wrong, to keep runs quick).
    const size_t bit = size_t(x) * size_t(bits);
    if (bit % 8 == 0 && (x < 64 || width - x <= 64)) {
      std::memcpy(alone.data(), row.data() + bit / 8, alone.size());
      uint8_t one[4];
      RowToBgra(format, alone.data(), 1, one);
      Require(std::memcmp(one, p, 4) == 0);
    }
  }

  const bool premultiplied = IsPremultiplied(layout);
  std::vector<uint8_t> bgr(size_t(width) * 3);
  BgraOverBlack(bgra.data(), width, premultiplied, bgr.data());
  for (uint32_t x = 0; x < width; ++x) {
    const uint8_t* in = &bgra[size_t(x) * 4];
    const uint8_t* out = &bgr[size_t(x) * 3];
    for (int c = 0; c < 3; ++c) {
      if (premultiplied || in[3] == 255)
        Require(out[c] == in[c]);
      else
        Require(out[c] <= in[c] && (in[3] != 0 || out[c] == 0));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint16_t widthSeed = uint16_t(data[0] | data[1] << 8);
  size_t next = 3;
  TRowFormat format;
  for (size_t i = 0; i < data[2] && next + 4 <= size; ++i, next += 4)
    format.Palette.push_back(uint32_t(data[next]) | uint32_t(data[next + 1]) << 8 |
                             uint32_t(data[next + 2]) << 16 | uint32_t(data[next + 3]) << 24);
  const std::vector<uint8_t> bytes(data + next, data + size);
  for (int layout = 0; layout <= int(kLastLayout); ++layout) {
    format.Layout = TRowLayout(layout);
    CheckLayout(format, bytes, widthSeed);
  }
  return 0;
}

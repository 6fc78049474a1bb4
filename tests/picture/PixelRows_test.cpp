#include "picture/PixelRows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

struct TCase {
  TRowLayout Layout;
  std::vector<uint8_t> Row;  // two pixels
  std::vector<uint8_t> Bgra;
};

// Wider channels keep their high byte, narrower ones repeat their bits.
const TCase kCases[] = {
    {TRowLayout::Bgr24, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 255, 4, 5, 6, 255}},
    {TRowLayout::Rgb24, {1, 2, 3, 4, 5, 6}, {3, 2, 1, 255, 6, 5, 4, 255}},
    {TRowLayout::Rgbx32, {1, 2, 3, 9, 4, 5, 6, 9}, {3, 2, 1, 255, 6, 5, 4, 255}},
    {TRowLayout::Prgba32, {1, 2, 3, 9, 4, 5, 6, 8}, {3, 2, 1, 9, 6, 5, 4, 8}},
    {TRowLayout::Bgr555, {0xFF, 0x7F, 0x21, 0x04}, {255, 255, 255, 255, 8, 8, 8, 255}},
    {TRowLayout::Bgr565, {0x1F, 0x00, 0xE0, 0x07}, {255, 0, 0, 255, 0, 255, 0, 255}},
    {TRowLayout::Rgb48, {0xFF, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0xFF, 6}, {3, 2, 1, 255, 6, 5, 4, 255}},
    {TRowLayout::Bgra64, {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0xFF, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
    {TRowLayout::Gray1, {0x80}, {255, 255, 255, 255, 0, 0, 0, 255}},
    {TRowLayout::Gray2, {0x90}, {0xAA, 0xAA, 0xAA, 255, 0x55, 0x55, 0x55, 255}},
    {TRowLayout::Gray4, {0x3C}, {0x33, 0x33, 0x33, 255, 0xCC, 0xCC, 0xCC, 255}},
    {TRowLayout::Gray16, {0xFF, 0x12, 0x00, 0xFF}, {0x12, 0x12, 0x12, 255, 255, 255, 255, 255}},
    {TRowLayout::Indexed2, {0x70}, {0x30, 0x20, 0x10, 0x80, 0, 0, 0, 255}},  // 3: beyond the table
    {TRowLayout::Indexed8, {0, 1}, {3, 2, 1, 0, 0x30, 0x20, 0x10, 0x80}},
};

TEST(PixelRows, EveryLayoutBecomesEightBitBgra) {
  const std::vector<uint32_t> palette{0x00010203, 0x80102030};
  for (const TCase& c : kCases) {
    std::vector<uint8_t> bgra(8);
    RowToBgra(TRowFormat{c.Layout, palette}, c.Row.data(), 2, bgra.data());
    EXPECT_EQ(bgra, c.Bgra) << "layout " << int(c.Layout);
  }
  EXPECT_EQ(RowBytes(TRowLayout::Gray1, 9), 2u);
  EXPECT_EQ(RowBytes(TRowLayout::Rgb48, 3), 18u);
}

TEST(PixelRows, TransparencyFallsOnBlackInIntegers) {
  const uint8_t bgra[] = {255, 128, 1, 128, 200, 100, 50, 0, 9, 8, 7, 255};
  uint8_t bgr[9];
  BgraOverBlack(bgra, 3, false, bgr);
  EXPECT_EQ(std::vector<uint8_t>(bgr, bgr + 9), (std::vector<uint8_t>{128, 64, 1, 0, 0, 0, 9, 8, 7}));
  BgraOverBlack(bgra, 3, true, bgr);
  EXPECT_EQ(std::vector<uint8_t>(bgr, bgr + 9), (std::vector<uint8_t>{255, 128, 1, 200, 100, 50, 9, 8, 7}));
}

// A row whose bytes would not fit a size_t has no size rather than a wrapped
// one: in a 32-bit build, widths any header can announce get there.
TEST(PixelRows, RowBytesIsZeroWhereARowWouldNotFitASizeT) {
  struct TWide {
    TRowLayout Layout;
    uint32_t Width;
    uint64_t Bytes;
  };
  const TWide kWide[] = {
      {TRowLayout::Rgba64, 0xFFFF'FFFFu, 0x7'FFFF'FFF8ull},
      {TRowLayout::Rgba64, 1u << 29, 1ull << 32},
      {TRowLayout::Rgba64, (1u << 29) - 1, (1ull << 32) - 8},
      {TRowLayout::Bgr24, 0x5555'5555u, 0xFFFF'FFFFull},  // the largest 32-bit size
      {TRowLayout::Bgr24, 0x5555'5556u, 0x1'0000'0002ull},
      {TRowLayout::Gray1, 0xFFFF'FFFFu, 0x2000'0000ull},
  };
  for (const TWide& c : kWide) {
    const size_t expected = c.Bytes > std::numeric_limits<size_t>::max() ? 0 : size_t(c.Bytes);
    EXPECT_EQ(RowBytes(c.Layout, c.Width), expected) << "layout " << int(c.Layout) << ", width " << c.Width;
  }
}

}  // namespace

#include "framework/Graphics.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

TEST(Graphics, RowsArePaddedToFourBytesAndAddressedFromTheTop) {
  EXPECT_EQ(TBitmap::StrideFor(37, pf24bit), 112u);
  EXPECT_EQ(TBitmap::StrideFor(37, pf1bit), 8u);
  EXPECT_EQ(TBitmap::StrideFor(9, pf4bit), 8u);
  EXPECT_EQ(TBitmap::StrideFor(3, pf16bit), 8u);
  TBitmap bmp(3, 2, pf24bit);
  EXPECT_EQ(bmp.ScanLine(1) - bmp.ScanLine(0), 12);
  bmp.Canvas().SetPixel(0, 0, RGBColor(1, 2, 3));
  EXPECT_EQ(bmp.ScanLine(0)[0], 3);  // blue first
  EXPECT_EQ(bmp.ScanLine(0)[2], 1);
  EXPECT_THROW(bmp.ScanLine(2), EInvalidGraphic);
  EXPECT_THROW(bmp.ScanLine(-1), EInvalidGraphic);
}

TEST(Graphics, PackedFormatsPutTheLeftmostPixelInTheHighBits) {
  TBitmap one(9, 1, pf1bit);
  one.SetRawPixel(0, 0, 1);
  one.SetRawPixel(8, 0, 1);
  EXPECT_EQ(one.ScanLine(0)[0], 0x80);
  EXPECT_EQ(one.ScanLine(0)[1], 0x80);
  TBitmap four(3, 1, pf4bit);
  four.SetRawPixel(0, 0, 0xA);
  four.SetRawPixel(1, 0, 0x5);
  four.SetRawPixel(2, 0, 0xC);
  EXPECT_EQ(four.ScanLine(0)[0], 0xA5);
  EXPECT_EQ(four.ScanLine(0)[1], 0xC0);
  EXPECT_EQ(four.RawPixel(1, 0), 0x5u);
}

TEST(Graphics, PixelFormatConversionKeepsColours) {
  TBitmap bmp(4, 2, pf24bit);
  const TColor colours[] = {clBlack, clWhite, RGBColor(255, 0, 0), RGBColor(0, 128, 0)};
  for (int x = 0; x < 4; ++x) bmp.Canvas().SetPixel(x, 1, colours[x]);
  for (TPixelFormat f : {pf32bit, pf8bit, pf4bit, pf24bit, pfDevice}) {
    TBitmap copy;
    copy.Assign(bmp);
    copy.SetPixelFormat(f);
    EXPECT_EQ(copy.PixelFormat(), f);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(copy.PixelColor(x, 1), colours[x]) << int(f) << " " << x;
  }
  // 32 bits from 24: the fourth byte is 0.
  TBitmap wide;
  wide.Assign(bmp);
  wide.SetPixelFormat(pf32bit);
  EXPECT_EQ(wide.ScanLine(1)[7], 0);
  // 16-bit channels widen so that full intensity stays full.
  TBitmap high(1, 1, pf16bit);
  high.SetRawPixel(0, 0, 0xFFFF);
  EXPECT_EQ(high.PixelColor(0, 0), clWhite);
  TBitmap low(1, 1, pf15bit);
  low.SetRawPixel(0, 0, 0x7C00);
  EXPECT_EQ(low.PixelColor(0, 0), RGBColor(255, 0, 0));
  EXPECT_THROW(bmp.SetPixelFormat(pfCustom), EInvalidGraphic);
}

TEST(Graphics, AssignIsAnIndependentCopyAndSwapExchanges) {
  TBitmap a(5, 3, pf8bit);
  FillRandom(a, 7);
  TBitmap b;
  b.Assign(a);
  EXPECT_EQ(PixelHash(a), PixelHash(b));
  EXPECT_EQ(b.Palette(), a.Palette());
  b.ScanLine(0)[0] ^= 0xFF;
  EXPECT_NE(PixelHash(a), PixelHash(b));
  TBitmap c(1, 1, pf24bit);
  c.Swap(a);
  EXPECT_EQ(c.Width(), 5);
  EXPECT_EQ(c.PixelFormat(), pf8bit);
  EXPECT_EQ(a.Width(), 1);
  EXPECT_EQ(a.PixelFormat(), pf24bit);
}

TEST(Graphics, ResizingKeepsTheOverlapAndRefusesNonsense) {
  TBitmap bmp(3, 3, pf24bit);
  bmp.Canvas().SetPixel(1, 1, clWhite);
  bmp.SetSize(5, 2);
  EXPECT_EQ(bmp.PixelColor(1, 1), clWhite);
  EXPECT_EQ(bmp.PixelColor(4, 1), clBlack);
  EXPECT_THROW(bmp.SetSize(-1, 3), EInvalidGraphic);
  EXPECT_THROW(bmp.SetSize(65535, 65535), EOutOfResources);
  EXPECT_EQ(bmp.Width(), 5);  // unchanged by the refusals
}

TEST(Canvas, FillsAndDrawsClipped) {
  TBitmap tile(4, 4, pf24bit);
  tile.Canvas().Brush.Color = RGBColor(9, 8, 7);
  tile.Canvas().FillRect({-5, 2, 100, 100});
  EXPECT_EQ(tile.PixelColor(0, 1), clBlack);
  EXPECT_EQ(tile.PixelColor(3, 3), RGBColor(9, 8, 7));

  TBitmap source(2, 2, pf32bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      uint8_t* p = source.ScanLine(y) + x * 4;
      p[0] = uint8_t(10 + x), p[1] = uint8_t(20 + y), p[2] = 30, p[3] = 99;
    }
  tile.Canvas().Draw(3, -1, source);  // only source pixel (0, 1) lands, at (3, 0)
  const uint8_t* p = tile.ScanLine(0) + 9;
  EXPECT_EQ(p[0], 10);
  EXPECT_EQ(p[1], 21);
  EXPECT_EQ(p[2], 30);
  EXPECT_EQ(tile.PixelColor(2, 0), clBlack);

  // Onto 32 bits a 24-bit picture gets a fourth byte of 0.
  TBitmap wide(2, 1, pf32bit);
  std::fill(wide.ScanLine(0), wide.ScanLine(0) + 8, uint8_t(0xEE));
  wide.Canvas().Draw(0, 0, tile);
  EXPECT_EQ(wide.ScanLine(0)[3], 0);
}

TEST(Canvas, CopyRectStretchesByNearestNeighbour) {
  TBitmap source(2, 1, pf8bit);
  source.SetRawPixel(0, 0, 3);
  source.SetRawPixel(1, 0, 200);
  TBitmap dest;
  dest.Assign(source);
  dest.SetSize(4, 2);
  dest.Canvas().CopyRect({0, 0, 4, 2}, source.Canvas(), {0, 0, 2, 1});
  const uint32_t expected[] = {3, 3, 200, 200};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dest.RawPixel(x, y), expected[x]);
}

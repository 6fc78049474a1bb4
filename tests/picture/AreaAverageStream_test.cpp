#include "picture/AreaAverageStream.h"

#include <gtest/gtest.h>

#include <random>

#include "picture/ZoBLibResize.h"
#include "support/TestSupport.h"

namespace {

std::unique_ptr<TBitmap> Streamed(const TBitmap& source, int32_t w, int32_t h) {
  const int n = source.PixelFormat() == pf24bit ? 3 : 4;
  TAreaAverageStream stream(source.Width(), source.Height(), w, h, n);
  for (int32_t y = 0; y < source.Height(); ++y) stream.AddRow(source.ScanLine(y), n);
  auto result = std::make_unique<TBitmap>(w, h, source.PixelFormat());
  stream.Finish(*result);
  return result;
}

}  // namespace

TEST(AreaAverageStream, BitIdenticalToTheWholeBitmapResampler) {
  std::mt19937 random(20261208);
  int compared = 0;
  for (int round = 0; round < 400; ++round) {
    const TPixelFormat format = round % 2 ? pf24bit : pf32bit;
    const int32_t sw = 1 + int32_t(random() % 90), sh = 1 + int32_t(random() % 90);
    // Mostly reductions like a tile's, some odd ratios and some enlargements.
    int32_t w = 1 + int32_t(random() % 20), h = 1 + int32_t(random() % 20);
    if (round % 5 == 0) w = sw + int32_t(random() % 7), h = sh + int32_t(random() % 7);
    if (w == sw && h == sh) continue;
    TBitmap source(sw, sh, format);
    // Smooth areas make equal sums whose rounding is the delicate case.
    if (round % 3 == 0) {
      source.Canvas().Brush.Color = RGBColor(uint8_t(random()), uint8_t(random()), uint8_t(random()));
      source.Canvas().FillRect({0, 0, sw, sh});
    } else {
      FillRandom(source, uint32_t(round));
    }
    SCOPED_TRACE(testing::Message() << sw << "x" << sh << " -> " << w << "x" << h << " format " << int(format));
    auto whole = ResizeAreaAverage(source, w, h, false);
    auto streamed = Streamed(source, w, h);
    ASSERT_EQ(PixelHash(*streamed), PixelHash(*whole));
    ++compared;
  }
  EXPECT_GT(compared, 350);
}

TEST(AreaAverageStream, LargePictureToATile) {
  for (auto [sw, sh] : {std::pair{1021, 613}, std::pair{640, 480}, std::pair{333, 999}}) {
    TBitmap source(sw, sh, pf24bit);
    FillRandom(source, uint32_t(sw));
    int32_t w = sw, h = sh;
    w = sw > sh ? 16 : sw * 16 / sh;
    h = sw > sh ? sh * 16 / sw : 16;
    EXPECT_EQ(PixelHash(*Streamed(source, w, h)), PixelHash(*ResizeAreaAverage(source, w, h, false)))
        << sw << "x" << sh;
  }
}

TEST(AreaAverageStream, ZeroSidesRaiseLikeTheResampler) {
  EXPECT_THROW(TAreaAverageStream(1000, 10, 16, 0, 3), EZeroDivide);
  EXPECT_THROW(TAreaAverageStream(10, 1000, 0, 16, 3), EZeroDivide);
}

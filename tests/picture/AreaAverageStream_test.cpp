#include "picture/AreaAverageStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "framework/FloatControl.h"
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

// The averaging rule written out literally, pixel by pixel, as an independent
// reference: weights per covered source cell, sums stored as floats, the
// mean rounded half to even.
std::unique_ptr<TBitmap> Literal(const TBitmap& source, int32_t w, int32_t h) {
  TExtendedPrecision precision;
  const int n = source.PixelFormat() == pf24bit ? 3 : 4;
  const int32_t sw = source.Width(), sh = source.Height();
  const float area = float((long double)(sw * sh) / w / h);
  const float scaleX = float((long double)sw / w), scaleY = float((long double)sh / h);
  auto weight = [](int32_t i, float lo, float hi) -> double {
    const bool startsInside = (long double)i > lo, endsInside = (long double)i + 1 < hi;
    if (startsInside && endsInside) return 1.0;
    if (endsInside) return double(1.0L - ((long double)lo - i));
    if (startsInside) return double((long double)hi - i);
    return double((long double)hi - lo);
  };
  auto result = std::make_unique<TBitmap>(w, h, source.PixelFormat());
  for (int32_t y = 0; y < h; ++y) {
    const float y0 = float((long double)y * scaleY), y1 = float(((long double)y + 1) * scaleY - 0.000001L);
    for (int32_t x = 0; x < w; ++x) {
      const float x0 = float((long double)x * scaleX), x1 = float(((long double)x + 1) * scaleX - 0.000001L);
      float sums[4] = {0, 0, 0, 0};
      for (int32_t iy = int32_t(std::floor(y0)); iy <= int32_t(std::floor(y1)); ++iy)
        for (int32_t ix = int32_t(std::floor(x0)); ix <= int32_t(std::floor(x1)); ++ix) {
          const double wy = weight(iy, y0, y1), wx = weight(ix, x0, x1);
          const uint8_t* pixel = source.ScanLine(std::min(iy, sh - 1)) + std::min(ix, sw - 1) * n;
          for (int c = 0; c < n; ++c)
            sums[c] = float((long double)sums[c] + ((long double)wx * wy) * pixel[c]);
        }
      uint8_t* dest = result->ScanLine(y) + x * n;
      for (int c = 0; c < n; ++c)
        dest[c] = uint8_t(std::clamp(std::rint((long double)sums[c] / area), 0.0L, 255.0L));
    }
  }
  return result;
}

}  // namespace

TEST(AreaAverageStream, BitIdenticalToTheLiteralRuleAndTheResampler) {
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
    SCOPED_TRACE(testing::Message() << sw << "x" << sh << " -> " << w << "x" << h << " format "
                                    << int(format));
    auto streamed = Streamed(source, w, h);
    ASSERT_EQ(PixelHash(*streamed), PixelHash(*Literal(source, w, h)));
    // The whole-bitmap resampler is the same averager, fed every row.
    ASSERT_EQ(PixelHash(*streamed), PixelHash(*ResizeAreaAverage(source, w, h, false)));
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

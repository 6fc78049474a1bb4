#include "picture/AreaAverageStream.h"

#include <cmath>
#include <cstring>

#include "framework/Exceptions.h"
#include "framework/FloatControl.h"

namespace {

// Keeps (i + 1) x scale, where that is a whole number, out of the next source
// pixel; held in extended precision like the rest of the arithmetic.
constexpr long double kEdge = 0.000001L;

// The weight of source cell [i, i + 1) inside [lo, hi].
double CoverWeight(int64_t i, float lo, float hi) {
  const bool after = (long double)i > (long double)lo;
  const bool before = (long double)(i + 1) < (long double)hi;
  if (after && before) return 1.0;
  if (!after && before) return double(1.0L - ((long double)lo - (long double)i));
  if (after) return double((long double)hi - (long double)i);
  return double((long double)hi - (long double)lo);
}

int64_t FloorOf(float v) { return int64_t(std::floor((long double)v)); }

}  // namespace

TAreaAverageStream::TAreaAverageStream(int32_t sourceWidth, int32_t sourceHeight, int32_t newWidth,
                                       int32_t newHeight, int channels)
    : FSourceWidth(sourceWidth),
      FSourceHeight(sourceHeight),
      FNewWidth(newWidth),
      FNewHeight(newHeight),
      FChannels(channels) {
  TExtendedPrecision precision;
  if (sourceWidth <= 0 || sourceHeight <= 0) throw EInvalidGraphic("ビットマップの大きさが無効です");
  const int32_t product = int32_t(uint32_t(sourceWidth) * uint32_t(sourceHeight));
  FArea = float(FloatDivide(FloatDivide((long double)product, newWidth), newHeight));
  const float scaleX = float(FloatDivide(sourceWidth, newWidth));
  FScaleY = float(FloatDivide(sourceHeight, newHeight));
  if (newWidth < 0 || newHeight < 0) throw EInvalidGraphic("ビットマップの大きさが無効です");

  FY0.resize(size_t(newHeight));
  FY1.resize(size_t(newHeight));
  FFirstRow.resize(size_t(newHeight));
  FLastRow.resize(size_t(newHeight));
  for (int32_t y = 0; y < newHeight; ++y) {
    FY0[size_t(y)] = float((long double)y * FScaleY);
    FY1[size_t(y)] = float((long double)(y + 1) * FScaleY - kEdge);
    FFirstRow[size_t(y)] = FloorOf(FY0[size_t(y)]);
    FLastRow[size_t(y)] = FloorOf(FY1[size_t(y)]);
  }
  FSpans.resize(size_t(newWidth));
  for (int32_t x = 0; x < newWidth; ++x) {
    const float x0 = float((long double)x * scaleX);
    const float x1 = float((long double)(x + 1) * scaleX - kEdge);
    TColumnSpan& span = FSpans[size_t(x)];
    span.First = uint32_t(FColumnTaps.size());
    for (int64_t ix = FloorOf(x0); ix <= FloorOf(x1); ++ix) {
      const double w = CoverWeight(ix, x0, x1);
      const int32_t column = ix >= sourceWidth ? sourceWidth - 1 : int32_t(ix);
      FColumnTaps.push_back({column, w, w == 1.0});
    }
    span.Count = uint32_t(FColumnTaps.size() - span.First);
  }
  FDone.resize(size_t(newHeight));
}

double TAreaAverageStream::RowWeight(int32_t y, int32_t iy) const {
  return CoverWeight(iy, FY0[size_t(y)], FY1[size_t(y)]);
}

void TAreaAverageStream::Accumulate(int32_t iy, const uint8_t* row, int pixelBytes) {
  // Open the destination rows that start at this source row.
  while (FNextDestRow < FNewHeight && FFirstRow[size_t(FNextDestRow)] <= iy) {
    FPending.push_back({FNextDestRow, std::vector<float>(size_t(FNewWidth) * size_t(FChannels), 0.0f)});
    ++FNextDestRow;
  }
  for (TPendingRow& pending : FPending) {
    if (iy < FFirstRow[size_t(pending.Y)] || iy > FLastRow[size_t(pending.Y)]) continue;
    const double wy = RowWeight(pending.Y, iy);
    float* sums = pending.Sums.data();
    for (int32_t x = 0; x < FNewWidth; ++x, sums += FChannels) {
      const TColumnSpan& span = FSpans[size_t(x)];
      const TColumnTap* tap = &FColumnTaps[span.First];
      const TColumnTap* end = tap + span.Count;
      if (wy == 1.0) {
        for (; tap != end; ++tap) {
          const uint8_t* p = row + size_t(tap->Column) * size_t(pixelBytes);
          if (tap->Full) {
            // With both weights exactly 1 the extended-precision sum is exact,
            // so one correctly rounded float addition gives the same result.
            for (int c = 0; c < FChannels; ++c) sums[c] = sums[c] + float(p[c]);
          } else {
            const long double w = (long double)tap->Weight * 1.0L;
            for (int c = 0; c < FChannels; ++c) sums[c] = float((long double)sums[c] + w * p[c]);
          }
        }
      } else {
        for (; tap != end; ++tap) {
          const uint8_t* p = row + size_t(tap->Column) * size_t(pixelBytes);
          const long double w = (long double)tap->Weight * (long double)wy;
          for (int c = 0; c < FChannels; ++c) sums[c] = float((long double)sums[c] + w * p[c]);
        }
      }
    }
  }
  // Close the rows this source row completes.
  for (size_t i = 0; i < FPending.size();) {
    if (FLastRow[size_t(FPending[i].Y)] <= iy) {
      Emit(FPending[i]);
      FPending.erase(FPending.begin() + ptrdiff_t(i));
    } else {
      ++i;
    }
  }
}

void TAreaAverageStream::Emit(const TPendingRow& pending) {
  std::vector<uint8_t>& out = FDone[size_t(pending.Y)];
  out.resize(pending.Sums.size());
  for (size_t i = 0; i < out.size(); ++i) {
    const long double v = std::rint((long double)pending.Sums[i] / (long double)FArea);
    out[i] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
  }
}

void TAreaAverageStream::AddRow(const uint8_t* row, int pixelBytes) {
  TExtendedPrecision precision;
  const int32_t iy = FNextSourceRow++;
  Accumulate(iy, row, pixelBytes);
  if (FNextSourceRow == FSourceHeight) {
    // Rows that reach past the picture's end read its last row again.
    FLastRowCopy.assign(row, row + size_t(FSourceWidth) * size_t(pixelBytes));
    FLastPixelBytes = pixelBytes;
  }
}

void TAreaAverageStream::Finish(TBitmap& result) {
  TExtendedPrecision precision;
  if (FNextSourceRow != FSourceHeight) throw EInvalidGraphic("画像の行が足りません");
  for (int32_t iy = FSourceHeight; FNextDestRow < FNewHeight || !FPending.empty(); ++iy)
    Accumulate(iy, FLastRowCopy.data(), FLastPixelBytes);
  const int n = result.PixelFormat() == pf24bit ? 3 : 4;
  for (int32_t y = 0; y < FNewHeight; ++y) {
    uint8_t* d = result.ScanLine(y);
    const uint8_t* s = FDone[size_t(y)].data();
    for (int32_t x = 0; x < FNewWidth; ++x, d += n, s += FChannels) {
      for (int c = 0; c < n; ++c) d[c] = c < FChannels ? s[c] : 0;
    }
  }
}

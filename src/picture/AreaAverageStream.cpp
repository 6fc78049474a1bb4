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
  if (sourceWidth <= 0 || sourceHeight <= 0) throw EInvalidGraphic(IDS_BMP_BAD_SIZE);
  const int32_t product = int32_t(uint32_t(sourceWidth) * uint32_t(sourceHeight));
  FArea = float(FloatDivide(FloatDivide((long double)product, newWidth), newHeight));
  const float scaleX = float(FloatDivide(sourceWidth, newWidth));
  FScaleY = float(FloatDivide(sourceHeight, newHeight));
  if (newWidth < 0 || newHeight < 0) throw EInvalidGraphic(IDS_BMP_BAD_SIZE);

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
    // The longest stretch of full, unclamped, neighbouring columns.
    span.RunBegin = span.Count;
    span.RunCount = 0;
    span.RunColumn = 0;
    for (uint32_t i = 0; i < span.Count; ++i) {
      const TColumnTap& tap = FColumnTaps[span.First + i];
      const bool fits =
          tap.Full && int64_t(tap.Column) == FloorOf(x0) + int64_t(i) && tap.Column < sourceWidth - 1;
      if (!fits) {
        if (span.RunCount > 0) break;
        continue;
      }
      if (span.RunCount == 0) {
        span.RunBegin = i;
        span.RunColumn = tap.Column;
      }
      ++span.RunCount;
    }
  }
  FDone.resize(size_t(newHeight));
}

namespace {

// Exact float values of the bytes: a table load is cheaper than a conversion.
struct TByteFloats {
  float Value[256];
  TByteFloats() {
    for (int i = 0; i < 256; ++i) Value[i] = float(i);
  }
};
const TByteFloats kByteFloats;

}  // namespace

// Adds taps one by one with the full arithmetic: (wx x wy) x byte added to the
// sum in extended precision, the sum stored back as a float.
void TAreaAverageStream::AddTaps(const TColumnTap* tap, const TColumnTap* end, const uint8_t* row,
                                 int pixelBytes, float* sums, double wy) const {
  for (; tap != end; ++tap) {
    const uint8_t* p = row + size_t(tap->Column) * size_t(pixelBytes);
    if (tap->Full && wy == 1.0) {
      // With both weights exactly 1 the extended-precision sum is exact, so
      // one correctly rounded float addition gives the same result.
      for (int c = 0; c < FChannels; ++c) sums[c] = sums[c] + kByteFloats.Value[p[c]];
    } else {
      const long double w = (long double)tap->Weight * (long double)wy;
      for (int c = 0; c < FChannels; ++c) sums[c] = float((long double)sums[c] + w * p[c]);
    }
  }
}

// A source row that lies wholly inside the destination row. Each destination
// pixel still receives its taps strictly in column order; only the work of
// neighbouring destination pixels is interleaved, four at a time, so that
// their independent sums overlap in the processor.
void TAreaAverageStream::AddFullRow(const uint8_t* row, int pixelBytes, float* sums) const {
  const float* value = kByteFloats.Value;
  const size_t step = size_t(pixelBytes);
  for (int32_t x0 = 0; x0 < FNewWidth; x0 += 4) {
    const int group = FNewWidth - x0 < 4 ? int(FNewWidth - x0) : 4;
    uint32_t common = UINT32_MAX;
    for (int i = 0; i < group; ++i) {
      const TColumnSpan& span = FSpans[size_t(x0 + i)];
      const TColumnTap* first = &FColumnTaps[span.First];
      AddTaps(first, first + span.RunBegin, row, pixelBytes, sums + size_t(x0 + i) * size_t(FChannels), 1.0);
      common = span.RunCount < common ? span.RunCount : common;
    }
    if (group == 4 && FChannels == 3) {
      float* s = sums + size_t(x0) * 3;
      const uint8_t* p0 = row + size_t(FSpans[size_t(x0)].RunColumn) * step;
      const uint8_t* p1 = row + size_t(FSpans[size_t(x0 + 1)].RunColumn) * step;
      const uint8_t* p2 = row + size_t(FSpans[size_t(x0 + 2)].RunColumn) * step;
      const uint8_t* p3 = row + size_t(FSpans[size_t(x0 + 3)].RunColumn) * step;
      float a0 = s[0], a1 = s[1], a2 = s[2], b0 = s[3], b1 = s[4], b2 = s[5];
      float c0 = s[6], c1 = s[7], c2 = s[8], d0 = s[9], d1 = s[10], d2 = s[11];
      for (uint32_t k = 0; k < common; ++k, p0 += step, p1 += step, p2 += step, p3 += step) {
        a0 += value[p0[0]], a1 += value[p0[1]], a2 += value[p0[2]];
        b0 += value[p1[0]], b1 += value[p1[1]], b2 += value[p1[2]];
        c0 += value[p2[0]], c1 += value[p2[1]], c2 += value[p2[2]];
        d0 += value[p3[0]], d1 += value[p3[1]], d2 += value[p3[2]];
      }
      s[0] = a0, s[1] = a1, s[2] = a2, s[3] = b0, s[4] = b1, s[5] = b2;
      s[6] = c0, s[7] = c1, s[8] = c2, s[9] = d0, s[10] = d1, s[11] = d2;
    } else {
      common = 0;
    }
    for (int i = 0; i < group; ++i) {
      const TColumnSpan& span = FSpans[size_t(x0 + i)];
      float* s = sums + size_t(x0 + i) * size_t(FChannels);
      const uint8_t* p = row + (size_t(span.RunColumn) + common) * step;
      for (uint32_t k = common; k < span.RunCount; ++k, p += step)
        for (int c = 0; c < FChannels; ++c) s[c] += value[p[c]];
      const TColumnTap* rest = &FColumnTaps[span.First + span.RunBegin + span.RunCount];
      AddTaps(rest, &FColumnTaps[span.First] + span.Count, row, pixelBytes, s, 1.0);
    }
  }
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
    if (wy == 1.0) {
      AddFullRow(row, pixelBytes, pending.Sums.data());
    } else {
      float* sums = pending.Sums.data();
      for (int32_t x = 0; x < FNewWidth; ++x, sums += FChannels) {
        const TColumnTap* tap = &FColumnTaps[FSpans[size_t(x)].First];
        AddTaps(tap, tap + FSpans[size_t(x)].Count, row, pixelBytes, sums, wy);
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
  if (FNextSourceRow != FSourceHeight) throw EInvalidGraphic(IDS_PICTURE_ROWS_MISSING);
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

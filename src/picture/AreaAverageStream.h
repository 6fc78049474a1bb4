// Area averaging that consumes the source picture one row at a time, as a
// decoder produces it, so that a tile never needs the whole decoded picture in
// memory. Every destination pixel receives its contributions in exactly the
// order, and with exactly the roundings, of the whole-bitmap resampler
// (ResizeAreaAverage), so both give bit-identical pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Graphics.h"

class TAreaAverageStream {
public:
  // channels is 3 or 4: the bytes of each pixel that are averaged. Raises the
  // framework's floating-point exception for a zero side, as the whole-bitmap
  // resampler does before it starts.
  TAreaAverageStream(int32_t sourceWidth, int32_t sourceHeight, int32_t newWidth, int32_t newHeight,
                     int channels);

  // Adds the next source row (rows come top to bottom); pixelBytes is the
  // distance between pixels in row (3 or 4), of which the first `channels`
  // bytes are read.
  void AddRow(const uint8_t* row, int pixelBytes);
  // After the last source row: completes the destination rows and writes them
  // into result, which must be newWidth x newHeight, pf24bit or pf32bit (a
  // fourth byte that is not averaged is 0).
  void Finish(TBitmap& result);

private:
  // A destination column's taps, in order: a head of taps with partial or
  // clamped columns, a run of fully covered neighbouring columns starting at
  // RunColumn, and a tail (the taps after the run).
  struct TColumnSpan {
    uint32_t First;  // index into FColumnTaps
    uint32_t Count;
    uint32_t RunBegin;  // offset of the run within the span
    uint32_t RunCount;
    int32_t RunColumn;
  };
  struct TColumnTap {
    int32_t Column;  // clamped to the last column
    double Weight;
    bool Full;  // weight exactly 1
  };
  struct TPendingRow {
    int32_t Y;
    std::vector<float> Sums;
  };

  void Accumulate(int32_t iy, const uint8_t* row, int pixelBytes);
  void AddFullRow(const uint8_t* row, int pixelBytes, float* sums) const;
  void AddTaps(const TColumnTap* tap, const TColumnTap* end, const uint8_t* row, int pixelBytes, float* sums,
               double wy) const;
  void Emit(const TPendingRow& pending);
  double RowWeight(int32_t y, int32_t iy) const;

  int32_t FSourceWidth, FSourceHeight, FNewWidth, FNewHeight;
  int FChannels;
  float FArea, FScaleY;
  std::vector<float> FY0, FY1;
  std::vector<int64_t> FFirstRow, FLastRow;  // Floor(y0), Floor(y1) per destination row
  std::vector<TColumnSpan> FSpans;
  std::vector<TColumnTap> FColumnTaps;
  std::vector<TPendingRow> FPending;        // destination rows still receiving source rows
  std::vector<std::vector<uint8_t>> FDone;  // finished destination rows, channels bytes per pixel
  std::vector<uint8_t> FLastRowCopy;
  int FLastPixelBytes = 3;
  int32_t FNextSourceRow = 0;
  int32_t FNextDestRow = 0;
};

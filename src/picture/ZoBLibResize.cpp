#include "picture/ZoBLibResize.h"

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/FloatControl.h"
#include "picture/AreaAverageStream.h"

namespace {

using TSourceRows = std::vector<const uint8_t*>;
using TDestRows = std::vector<uint8_t*>;

// One address per row, collected once so that the pixel loops never ask the
// bitmap for a row. A bitmap whose rows hold no pixel needs no table.
TSourceRows SourceRowTable(const TBitmap& bitmap) {
  TSourceRows rows;
  if (bitmap.Width() <= 0) return rows;
  rows.reserve(size_t(bitmap.Height()));
  for (int32_t y = 0; y < bitmap.Height(); ++y) rows.push_back(bitmap.ScanLine(y));
  return rows;
}

TDestRows DestRowTable(TBitmap& bitmap) {
  TDestRows rows;
  if (bitmap.Width() <= 0) return rows;
  rows.reserve(size_t(bitmap.Height()));
  for (int32_t y = 0; y < bitmap.Height(); ++y) rows.push_back(bitmap.ScanLine(y));
  return rows;
}

// Nearest integer, ties to even, straight from extended precision (the guard
// of the caller keeps the x87 rounding mode at "nearest").
long double RoundHalfEven(long double value) { return std::rintl(value); }

// A rounded channel value as a byte. The sums of the resamplers can stray a
// little beyond 255 through their float roundings at extreme sizes; the byte
// saturates instead of wrapping to a dark value.
uint8_t ChannelByte(long double value) {
  const long double rounded = RoundHalfEven(value);
  if (!(rounded > 0.0L)) return 0;
  if (rounded >= 255.0L) return 255;
  return uint8_t(rounded);
}

// The progress reports of one call. Whether they are sent is decided once, at
// the start; the handler is held for the whole call.
class TProgressReporter {
public:
  TProgressReporter(const TBitmap& source, bool showProgress, std::string message)
      : FSender(const_cast<TBitmap*>(&source)), FMessage(message) {
    if (showProgress && source.OnProgress) FHandler = source.OnProgress;
  }

  bool Active() const { return bool(FHandler); }
  void Starting() { Send(psStarting, 0); }
  // After destination row y of newHeight rows is finished.
  void Running(int32_t y, int32_t newHeight) {
    if (!FHandler) return;
    Send(psRunning, uint8_t(int64_t(y) * 100 / newHeight));
  }
  void Ending() { Send(psEnding, 100); }

private:
  void Send(TProgressStage stage, uint8_t percentDone) {
    if (FHandler) FHandler(FSender, stage, percentDone, false, TRect{}, FMessage);
  }

  TProgressEvent FHandler;
  TObject* FSender;
  std::string FMessage;
};

// Bytes per pixel of the formats the interpolating resamplers take.
int TrueColourBytes(TPixelFormat format) {
  switch (format) {
    case pf24bit: return 3;
    case pf32bit: return 4;
    default: throw Exception(kUnsupportedPixelFormat);
  }
}

// A result with pixels needs a source with pixels to sample from.
void RequireSamples(const TBitmap& source, int32_t newWidth, int32_t newHeight) {
  if (newWidth > 0 && newHeight > 0 && source.Empty()) throw Exception(kEmptySourceBitmap);
}

}  // namespace

std::unique_ptr<TBitmap> ResizeBitmap(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                      TResizeMethod Method, bool ShowProgress) {
  if (NewWidth == Source.Width() && NewHeight == Source.Height()) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(Source);
    return copy;
  }
  switch (Method) {
    case rmCanvasCopy: return ResizeByCanvas(Source, NewWidth, NewHeight);
    case rmNearestNeighbor: return ResizeNearestNeighbor(Source, NewWidth, NewHeight, ShowProgress);
    case rmBilinear: return ResizeBilinear(Source, NewWidth, NewHeight, ShowProgress);
    case rmAreaAverage: return ResizeAreaAverage(Source, NewWidth, NewHeight, ShowProgress);
    default: return nullptr;
  }
}

std::unique_ptr<TBitmap> ResizeByCanvas(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight) {
  try {
    auto result = std::make_unique<TBitmap>();
    result->Assign(Source);
    // Both sides at once: setting one side first could briefly ask for far
    // more memory than either the source or the result needs.
    result->SetSize(NewWidth, NewHeight);
    result->Canvas().CopyRect(TRect{0, 0, NewWidth, NewHeight}, Source.Canvas(),
                              TRect{0, 0, Source.Width(), Source.Height()});
    return result;
  } catch (...) {
    // The canvas copy reports failure by giving nothing.
    return nullptr;
  }
}

std::unique_ptr<TBitmap> ResizeNearestNeighbor(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                               bool ShowProgress) {
  TExtendedPrecision precision;
  const TPixelFormat format = Source.PixelFormat();
  const int32_t sourceWidth = Source.Width();
  const int32_t sourceHeight = Source.Height();

  // Packed formats: bits per pixel; byte formats: bytes per pixel.
  int bits = 0;
  int bytes = 0;
  switch (format) {
    case pf1bit: bits = 1; break;
    case pf4bit: bits = 4; break;
    case pf8bit: bytes = 1; break;
    case pf24bit: bytes = 3; break;
    case pf32bit: bytes = 4; break;
    default: throw Exception(kUnsupportedPixelFormat);
  }
  RequireSamples(Source, NewWidth, NewHeight);

  TProgressReporter progress(Source, ShowProgress, kProgressNearestNeighbor);
  progress.Starting();

  auto result = std::make_unique<TBitmap>();
  if (format == pf8bit) result->Assign(Source);
  result->SetPixelFormat(format);
  // A packed picture keeps its own colours: its pixel values index the
  // source's colour table, whatever table a new bitmap of the format has.
  if (bits != 0) result->Palette() = Source.Palette();
  result->SetSize(NewWidth, NewHeight);
  const TSourceRows sourceRows = SourceRowTable(Source);
  const TDestRows destRows = DestRowTable(*result);

  const int32_t rowsToVisit = (NewWidth > 0 || progress.Active()) ? NewHeight : 0;
  for (int32_t y = 0; y < rowsToVisit; ++y) {
    if (NewWidth > 0) {
      int32_t syi = int32_t(RoundHalfEven((long double)y / NewHeight * sourceHeight));
      if (syi < 0) syi = 0;
      if (syi >= sourceHeight) syi = sourceHeight - 1;
      const uint8_t* sourceRow = sourceRows[size_t(syi)];
      uint8_t* dest = destRows[size_t(y)];
      const int pixelsPerByte = bits != 0 ? 8 / bits : 1;
      const unsigned mask = (1u << bits) - 1u;
      for (int32_t x = 0; x < NewWidth; ++x) {
        int32_t sxi = int32_t(RoundHalfEven((long double)x / NewWidth * sourceWidth));
        if (sxi < 0) sxi = 0;
        if (sxi >= sourceWidth) sxi = sourceWidth - 1;
        if (bits != 0) {
          const int k = pixelsPerByte;
          const unsigned value = (unsigned(sourceRow[sxi / k]) >> ((k - 1 - sxi % k) * bits)) & mask;
          const int shift = (k - 1 - x % k) * bits;
          *dest = uint8_t((*dest & ~(mask << shift)) | (value << shift));
          if (x % k == k - 1) ++dest;
        } else {
          std::memcpy(dest, sourceRow + size_t(sxi) * size_t(bytes), size_t(bytes));
          dest += bytes;
        }
      }
    }
    progress.Running(y, NewHeight);
  }
  progress.Ending();
  return result;
}

std::unique_ptr<TBitmap> ResizeBilinear(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                        bool ShowProgress) {
  TExtendedPrecision precision;
  const int32_t sourceWidth = Source.Width();
  const int32_t sourceHeight = Source.Height();
  const int n = TrueColourBytes(Source.PixelFormat());
  RequireSamples(Source, NewWidth, NewHeight);

  TProgressReporter progress(Source, ShowProgress, kProgressBilinear);
  progress.Starting();

  auto result = std::make_unique<TBitmap>();
  result->SetPixelFormat(Source.PixelFormat());
  result->SetSize(NewWidth, NewHeight);
  const TSourceRows sourceRows = SourceRowTable(Source);
  const TDestRows destRows = DestRowTable(*result);

  const int32_t rowsToVisit = (NewWidth > 0 || progress.Active()) ? NewHeight : 0;
  for (int32_t y = 0; y < rowsToVisit; ++y) {
    if (NewWidth > 0) {
      const float fy = float((long double)y / NewHeight * sourceHeight);
      int32_t iy = int32_t(fy);
      // A float that rounded up onto the source's far edge still reads
      // inside the source.
      if (iy >= sourceHeight) iy = sourceHeight - 1;
      const float wy = float((long double)fy - iy);
      const int32_t iy1 = iy + 1 == sourceHeight ? iy : iy + 1;
      const uint8_t* row0 = sourceRows[size_t(iy)];
      const uint8_t* row1 = sourceRows[size_t(iy1)];
      uint8_t* dest = destRows[size_t(y)];
      for (int32_t x = 0; x < NewWidth; ++x) {
        const float fx = float((long double)x / NewWidth * sourceWidth);
        int32_t ix = int32_t(fx);
        if (ix >= sourceWidth) ix = sourceWidth - 1;
        const float wx = float((long double)fx - ix);
        const int32_t ix1 = ix + 1 == sourceWidth ? ix : ix + 1;
        const uint8_t* p00 = row0 + size_t(ix) * size_t(n);
        const uint8_t* p10 = row0 + size_t(ix1) * size_t(n);
        const uint8_t* p01 = row1 + size_t(ix) * size_t(n);
        const uint8_t* p11 = row1 + size_t(ix1) * size_t(n);
        for (int c = 0; c < n; ++c) {
          const float top = float((1.0L - wx) * p00[c] + (long double)p10[c] * wx);
          const float bottom = float((1.0L - wx) * p01[c] + (long double)p11[c] * wx);
          dest[c] = ChannelByte((1.0L - wy) * top + (long double)bottom * wy);
        }
        dest += n;
      }
    }
    progress.Running(y, NewHeight);
  }
  progress.Ending();
  return result;
}

std::unique_ptr<TBitmap> ResizeAreaAverage(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                           bool ShowProgress) {
  TExtendedPrecision precision;
  const int32_t sourceWidth = Source.Width();
  const int32_t sourceHeight = Source.Height();
  const int n = TrueColourBytes(Source.PixelFormat());

  TProgressReporter progress(Source, ShowProgress, kProgressAreaAverage);
  progress.Starting();

  auto result = std::make_unique<TBitmap>();
  result->SetPixelFormat(Source.PixelFormat());
  result->SetSize(NewWidth, NewHeight);

  // The product of the source sides is a 32-bit signed integer (wrapping as
  // such), divided by each target side in turn. A zero target side raises
  // here, before any pixel is touched.
  const int32_t sourceArea = int32_t(uint32_t(sourceWidth) * uint32_t(sourceHeight));
  const float area = float(FloatDivide(FloatDivide(sourceArea, NewWidth), NewHeight));
  FloatDivide(sourceWidth, NewWidth);
  FloatDivide(sourceHeight, NewHeight);

  if (NewWidth > 0 && NewHeight > 0) {
    // A source without pixels leaves every sum 0 over an area of 0.
    if (Source.Empty()) FloatDivide(0.0L, area);
    // The one averaging rule, fed the whole bitmap a row at a time.
    TAreaAverageStream averager(sourceWidth, sourceHeight, NewWidth, NewHeight, n);
    for (int32_t y = 0; y < sourceHeight; ++y) averager.AddRow(Source.ScanLine(y), n);
    averager.Finish(*result);
  }
  for (int32_t y = 0; y < NewHeight; ++y) progress.Running(y, NewHeight);
  progress.Ending();
  return result;
}

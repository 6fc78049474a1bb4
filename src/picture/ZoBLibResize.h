// Resized copies of bitmaps by four methods. The source is never changed; the
// caller owns the returned bitmap. A null result means "none".
#pragma once

#include <cstdint>
#include <memory>

#include "framework/Graphics.h"

enum TResizeMethod : uint8_t {
  rmCanvasCopy = 0,
  rmNearestNeighbor = 1,
  rmBilinear = 2,
  rmAreaAverage = 3,
};

// The message of the general exception for a pixel format a method cannot take.
extern const char* const kUnsupportedPixelFormat;

std::unique_ptr<TBitmap> ResizeBitmap(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                      TResizeMethod Method, bool ShowProgress);
std::unique_ptr<TBitmap> ResizeByCanvas(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight);
std::unique_ptr<TBitmap> ResizeNearestNeighbor(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                               bool ShowProgress);
std::unique_ptr<TBitmap> ResizeBilinear(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                        bool ShowProgress);
std::unique_ptr<TBitmap> ResizeAreaAverage(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                           bool ShowProgress);

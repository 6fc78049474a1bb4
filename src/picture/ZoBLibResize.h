// Resized copies of bitmaps by four methods. The source is never changed; the
// caller owns the returned bitmap. A null result means "none".
//
// The three pixel resamplers compute in x87 extended precision (long double)
// and store 32-bit floats where their rules say so; they set the full 64-bit
// precision themselves, so their pixels do not depend on the caller's x87
// control word and are the same in every build.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/Texts.h"
#include "framework/Graphics.h"

enum TResizeMethod : uint8_t {
  rmCanvasCopy = 0,
  rmNearestNeighbor = 1,
  rmBilinear = 2,
  rmAreaAverage = 3,
};

// The message of the general exception for a pixel format a method cannot take.
inline constexpr TText kUnsupportedPixelFormat{IDS_PIXEL_FORMAT_UNSUPPORTED};
// The message of the general exception for a source without pixels that is to
// give a result with pixels: there is nothing to sample from.
inline constexpr TText kEmptySourceBitmap{IDS_RESIZE_EMPTY};

// What the progress events of the three pixel resamplers say.
inline constexpr TText kProgressNearestNeighbor{IDS_RESIZE_NEAREST};
inline constexpr TText kProgressBilinear{IDS_RESIZE_BILINEAR};
inline constexpr TText kProgressAreaAverage{IDS_RESIZE_AREA};

// The requested size equal to the source's gives a full copy whatever Method
// says; otherwise Method picks one of the functions below, and a value outside
// rmCanvasCopy..rmAreaAverage gives none.
std::unique_ptr<TBitmap> ResizeBitmap(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                      TResizeMethod Method, bool ShowProgress);
// A stretching copy through the canvas. Never raises: a failure gives none.
std::unique_ptr<TBitmap> ResizeByCanvas(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight);
// pf1bit, pf4bit, pf8bit, pf24bit and pf32bit; the result keeps the source's
// format and colour table.
std::unique_ptr<TBitmap> ResizeNearestNeighbor(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                               bool ShowProgress);
// pf24bit and pf32bit, every byte of a pixel interpolated.
std::unique_ptr<TBitmap> ResizeBilinear(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                        bool ShowProgress);
// pf24bit and pf32bit, every byte of a pixel averaged over the source area the
// destination pixel covers. A zero side raises EZeroDivide (EInvalidOp when the
// source has no pixels either).
std::unique_ptr<TBitmap> ResizeAreaAverage(const TBitmap& Source, int32_t NewWidth, int32_t NewHeight,
                                           bool ShowProgress);

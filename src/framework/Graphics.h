// The bitmap and canvas of the form framework: device-independent pixels held
// in memory, rows addressed from the top, each row padded to four bytes as in a
// Windows DIB, so that the Win32 layer can hand a bitmap to GDI unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Exceptions.h"

class TObject {
public:
  virtual ~TObject() = default;
};

enum TPixelFormat : uint8_t {
  pfDevice = 0,
  pf1bit = 1,
  pf4bit = 2,
  pf8bit = 3,
  pf15bit = 4,
  pf16bit = 5,
  pf24bit = 6,
  pf32bit = 7,
  pfCustom = 8,
};

// Colours as the framework holds them: 0x00BBGGRR.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor RGBColor(uint8_t red, uint8_t green, uint8_t blue) {
  return TColor(red) | (TColor(green) << 8) | (TColor(blue) << 16);
}
constexpr uint8_t RedOf(TColor c) { return uint8_t(c); }
constexpr uint8_t GreenOf(TColor c) { return uint8_t(c >> 8); }
constexpr uint8_t BlueOf(TColor c) { return uint8_t(c >> 16); }

struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

struct TRGBQuad {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
  bool operator==(const TRGBQuad&) const = default;
};

enum TProgressStage : uint8_t { psStarting = 0, psRunning = 1, psEnding = 2 };

using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone,
                                          bool RedrawNow, const TRect& R, const std::string& Msg)>;

// The largest pixel buffer a bitmap may hold. A 32-bit process cannot do much
// better, and every picture the program shows is far smaller.
constexpr size_t kMaxBitmapBytes = size_t(512) << 20;

class TBitmap;

struct TBrush {
  TColor Color = clWhite;
};

// Drawing on one bitmap. Colours are matched to the nearest colour-table entry
// on palette bitmaps.
class TCanvas {
public:
  explicit TCanvas(TBitmap& owner) : FOwner(owner) {}
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBrush Brush;

  // Fills the rectangle (clipped to the bitmap) with the brush colour.
  void FillRect(const TRect& rect);
  // Draws source at its own size with its top-left corner at (x, y), clipped.
  // Where both bitmaps hold true-colour pixels the bytes blue, green and red are
  // copied (a 32-bit source onto 24 bits drops its fourth byte, a 24-bit
  // source onto 32 bits gets a fourth byte of 0).
  void Draw(int32_t x, int32_t y, const TBitmap& source);
  // Copies sourceRect of source's canvas into destRect of this one, stretching
  // by nearest neighbour (the default stretch of a device context). Pixels are
  // copied unchanged where both bitmaps have the same format.
  void CopyRect(const TRect& destRect, const TCanvas& source, const TRect& sourceRect);

  TColor Pixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, TColor color);

  TBitmap& Bitmap() const { return FOwner; }

private:
  TBitmap& FOwner;
};

class TBitmap : public TObject {
public:
  TBitmap();
  TBitmap(int32_t width, int32_t height, TPixelFormat format);
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  ~TBitmap() override;

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }

  // Resizing keeps the pixels of the overlapping top-left area; new pixels
  // are 0. Negative sides and buffers over kMaxBitmapBytes raise.
  void SetWidth(int32_t width) { SetSize(width, FHeight); }
  void SetHeight(int32_t height) { SetSize(FWidth, height); }
  void SetSize(int32_t width, int32_t height);
  // Converts the pixels to the new format (colours matched to the default
  // colour table when the new format has one). To pf32bit the fourth byte is 0.
  void SetPixelFormat(TPixelFormat format);

  // A full, independent copy: size, format, colour table and pixels.
  // The progress handler is not copied.
  void Assign(const TBitmap& source);
  // Exchanges size, format, colour table and pixels with other (not the
  // progress handler): a picture decoded aside is handed over without a copy.
  void Swap(TBitmap& other);

  // Row y (0 is the top row). Raises for a row outside the bitmap.
  uint8_t* ScanLine(int32_t y);
  const uint8_t* ScanLine(int32_t y) const;
  size_t RowStride() const { return FStride; }

  // The colour table of pf1bit, pf4bit and pf8bit bitmaps (2, 16, 256 entries).
  std::vector<TRGBQuad>& Palette() { return FPalette; }
  const std::vector<TRGBQuad>& Palette() const { return FPalette; }
  static std::vector<TRGBQuad> DefaultPalette(TPixelFormat format);

  TCanvas& Canvas() { return FCanvas; }
  const TCanvas& Canvas() const { return FCanvas; }

  TProgressEvent OnProgress;

  // Bits one pixel of the format occupies in memory (pfDevice is held as 32).
  static int BitsPerPixel(TPixelFormat format);
  static size_t StrideFor(int32_t width, TPixelFormat format);

  // The pixel as a colour, and the stored value (index or packed bits) of it.
  TColor PixelColor(int32_t x, int32_t y) const;
  void SetPixelColor(int32_t x, int32_t y, TColor color);
  uint32_t RawPixel(int32_t x, int32_t y) const;
  void SetRawPixel(int32_t x, int32_t y, uint32_t value);
  // The stored value that shows color best in this bitmap's format.
  uint32_t RawFor(TColor color) const;

private:
  void Reallocate(int32_t width, int32_t height, TPixelFormat format);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  TPixelFormat FPixelFormat = pfDevice;
  size_t FStride = 0;
  std::vector<uint8_t> FPixels;
  std::vector<TRGBQuad> FPalette;
  TCanvas FCanvas;
};

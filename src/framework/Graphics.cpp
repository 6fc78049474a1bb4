#include "framework/Graphics.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool IsPaletteFormat(TPixelFormat format) { return format == pf1bit || format == pf4bit || format == pf8bit; }

// 5- and 6-bit channels widen by repeating their top bits, so that full
// intensity stays full (31 becomes 255).
uint8_t Widen5(uint32_t v) { return uint8_t((v << 3) | (v >> 2)); }
uint8_t Widen6(uint32_t v) { return uint8_t((v << 2) | (v >> 4)); }

}  // namespace

TBitmap::TBitmap() : FCanvas(*this) {}

TBitmap::TBitmap(int32_t width, int32_t height, TPixelFormat format) : FCanvas(*this) {
  SetPixelFormat(format);
  SetSize(width, height);
}

TBitmap::~TBitmap() = default;

int TBitmap::BitsPerPixel(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pfDevice:
    case pf32bit: return 32;
    default: throw EInvalidGraphic(IDS_PIXEL_FORMAT_INVALID);
  }
}

size_t TBitmap::StrideFor(int32_t width, TPixelFormat format) {
  return ((size_t(width) * size_t(BitsPerPixel(format)) + 31) / 32) * 4;
}

std::vector<TRGBQuad> TBitmap::DefaultPalette(TPixelFormat format) {
  static const uint8_t kVga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                      {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                      {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                      {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  std::vector<TRGBQuad> result;
  auto add = [&](uint8_t r, uint8_t g, uint8_t b) { result.push_back({b, g, r, 0}); };
  switch (format) {
    case pf1bit:
      add(0, 0, 0);
      add(255, 255, 255);
      break;
    case pf4bit:
      for (auto& c : kVga) add(c[0], c[1], c[2]);
      break;
    case pf8bit:
      // The sixteen standard colours, a 6 x 6 x 6 colour cube and a grey ramp.
      for (auto& c : kVga) add(c[0], c[1], c[2]);
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
          for (int b = 0; b < 6; ++b) add(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51));
      for (int i = 0; result.size() < 256; ++i)
        add(uint8_t(8 + i * 10), uint8_t(8 + i * 10), uint8_t(8 + i * 10));
      break;
    default: break;
  }
  return result;
}

void TBitmap::Reallocate(int32_t width, int32_t height, TPixelFormat format) {
  if (width < 0 || height < 0) throw EInvalidGraphic(IDS_BMP_BAD_SIZE);
  const size_t stride = StrideFor(width, format);
  if (height != 0 && stride > kMaxBitmapBytes / size_t(height)) throw EOutOfResources(IDS_BITMAP_TOO_LARGE);
  std::vector<uint8_t> pixels;
  try {
    pixels.assign(stride * size_t(height), 0);
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(IDS_BITMAP_NO_MEMORY);
  }
  // Keep what overlaps, as a resized bitmap does (nothing does when either
  // side has no pixel bytes, and an empty buffer has no address to copy to).
  if (format == FPixelFormat && !FPixels.empty() && !pixels.empty()) {
    const size_t rowBytes = std::min(stride, FStride);
    const int32_t rows = std::min(height, FHeight);
    const int32_t cols = std::min(width, FWidth);
    const size_t used = (size_t(cols) * size_t(BitsPerPixel(format)) + 7) / 8;
    for (int32_t y = 0; y < rows; ++y)
      std::memcpy(pixels.data() + size_t(y) * stride, FPixels.data() + size_t(y) * FStride,
                  std::min(rowBytes, used));
  }
  FPixels.swap(pixels);
  FWidth = width;
  FHeight = height;
  FStride = stride;
}

void TBitmap::SetSize(int32_t width, int32_t height) {
  if (width == FWidth && height == FHeight) return;
  Reallocate(width, height, FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == FPixelFormat) return;
  if (format == pfCustom || format > pfCustom) throw EInvalidGraphic(IDS_PIXEL_FORMAT_INVALID);
  TBitmap old;
  old.Assign(*this);
  std::vector<TRGBQuad> palette = DefaultPalette(format);
  FPixels.clear();
  FPixelFormat = format;
  FPalette = std::move(palette);
  FWidth = FHeight = 0;
  Reallocate(old.FWidth, old.FHeight, format);
  for (int32_t y = 0; y < FHeight; ++y)
    for (int32_t x = 0; x < FWidth; ++x) SetPixelColor(x, y, old.PixelColor(x, y));
}

void TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return;
  FWidth = source.FWidth;
  FHeight = source.FHeight;
  FPixelFormat = source.FPixelFormat;
  FStride = source.FStride;
  FPixels = source.FPixels;
  FPalette = source.FPalette;
}

void TBitmap::Swap(TBitmap& other) {
  std::swap(FWidth, other.FWidth);
  std::swap(FHeight, other.FHeight);
  std::swap(FPixelFormat, other.FPixelFormat);
  std::swap(FStride, other.FStride);
  FPixels.swap(other.FPixels);
  FPalette.swap(other.FPalette);
}

uint8_t* TBitmap::ScanLine(int32_t y) {
  if (y < 0 || y >= FHeight) throw EInvalidGraphic(IDS_SCAN_LINE_OUT_OF_RANGE);
  return FPixels.data() + size_t(y) * FStride;
}

const uint8_t* TBitmap::ScanLine(int32_t y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

uint32_t TBitmap::RawPixel(int32_t x, int32_t y) const {
  const uint8_t* row = ScanLine(y);
  switch (FPixelFormat) {
    case pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case pf4bit: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    case pf8bit: return row[x];
    case pf15bit:
    case pf16bit: return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
    case pf24bit:
      return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) | (uint32_t(row[3 * x + 2]) << 16);
    default: {
      const uint8_t* p = row + 4 * size_t(x);
      return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    }
  }
}

void TBitmap::SetRawPixel(int32_t x, int32_t y, uint32_t value) {
  uint8_t* row = ScanLine(y);
  switch (FPixelFormat) {
    case pf1bit: {
      const int shift = 7 - (x & 7);
      row[x >> 3] = uint8_t((row[x >> 3] & ~(1u << shift)) | ((value & 1u) << shift));
      break;
    }
    case pf4bit: {
      const int shift = (x & 1) ? 0 : 4;
      row[x >> 1] = uint8_t((row[x >> 1] & ~(15u << shift)) | ((value & 15u) << shift));
      break;
    }
    case pf8bit: row[x] = uint8_t(value); break;
    case pf15bit:
    case pf16bit:
      row[2 * x] = uint8_t(value);
      row[2 * x + 1] = uint8_t(value >> 8);
      break;
    case pf24bit:
      row[3 * x] = uint8_t(value);
      row[3 * x + 1] = uint8_t(value >> 8);
      row[3 * x + 2] = uint8_t(value >> 16);
      break;
    default: {
      uint8_t* p = row + 4 * size_t(x);
      p[0] = uint8_t(value);
      p[1] = uint8_t(value >> 8);
      p[2] = uint8_t(value >> 16);
      p[3] = uint8_t(value >> 24);
    }
  }
}

TColor TBitmap::PixelColor(int32_t x, int32_t y) const {
  const uint32_t raw = RawPixel(x, y);
  switch (FPixelFormat) {
    case pf1bit:
    case pf4bit:
    case pf8bit: {
      if (raw >= FPalette.size()) return clBlack;
      const TRGBQuad& q = FPalette[raw];
      return RGBColor(q.Red, q.Green, q.Blue);
    }
    case pf15bit: return RGBColor(Widen5((raw >> 10) & 31), Widen5((raw >> 5) & 31), Widen5(raw & 31));
    case pf16bit: return RGBColor(Widen5((raw >> 11) & 31), Widen6((raw >> 5) & 63), Widen5(raw & 31));
    default: return RGBColor(uint8_t(raw >> 16), uint8_t(raw >> 8), uint8_t(raw));
  }
}

uint32_t TBitmap::RawFor(TColor color) const {
  const uint32_t r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
  switch (FPixelFormat) {
    case pf1bit:
    case pf4bit:
    case pf8bit: {
      uint32_t best = 0;
      uint32_t bestDistance = UINT32_MAX;
      for (size_t i = 0; i < FPalette.size(); ++i) {
        const TRGBQuad& q = FPalette[i];
        const int dr = int(q.Red) - int(r), dg = int(q.Green) - int(g), db = int(q.Blue) - int(b);
        const uint32_t d = uint32_t(dr * dr + dg * dg + db * db);
        if (d < bestDistance) {
          bestDistance = d;
          best = uint32_t(i);
        }
      }
      return best;
    }
    case pf15bit: return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case pf16bit: return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default: return (r << 16) | (g << 8) | b;
  }
}

void TBitmap::SetPixelColor(int32_t x, int32_t y, TColor color) { SetRawPixel(x, y, RawFor(color)); }

void TCanvas::FillRect(const TRect& rect) {
  TBitmap& bmp = FOwner;
  const int32_t left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
  const int32_t right = std::min(rect.Right, bmp.Width()), bottom = std::min(rect.Bottom, bmp.Height());
  if (left >= right || top >= bottom) return;
  const uint32_t raw = bmp.RawFor(Brush.Color);
  for (int32_t y = top; y < bottom; ++y)
    for (int32_t x = left; x < right; ++x) bmp.SetRawPixel(x, y, raw);
}

void TCanvas::Draw(int32_t x, int32_t y, const TBitmap& source) {
  TBitmap& dest = FOwner;
  const int32_t left = std::max(x, 0), top = std::max(y, 0);
  const int32_t right = std::min<int64_t>(int64_t(x) + source.Width(), dest.Width());
  const int32_t bottom = std::min<int64_t>(int64_t(y) + source.Height(), dest.Height());
  if (left >= right || top >= bottom) return;
  const TPixelFormat df = dest.PixelFormat(), sf = source.PixelFormat();
  const bool trueColour = (df == pf24bit || df == pf32bit || df == pfDevice) &&
                          (sf == pf24bit || sf == pf32bit || sf == pfDevice);
  for (int32_t dy = top; dy < bottom; ++dy) {
    const int32_t sy = dy - y;
    if (trueColour) {
      const size_t dn = df == pf24bit ? 3 : 4, sn = sf == pf24bit ? 3 : 4;
      uint8_t* d = dest.ScanLine(dy) + size_t(left) * dn;
      const uint8_t* s = source.ScanLine(sy) + size_t(left - x) * sn;
      for (int32_t dx = left; dx < right; ++dx, d += dn, s += sn) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        if (dn == 4) d[3] = sn == 4 ? s[3] : 0;
      }
    } else if (df == sf && !IsPaletteFormat(df)) {
      for (int32_t dx = left; dx < right; ++dx) dest.SetRawPixel(dx, dy, source.RawPixel(dx - x, sy));
    } else {
      for (int32_t dx = left; dx < right; ++dx) dest.SetPixelColor(dx, dy, source.PixelColor(dx - x, sy));
    }
  }
}

void TCanvas::CopyRect(const TRect& destRect, const TCanvas& source, const TRect& sourceRect) {
  TBitmap& dest = FOwner;
  const TBitmap& src = source.FOwner;
  const int64_t dw = destRect.Width(), dh = destRect.Height();
  const int64_t sw = sourceRect.Width(), sh = sourceRect.Height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const bool sameFormat = dest.PixelFormat() == src.PixelFormat() &&
                          (!IsPaletteFormat(dest.PixelFormat()) || dest.Palette() == src.Palette());
  for (int64_t j = 0; j < dh; ++j) {
    const int64_t dy = destRect.Top + j;
    if (dy < 0 || dy >= dest.Height()) continue;
    const int64_t sy = sourceRect.Top + j * sh / dh;
    if (sy < 0 || sy >= src.Height()) continue;
    for (int64_t i = 0; i < dw; ++i) {
      const int64_t dx = destRect.Left + i;
      if (dx < 0 || dx >= dest.Width()) continue;
      const int64_t sx = sourceRect.Left + i * sw / dw;
      if (sx < 0 || sx >= src.Width()) continue;
      if (sameFormat)
        dest.SetRawPixel(int32_t(dx), int32_t(dy), src.RawPixel(int32_t(sx), int32_t(sy)));
      else
        dest.SetPixelColor(int32_t(dx), int32_t(dy), src.PixelColor(int32_t(sx), int32_t(sy)));
    }
  }
}

TColor TCanvas::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= FOwner.Width() || y >= FOwner.Height()) return clBlack;
  return FOwner.PixelColor(x, y);
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
  if (x < 0 || y < 0 || x >= FOwner.Width() || y >= FOwner.Height()) return;
  FOwner.SetPixelColor(x, y, color);
}

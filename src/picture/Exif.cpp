#include "picture/Exif.h"

#include <cstring>

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr size_t kIfdEntrySize = 12;

// Bounds-checked reads in the block's own byte order.
class TTiffReader {
public:
  TTiffReader(const uint8_t* data, size_t size, bool bigEndian)
      : FData(data), FSize(size), FBigEndian(bigEndian) {}

  bool U16(size_t offset, uint16_t& value) const {
    if (offset > FSize || FSize - offset < 2) return false;
    const uint8_t* p = FData + offset;
    value = FBigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    return true;
  }
  bool U32(size_t offset, uint32_t& value) const {
    if (offset > FSize || FSize - offset < 4) return false;
    const uint8_t* p = FData + offset;
    value = FBigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                       : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    return true;
  }
  size_t Size() const { return FSize; }

private:
  const uint8_t* FData;
  size_t FSize;
  bool FBigEndian;
};

}  // namespace

TOrientation ExifOrientation(const uint8_t* payload, size_t size) {
  static const uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (!payload || size < sizeof kExifHeader || std::memcmp(payload, kExifHeader, sizeof kExifHeader) != 0)
    return orNormal;
  const uint8_t* tiff = payload + sizeof kExifHeader;
  const size_t tiffSize = size - sizeof kExifHeader;
  if (tiffSize < 8) return orNormal;
  bool bigEndian;
  if (tiff[0] == 'I' && tiff[1] == 'I')
    bigEndian = false;
  else if (tiff[0] == 'M' && tiff[1] == 'M')
    bigEndian = true;
  else
    return orNormal;
  const TTiffReader reader(tiff, tiffSize, bigEndian);
  uint16_t magic = 0;
  uint32_t ifdOffset = 0;
  if (!reader.U16(2, magic) || magic != 42 || !reader.U32(4, ifdOffset)) return orNormal;
  // The orientation belongs to IFD0, the picture's own directory; the chain
  // after it (the thumbnail's) is never followed, so it cannot loop.
  uint16_t count = 0;
  if (ifdOffset < 8 || !reader.U16(ifdOffset, count)) return orNormal;
  const size_t entries = size_t(ifdOffset) + 2;
  // A directory that claims more entries than the block holds is damaged as a
  // whole: none of its entries is trusted.
  if (size_t(count) * kIfdEntrySize > reader.Size() - entries) return orNormal;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = entries + i * kIfdEntrySize;
    uint16_t tag = 0, type = 0, value = 0;
    uint32_t values = 0;
    if (!reader.U16(entry, tag) || tag != kOrientationTag) continue;
    if (!reader.U16(entry + 2, type) || !reader.U32(entry + 4, values) || !reader.U16(entry + 8, value))
      return orNormal;
    if (type != kTypeShort || values != 1 || value < orNormal || value > orTurnAnticlockwise) return orNormal;
    return TOrientation(value);
  }
  return orNormal;
}

std::unique_ptr<TBitmap> OrientBitmap(const TBitmap& Source, TOrientation orientation) {
  if (Source.PixelFormat() != pf8bit && Source.PixelFormat() != pf24bit && Source.PixelFormat() != pf32bit) {
    // Packed pixels are turned as colours; only JPEG pictures carry an
    // orientation, and they are never packed.
    TBitmap colours;
    colours.Assign(Source);
    colours.SetPixelFormat(pf24bit);
    return OrientBitmap(colours, orientation);
  }
  const TPixelFormat format = Source.PixelFormat();
  const int32_t width = Source.Width(), height = Source.Height();
  const bool swap = SwapsSides(orientation);
  const int32_t newWidth = swap ? height : width, newHeight = swap ? width : height;
  auto result = std::make_unique<TBitmap>();
  if (format == pf8bit) result->Palette() = Source.Palette();
  result->SetPixelFormat(format);
  result->SetSize(newWidth, newHeight);
  const size_t n = format == pf8bit ? 1 : format == pf24bit ? 3 : 4;
  for (int32_t y = 0; y < newHeight; ++y) {
    uint8_t* d = result->ScanLine(y);
    for (int32_t x = 0; x < newWidth; ++x, d += n) {
      // The stored pixel that lands at (x, y) once the picture is upright.
      int32_t sx = x, sy = y;
      switch (orientation) {
        case orMirrorLeftRight: sx = width - 1 - x; break;
        case orTurn180: sx = width - 1 - x, sy = height - 1 - y; break;
        case orMirrorTopBottom: sy = height - 1 - y; break;
        case orTranspose: sx = y, sy = x; break;
        case orTurnClockwise: sx = y, sy = height - 1 - x; break;
        case orTransverse: sx = width - 1 - y, sy = height - 1 - x; break;
        case orTurnAnticlockwise: sx = width - 1 - y, sy = x; break;
        default: break;
      }
      std::memcpy(d, Source.ScanLine(sy) + size_t(sx) * n, n);
    }
  }
  return result;
}

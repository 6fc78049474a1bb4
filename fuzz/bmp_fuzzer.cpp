// Feeds arbitrary bytes to the BMP decoder. Besides never crashing, the
// decoder must keep its own promises: rows arrive top to bottom with the
// stride of the reported format, Load gives exactly the rows ReadRows gives,
// and what is loaded survives a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/BmpFile.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void RequireSameBitmaps(const TBitmap& a, const TBitmap& b) {
  Require(a.Width() == b.Width() && a.Height() == b.Height());
  Require(a.PixelFormat() == b.PixelFormat() && a.Palette() == b.Palette());
  for (int32_t y = 0; y < a.Height(); ++y)
    Require(std::memcmp(a.ScanLine(y), b.ScanLine(y), a.RowStride()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(data, size);
  try {
    TBmpDecoder decoder(stream);
    Require(decoder.Width() > 0 && decoder.Height() > 0);
    const TPixelFormat format = decoder.PixelFormat();
    Require(format >= pf1bit && format <= pf32bit);
    const size_t stride = TBitmap::StrideFor(decoder.Width(), format);

    std::vector<uint8_t> rows;
    int32_t expected = 0;
    decoder.ReadRows([&](int32_t y, const uint8_t* row) {
      Require(y == expected++);
      rows.insert(rows.end(), row, row + stride);
    });
    Require(expected == decoder.Height());

    TBitmap bitmap;
    decoder.Load(bitmap);
    Require(bitmap.Width() == decoder.Width() && bitmap.Height() == decoder.Height());
    Require(bitmap.PixelFormat() == format && bitmap.Palette() == decoder.Palette());
    for (int32_t y = 0; y < bitmap.Height(); ++y)
      Require(std::memcmp(bitmap.ScanLine(y), rows.data() + size_t(y) * stride, stride) == 0);

    const std::vector<uint8_t> saved = SaveBitmapToMemory(bitmap);
    TMemoryStream again(saved.data(), saved.size());
    TBitmap reloaded;
    TBmpDecoder(again).Load(reloaded);
    RequireSameBitmaps(bitmap, reloaded);
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}

#include "framework/ImgList_win.h"

#include <cstring>
#include <vector>

namespace {

TGdiBitmap DibOf(const TBitmap& image) {
  const BITMAPINFO info = DibHeader(image.Width(), image.Height(), 24);
  void* bits = nullptr;
  TGdiBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) throw Exception(IDS_BITMAP_CREATE_FAILED, {SystemErrorText(GetLastError())});
  const size_t stride = TBitmap::StrideFor(image.Width(), pf24bit);
  for (int32_t y = 0; y < image.Height(); ++y)
    std::memcpy(static_cast<uint8_t*>(bits) + size_t(y) * stride, image.ScanLine(y), stride);
  GdiFlush();
  return bitmap;
}

}  // namespace

TGdiBitmap MonochromeOf(const TBitmap& mask) {
  const int32_t width = mask.Width(), height = mask.Height();
  // A monochrome bitmap's rows are padded to 16 bits.
  const size_t stride = size_t((width + 15) / 16) * 2;
  std::vector<uint8_t> bits(stride * size_t(height), 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      if (mask.PixelColor(x, y) != clBlack)
        bits[size_t(y) * stride + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
  TGdiBitmap bitmap(CreateBitmap(width, height, 1, 1, bits.data()));
  if (!bitmap) throw Exception(IDS_BITMAP_CREATE_FAILED, {SystemErrorText(GetLastError())});
  return bitmap;
}

TImageListHandle ImageListHandleOf(const TImageList& list) {
  TImageListHandle handle(
      ImageList_Create(list.Width(), list.Height(), ILC_COLOR24 | ILC_MASK, list.Count(), 4));
  if (!handle) throw Exception(IDS_IMAGE_LIST_CREATE_FAILED);
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TGdiBitmap image = DibOf(list.Images(i));
    const TGdiBitmap mask = MonochromeOf(list.Masks(i));
    if (ImageList_Add(handle.Get(), image.Get(), mask.Get()) < 0) throw Exception(IDS_IMAGE_LIST_ADD_FAILED);
  }
  return handle;
}

TGdiBitmap AlphaBitmapOf(const TImageList& list, int32_t index) {
  const TBitmap& image = list.Images(index);
  const TBitmap& mask = list.Masks(index);
  const BITMAPINFO info = DibHeader(image.Width(), image.Height(), 32);
  void* bits = nullptr;
  TGdiBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) throw Exception(IDS_BITMAP_CREATE_FAILED, {SystemErrorText(GetLastError())});
  auto* pixels = static_cast<uint8_t*>(bits);
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x) {
      uint8_t* pixel = pixels + (size_t(y) * size_t(image.Width()) + size_t(x)) * 4;
      const bool opaque = mask.PixelColor(x, y) == clBlack;
      const TColor color = image.PixelColor(x, y);
      // Premultiplied: a transparent pixel is all zero.
      pixel[0] = opaque ? BlueOf(color) : 0;
      pixel[1] = opaque ? GreenOf(color) : 0;
      pixel[2] = opaque ? RedOf(color) : 0;
      pixel[3] = opaque ? 255 : 0;
    }
  GdiFlush();
  return bitmap;
}

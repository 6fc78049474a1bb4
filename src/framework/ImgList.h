// The framework's image list: equally sized images, each with a mask, that
// menus show beside their items. Images are held as pf24bit and masks as
// pf1bit; in a mask, white pixels are transparent and black ones opaque. The
// Win32 layer turns the list into an HIMAGELIST when a menu is shown.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Graphics.h"

class TImageList : public TObject {
public:
  // A 16 x 16 list, the framework's default size.
  TImageList() = default;
  TImageList(int32_t width, int32_t height);
  TImageList(const TImageList&) = delete;
  TImageList& operator=(const TImageList&) = delete;
  ~TImageList() override = default;

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  // A change of size empties the list, as the images no longer fit. Sides
  // below 1 raise.
  void SetWidth(int32_t width) { SetSize(width, FHeight); }
  void SetHeight(int32_t height) { SetSize(FWidth, height); }
  void SetSize(int32_t width, int32_t height);

  // Stores copies of image (as pf24bit) and mask (as pf1bit) and returns the
  // new image's index. Without a mask the whole image is opaque. Both must
  // have the list's size.
  int32_t Add(const TBitmap& image, const TBitmap* mask);
  void Clear();
  int32_t Count() const { return int32_t(FImages.size()); }

  // Image and mask i; an index outside the list raises the list-index error.
  const TBitmap& Images(int32_t index) const;
  const TBitmap& Masks(int32_t index) const;

private:
  int32_t FWidth = 16;
  int32_t FHeight = 16;
  std::vector<std::unique_ptr<TBitmap>> FImages;
  std::vector<std::unique_ptr<TBitmap>> FMasks;
};

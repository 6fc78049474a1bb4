#include "framework/ImgList.h"

#include "framework/Classes.h"

namespace {

const TTextId kInvalidImageSize = IDS_IMAGE_SIZE_INVALID;

}  // namespace

TImageList::TImageList(int32_t width, int32_t height) { SetSize(width, height); }

void TImageList::SetSize(int32_t width, int32_t height) {
  if (width < 1 || height < 1) throw Exception(kInvalidImageSize);
  if (width == FWidth && height == FHeight) return;
  Clear();
  FWidth = width;
  FHeight = height;
}

int32_t TImageList::Add(const TBitmap& image, const TBitmap* mask) {
  if (image.Width() != FWidth || image.Height() != FHeight) throw Exception(kInvalidImageSize);
  if (mask && (mask->Width() != FWidth || mask->Height() != FHeight)) throw Exception(kInvalidImageSize);

  auto imageCopy = std::make_unique<TBitmap>();
  imageCopy->Assign(image);
  imageCopy->SetPixelFormat(pf24bit);

  auto maskCopy = std::make_unique<TBitmap>();
  if (mask) {
    maskCopy->Assign(*mask);
    maskCopy->SetPixelFormat(pf1bit);
  } else {
    maskCopy->SetPixelFormat(pf1bit);
    maskCopy->SetSize(FWidth, FHeight);
    maskCopy->Canvas().Brush.Color = clBlack;
    maskCopy->Canvas().FillRect(TRect{0, 0, FWidth, FHeight});
  }

  // Both vectors grow before either takes ownership, so a failure leaves them
  // the same length.
  FImages.reserve(FImages.size() + 1);
  FMasks.reserve(FMasks.size() + 1);
  FImages.push_back(std::move(imageCopy));
  FMasks.push_back(std::move(maskCopy));
  return Count() - 1;
}

void TImageList::Clear() {
  if (FImages.empty()) return;
  FImages.clear();
  FMasks.clear();
}

const TBitmap& TImageList::Images(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return *FImages[size_t(index)];
}

const TBitmap& TImageList::Masks(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return *FMasks[size_t(index)];
}

#include "framework/ImgList.h"

#include <gtest/gtest.h>

namespace {

void Fill(TBitmap& bitmap, TColor color) {
  bitmap.Canvas().Brush.Color = color;
  bitmap.Canvas().FillRect(TRect{0, 0, bitmap.Width(), bitmap.Height()});
}

TEST(ImageList, AddKeepsIndependentCopiesInTheListsFormats) {
  TImageList list(4, 3);
  TBitmap image(4, 3, pf32bit);
  image.Canvas().SetPixel(1, 2, RGBColor(10, 20, 30));
  TBitmap mask(4, 3, pf24bit);
  Fill(mask, clWhite);
  mask.Canvas().SetPixel(1, 2, clBlack);

  EXPECT_EQ(list.Add(image, &mask), 0);
  image.Canvas().SetPixel(1, 2, clWhite);
  mask.Canvas().SetPixel(1, 2, clWhite);

  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Images(0).PixelFormat(), pf24bit);
  EXPECT_EQ(list.Masks(0).PixelFormat(), pf1bit);
  EXPECT_EQ(list.Images(0).PixelColor(1, 2), RGBColor(10, 20, 30));
  EXPECT_EQ(list.Masks(0).PixelColor(1, 2), clBlack);
  EXPECT_EQ(list.Masks(0).PixelColor(0, 0), clWhite);
}

TEST(ImageList, AnImageWithoutMaskIsOpaqueEverywhere) {
  TImageList list(2, 2);
  TBitmap image(2, 2, pf24bit);
  Fill(image, clWhite);
  list.Add(image, nullptr);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(list.Masks(0).PixelColor(x, y), clBlack);
}

TEST(ImageList, ImagesOfAnotherSizeAreRefused) {
  TImageList list(20, 20);
  TBitmap mask(20, 20, pf1bit), shortMask(20, 19, pf1bit);
  EXPECT_THROW(list.Add(TBitmap(16, 16, pf24bit), &mask), Exception);
  EXPECT_THROW(list.Add(TBitmap(20, 20, pf24bit), &shortMask), Exception);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.SetWidth(0), Exception);
  EXPECT_THROW(TImageList(-1, 5), Exception);
}

TEST(ImageList, ResizingEmptiesTheList) {
  TImageList list;
  EXPECT_EQ(list.Width(), 16);
  EXPECT_EQ(list.Height(), 16);
  list.Add(TBitmap(16, 16, pf24bit), nullptr);
  list.SetSize(16, 16);  // same size: nothing happens
  EXPECT_EQ(list.Count(), 1);
  list.SetWidth(20);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Width(), 20);
}

TEST(ImageList, IndexesOutsideTheListRaiseTheListIndexError) {
  TImageList list(2, 2);
  list.Add(TBitmap(2, 2, pf24bit), nullptr);
  EXPECT_THROW(list.Images(1), EListError);
  EXPECT_THROW(list.Masks(-1), EListError);
}

}  // namespace

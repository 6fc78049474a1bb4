#include "picture/History.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// A tile whose every pixel tells where it is and which tile it belongs to.
std::unique_ptr<TBitmap> MakeTile(uint8_t id, int32_t width = 16, int32_t height = 16) {
  auto tile = std::make_unique<TBitmap>(width, height, pf24bit);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      tile->Canvas().SetPixel(x, y, RGBColor(uint8_t(x * 10), uint8_t(y * 10), id));
  return tile;
}

class HistoryTest : public testing::Test {
protected:
  HistoryTest() {
    FHistory = std::make_unique<THistory>(16, &Parent, [this](THistory* sender, const std::string& path) {
      Selected.emplace_back(sender, path);
    });
  }

  THistory& History() { return *FHistory; }
  void Add(const std::string& path, uint8_t id) { History().Add(path, *MakeTile(id)); }

  // The history's entries as the menu shows them, top to bottom, visible only.
  std::vector<std::string> VisibleCaptions() const {
    std::vector<std::string> result;
    for (int32_t i = 0; i < Parent.Count(); ++i)
      if (Parent.Items(i)->Visible && !Parent.Items(i)->IsLine()) result.push_back(Parent.Items(i)->Caption);
    return result;
  }

  TMenuItem Parent;
  std::vector<std::pair<THistory*, std::string>> Selected;
  std::unique_ptr<THistory> FHistory;
};

TEST_F(HistoryTest, ANewHistoryHasHiddenEntriesOneSeparatorAndADisabledParent) {
  ASSERT_EQ(Parent.Count(), 17);
  EXPECT_EQ(Parent.Items(1)->Caption, "-");
  EXPECT_TRUE(Parent.Items(1)->Visible);
  for (int32_t i = 0; i < 17; ++i) {
    if (i != 1) {
      EXPECT_FALSE(Parent.Items(i)->Visible) << i;
    }
  }
  EXPECT_FALSE(Parent.Enabled);
  EXPECT_EQ(Parent.SubMenuImages, &History().Images());
  EXPECT_EQ(History().Images().Width(), 20);
  EXPECT_EQ(History().Images().Height(), 20);
  EXPECT_EQ(History().Images().Count(), 0);
  EXPECT_EQ(History().Count(), 0);
  // History entry i sits below the separator from entry 1 on.
  EXPECT_EQ(History().MenuItems(0), Parent.Items(0));
  EXPECT_EQ(History().MenuItems(1), Parent.Items(2));
  EXPECT_EQ(History().MenuItems(15), Parent.Items(16));
  EXPECT_THROW(History().MenuItems(16), EListError);
}

TEST_F(HistoryTest, OneAddShowsTheFirstEntryAndEnablesTheParent) {
  Add("C:\\写真\\a.jpg", 1);
  TMenuItem* first = History().MenuItems(0);
  EXPECT_EQ(first->Caption, "C:\\写真\\a.jpg");
  EXPECT_TRUE(first->Visible);
  EXPECT_EQ(first->ImageIndex, 0);
  EXPECT_EQ(first->Tag, 0);
  EXPECT_EQ(Parent.Items(1)->Caption, "-");
  for (int32_t i = 1; i < 16; ++i) EXPECT_FALSE(History().MenuItems(i)->Visible) << i;
  EXPECT_TRUE(Parent.Enabled);
  EXPECT_EQ(History().Images().Count(), 1);
}

TEST_F(HistoryTest, TheNewestComesFirstAndTheOldestGoesBeyondTheCapacity) {
  for (int i = 1; i <= 17; ++i) Add(std::string("P") + std::to_string(i), uint8_t(i));
  std::vector<std::string> expected;
  for (int i = 17; i >= 2; --i) expected.push_back(std::string("P") + std::to_string(i));
  EXPECT_EQ(VisibleCaptions(), expected);
  ASSERT_EQ(History().Count(), 16);
  ASSERT_EQ(History().Images().Count(), 16);
  for (int32_t i = 0; i < 16; ++i) {
    const uint8_t id = uint8_t(17 - i);
    EXPECT_EQ(History().Paths(i), std::string("P") + std::to_string(id));
    EXPECT_EQ(BlueOf(History().Tiles(i).PixelColor(0, 0)), id) << i;
    // Image i is entry i's thumbnail, whatever menu position shows it.
    EXPECT_EQ(BlueOf(History().Images().Images(i).PixelColor(2, 2)), id) << i;
    EXPECT_EQ(History().MenuItems(i)->ImageIndex, i);
    EXPECT_EQ(History().MenuItems(i)->Tag, i);
  }
}

TEST_F(HistoryTest, TheSamePathTwiceGivesTwoEntries) {
  Add("same.jpg", 1);
  Add("same.jpg", 2);
  EXPECT_THAT(VisibleCaptions(), testing::ElementsAre("same.jpg", "same.jpg"));
}

TEST_F(HistoryTest, TheTileIsCopiedSoLaterChangesOfTheCallersTileDoNotShow) {
  auto tile = MakeTile(7);
  History().Add("a.bmp", *tile);
  tile->Canvas().SetPixel(0, 0, clWhite);
  tile->SetSize(3, 3);
  Add("b.bmp", 8);  // rebuilds every thumbnail from the kept copies
  EXPECT_EQ(History().Tiles(1).Width(), 16);
  EXPECT_EQ(History().Tiles(1).PixelColor(0, 0), RGBColor(0, 0, 7));
  EXPECT_EQ(History().Images().Images(1).PixelColor(2, 2), RGBColor(0, 0, 7));
}

TEST_F(HistoryTest, ThumbnailsCentreTheTileOnWhiteWithATransparentBorder) {
  Add("a.jpg", 5);
  const TBitmap& image = History().Images().Images(0);
  const TBitmap& mask = History().Images().Masks(0);
  ASSERT_EQ(image.PixelFormat(), pf24bit);
  ASSERT_EQ(mask.PixelFormat(), pf1bit);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 20; ++x) {
      const bool inside = x >= 2 && x < 18 && y >= 2 && y < 18;
      EXPECT_EQ(mask.PixelColor(x, y), inside ? clBlack : clWhite) << x << "," << y;
      const TColor expected = inside ? RGBColor(uint8_t((x - 2) * 10), uint8_t((y - 2) * 10), 5) : clWhite;
      EXPECT_EQ(image.PixelColor(x, y), expected) << x << "," << y;
    }
}

TEST_F(HistoryTest, TilesOfOtherSizesAreCentredWithTruncatingHalves) {
  History().Add("small", *MakeTile(1, 9, 6));
  const TBitmap& mask = History().Images().Masks(0);
  // (20 - 9) div 2 = 5, (20 - 6) div 2 = 7.
  EXPECT_EQ(mask.PixelColor(4, 7), clWhite);
  EXPECT_EQ(mask.PixelColor(5, 7), clBlack);
  EXPECT_EQ(mask.PixelColor(13, 12), clBlack);
  EXPECT_EQ(mask.PixelColor(14, 12), clWhite);
  EXPECT_EQ(mask.PixelColor(13, 13), clWhite);
  EXPECT_EQ(History().Images().Images(0).PixelColor(5, 7), RGBColor(0, 0, 1));

  // A tile larger than the thumbnail starts left of and above it: (20 - 25) div 2 = -2.
  History().Add("large", *MakeTile(2, 25, 25));
  const TBitmap& large = History().Images().Images(0);
  EXPECT_EQ(large.PixelColor(0, 0), RGBColor(20, 20, 2));
  EXPECT_EQ(History().Images().Masks(0).PixelColor(19, 19), clBlack);
}

TEST_F(HistoryTest, AtAnotherDpiThumbnailsTakeTheMenuImageSizeAndKeepTheirTilesUnscaled) {
  History().Add("a", *MakeTile(3, 24, 24));
  History().SetThumbnailSize(30);  // 150 %: a 24-px tile with a 3-px border
  ASSERT_EQ(History().Images().Width(), 30);
  ASSERT_EQ(History().Images().Count(), 1);
  const TBitmap& mask = History().Images().Masks(0);
  EXPECT_EQ(mask.PixelColor(2, 2), clWhite);
  EXPECT_EQ(mask.PixelColor(3, 3), clBlack);
  EXPECT_EQ(mask.PixelColor(26, 26), clBlack);
  EXPECT_EQ(mask.PixelColor(27, 27), clWhite);
  EXPECT_EQ(History().Images().Images(0).PixelColor(3, 3), RGBColor(0, 0, 3));
}

TEST_F(HistoryTest, ChoosingAnEntryHandsItsPathFoundThroughTheTagToTheHandler) {
  Add("P1", 1);
  Add("P2", 2);
  Add("P3", 3);
  // The third picture from the top is the menu's fourth item, below the separator.
  Parent.Items(3)->Click();
  ASSERT_EQ(Selected.size(), 1u);
  EXPECT_EQ(Selected[0].first, &History());
  EXPECT_EQ(Selected[0].second, "P1");
  // The tag, not the item's position, decides which entry is meant.
  History().MenuItems(2)->Tag = 0;
  History().MenuItems(2)->Click();
  ASSERT_EQ(Selected.size(), 2u);
  EXPECT_EQ(Selected[1].second, "P3");
}

TEST_F(HistoryTest, WithoutAHandlerChoosingDoesNothing) {
  TMenuItem parent;
  THistory history(4, &parent, nullptr);
  history.Add("x", *MakeTile(1));
  parent.Items(0)->Click();
  history.ItemClick(parent.Items(0));
  EXPECT_EQ(history.Count(), 1);
  EXPECT_TRUE(Selected.empty());
}

TEST_F(HistoryTest, DeleteAndClearForgetEntriesAndHideTheirItems) {
  Add("P1", 1);
  Add("P2", 2);
  Add("P3", 3);
  History().Delete(1);
  EXPECT_THAT(VisibleCaptions(), testing::ElementsAre("P3", "P1"));
  EXPECT_EQ(BlueOf(History().Images().Images(1).PixelColor(2, 2)), 1);
  EXPECT_FALSE(History().MenuItems(2)->Visible);
  EXPECT_THROW(History().Delete(2), EListError);
  EXPECT_THROW(History().Delete(-1), EListError);
  EXPECT_EQ(History().Count(), 2);

  History().Clear();
  EXPECT_EQ(History().Count(), 0);
  EXPECT_TRUE(VisibleCaptions().empty());
  EXPECT_EQ(History().Images().Count(), 0);
  EXPECT_FALSE(Parent.Enabled);
  EXPECT_TRUE(Parent.Items(1)->Visible);
}

TEST_F(HistoryTest, DestroyingTheHistoryLeavesTheParentSafe) {
  Add("P1", 1);
  FHistory.reset();
  EXPECT_EQ(Parent.SubMenuImages, nullptr);
  EXPECT_FALSE(Parent.Enabled);
  EXPECT_EQ(Parent.Count(), 17);
  EXPECT_FALSE(Parent.Items(0)->Visible);
  // A click that arrives after the history has gone reaches nobody.
  Parent.Items(0)->Click();
  EXPECT_TRUE(Selected.empty());
}

TEST(HistorySizes, SmallCapacitiesLayOutAsDescribed) {
  TMenuItem none;
  {
    THistory history(0, &none, nullptr);
    EXPECT_EQ(none.Count(), 0);
    history.Add("gone", TBitmap(16, 16, pf24bit));
    EXPECT_EQ(history.Count(), 0);
    EXPECT_FALSE(none.Enabled);
  }
  TMenuItem one;
  THistory history(1, &one, nullptr);
  ASSERT_EQ(one.Count(), 2);
  EXPECT_TRUE(one.Items(1)->IsLine());
  history.Add("a", TBitmap(16, 16, pf24bit));
  history.Add("b", TBitmap(16, 16, pf24bit));
  EXPECT_EQ(history.Count(), 1);
  EXPECT_EQ(one.Items(0)->Caption, "b");
  EXPECT_THROW(THistory(4, nullptr, nullptr), Exception);
}

}  // namespace

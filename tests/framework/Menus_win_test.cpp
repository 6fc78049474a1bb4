#include "framework/Menus_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "framework/ImgList.h"
#include "framework/ImgList_win.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;
using testing::ElementsAre;

std::string MenuText(HMENU menu, UINT position) {
  wchar_t text[256] = {};
  GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
  return Utf8Of(text);
}

MENUITEMINFOW ItemInfo(HMENU menu, UINT position) {
  MENUITEMINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_BITMAP | MIIM_ID | MIIM_SUBMENU;
  GetMenuItemInfoW(menu, position, TRUE, &info);
  return info;
}

// A model like the right-click menu: hidden items, action-linked items, lines.
class MenuRenderingTest : public testing::Test {
protected:
  void SetUp() override {
    auto add = [this](const std::string& caption) { return Root.Add(std::make_unique<TMenuItem>(caption)); };
    add("開く(&O)")->Visible = false;
    Play.Link(add(""));
    Stop.Link(add(""));
    Stop.SetEnabled(false);
    add("-");
    TMenuItem* withImage = add("C:\\pictures\\a.jpg");
    withImage->ImageIndex = 0;
    withImage->Default = true;
    TBitmap image(20, 20, pf24bit), mask(20, 20, pf1bit);
    image.Canvas().Brush.Color = RGBColor(200, 10, 10);
    image.Canvas().FillRect(TRect{0, 0, 20, 20});
    mask.Canvas().Brush.Color = clWhite;
    mask.Canvas().FillRect(TRect{0, 0, 20, 20});
    mask.Canvas().Brush.Color = clBlack;
    mask.Canvas().FillRect(TRect{2, 2, 18, 18});
    Images.Add(image, &mask);
    Root.SubMenuImages = &Images;
    TMenuItem* sub = add("その他");
    sub->Add(std::make_unique<TMenuItem>("内側"));
  }

  TMenuItem Root;
  TImageList Images{20, 20};
  TAction Play{102, "再生(&P)"};
  TAction Stop{103, "停止(&S)"};
};

TEST_F(MenuRenderingTest, TheBuiltMenuShowsTheVisibleItemsWithTheirStatesAndImages) {
  TWinMenu menu;
  menu.Build(Root, false);
  const HMENU handle = menu.Handle();
  ASSERT_EQ(GetMenuItemCount(handle), 5) << "the hidden item is left out";
  EXPECT_EQ(MenuText(handle, 0), "再生(&P)");
  EXPECT_EQ(MenuText(handle, 1), "停止(&S)");
  EXPECT_EQ(ItemInfo(handle, 0).fState & MFS_DISABLED, 0u);
  EXPECT_NE(ItemInfo(handle, 1).fState & MFS_DISABLED, 0u) << "follows the action's enabled state";
  EXPECT_NE(ItemInfo(handle, 2).fType & MFT_SEPARATOR, 0u);
  const MENUITEMINFOW picture = ItemInfo(handle, 3);
  EXPECT_NE(picture.fState & MFS_DEFAULT, 0u);
  ASSERT_NE(picture.hbmpItem, nullptr);
  BITMAP bitmap = {};
  GetObjectW(picture.hbmpItem, sizeof(bitmap), &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 20);
  EXPECT_EQ(bitmap.bmHeight, 20);
  EXPECT_EQ(bitmap.bmBitsPixel, 32);
  const MENUITEMINFOW sub = ItemInfo(handle, 4);
  ASSERT_NE(sub.hSubMenu, nullptr);
  EXPECT_EQ(MenuText(sub.hSubMenu, 0), "内側");
  // Command numbers lead back to the model's items.
  EXPECT_EQ(menu.ItemById(ItemInfo(handle, 0).wID), Root.Items(1));
  EXPECT_EQ(menu.ItemById(ItemInfo(handle, 3).wID), Root.Items(4));
  EXPECT_EQ(menu.ItemById(1), nullptr);
  // A change of the action shows at the next build.
  Play.SetCaption("もう一度");
  menu.Build(Root, false);
  EXPECT_EQ(MenuText(menu.Handle(), 0), "もう一度");
}

TEST_F(MenuRenderingTest, AlphaBitmapsAreOpaqueWhereTheMaskIsBlack) {
  const TGdiBitmap bitmap = AlphaBitmapOf(Images, 0);
  DIBSECTION section = {};
  ASSERT_EQ(GetObjectW(bitmap.Get(), sizeof(section), &section), int(sizeof(section)));
  const auto* pixels = static_cast<const uint8_t*>(section.dsBm.bmBits);
  // Top-down rows of four bytes: (0, 0) transparent, (5, 5) opaque red.
  EXPECT_EQ(pixels[3], 0);
  const uint8_t* inside = pixels + (5 * 20 + 5) * 4;
  EXPECT_EQ(inside[0], 10);
  EXPECT_EQ(inside[2], 200);
  EXPECT_EQ(inside[3], 255);
  const TImageListHandle list = ImageListHandleOf(Images);
  EXPECT_EQ(ImageList_GetImageCount(list.Get()), 1);
}

// The popup itself: opened at a point, read, photographed and chosen from by
// another thread.
TEST_F(MenuRenderingTest, APopupReturnsTheChosenItemAndClicksItOnlyAfterwards) {
  TWindowHandle owner(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
  int played = 0;
  Play.OnExecute = [&played](TAction*) { ++played; };
  std::thread user([&] {
    HWND popup = nullptr;
    WaitUntil([&] { return (popup = FindVisibleWindow(nullptr, L"#32768")) != nullptr; });
    SaveShot(SettledShot(popup).get(), "menu-model.bmp");
    // Down to the first item and choose it.
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
  });
  SetForegroundWindow(owner.Get());
  TMenuItem* chosen = TrackMenu(Root, owner.Get(), 200, 200);
  user.join();
  ASSERT_EQ(chosen, Root.Items(1));
  TWinMessageBoxes boxes;
  TApplication application(boxes);
  PostMenuClick(application, Root, chosen);
  EXPECT_EQ(played, 0) << "not before the message loop gets there";
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_EQ(played, 1);
}

}  // namespace

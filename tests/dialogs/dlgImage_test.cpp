#include "dialogs/dlgImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/BmpFile.h"
#include "support/TestSupport.h"

namespace {

using testing::ElementsAre;

// --- Placement ---------------------------------------------------------------------

// A 1280 x 1024 screen; the work area is what each task-bar side leaves.
constexpr int32_t kW = 270, kH = 320;

TEST(PlaceNear, TaskBarAtTheBottomPutsTheRightEdgeAtTheClickAndTheBottomAboveTheBar) {
  const TRect work{0, 0, 1280, 994};
  const TPoint place = PlaceNear(TPoint{1200, 1010}, kW, kH, work);
  EXPECT_EQ(place, (TPoint{1200 - kW, 994 - 8 - kH}));
  // A click inside the work area is treated the same way.
  EXPECT_EQ(PlaceNear(TPoint{700, 500}, kW, kH, work), (TPoint{700 - kW, 994 - 8 - kH}));
}

TEST(PlaceNear, TaskBarOnTheLeftKeepsEightPixelsFromIt) {
  const TRect work{60, 0, 1280, 1024};
  EXPECT_EQ(PlaceNear(TPoint{30, 900}, kW, kH, work), (TPoint{60 + 8, 900 - kH}));
  EXPECT_EQ(PlaceNear(TPoint{60, 900}, kW, kH, work), (TPoint{68, 900 - kH})) << "the edge itself counts";
}

TEST(PlaceNear, TaskBarOnTheRightKeepsEightPixelsFromIt) {
  const TRect work{0, 0, 1220, 1024};
  EXPECT_EQ(PlaceNear(TPoint{1250, 900}, kW, kH, work), (TPoint{1220 - 8 - kW, 900 - kH}));
}

TEST(PlaceNear, TaskBarAtTheTopPutsTheWindowBelowIt) {
  const TRect work{0, 30, 1280, 1024};
  EXPECT_EQ(PlaceNear(TPoint{1200, 10}, kW, kH, work), (TPoint{1200 - kW, 30 + 8}));
}

TEST(PlaceNear, TheWindowIsPulledIntoTheWorkArea) {
  const TRect work{0, 0, 1280, 994};
  // So far left that the window would leave the work area.
  EXPECT_EQ(PlaceNear(TPoint{100, 1010}, kW, kH, work).X, 0);
  // Task bar on the left and the click near the top: pulled down to the top.
  EXPECT_EQ(PlaceNear(TPoint{-5, 50}, kW, kH, TRect{40, 0, 1280, 1024}), (TPoint{48, 0}));
  // Task bar on the right, click near the top.
  EXPECT_EQ(PlaceNear(TPoint{1300, 100}, kW, kH, TRect{0, 0, 1220, 1024}), (TPoint{1220 - 8 - kW, 0}));
  // Larger than the work area: the right and bottom edges win.
  EXPECT_EQ(PlaceNear(TPoint{150, 500}, 400, 300, TRect{10, 20, 210, 220}), (TPoint{210 - 400, 220 - 300}));
}

TEST(PreviewPaths, FolderAndNameSplitAtTheLastBackslash) {
  EXPECT_EQ(FolderOfPath("C:\\Pictures\\Trip\\a.jpg"), "C:\\Pictures\\Trip");
  EXPECT_EQ(NameOfPath("C:\\Pictures\\Trip\\a.jpg"), "a.jpg");
  EXPECT_EQ(FolderOfPath("C:\\a.jpg"), "C:");
  EXPECT_EQ(FolderOfPath("a.jpg"), "");
  EXPECT_EQ(NameOfPath("a.jpg"), "a.jpg");
}

// --- The dialog against a fake window -------------------------------------------------

struct TWindowLog {
  int Created = 0;
  int Shown = 0;
  int Fronted = 0;
  std::vector<std::string> Opened;
  std::string Caption, Hint;
  TPoint Position{-1, -1};
  int32_t ClientWidth = 0, ClientHeight = 0;
  bool ShowMainFormWhileShown = false;
  int32_t Dpi = 96;
  TMenuItem* MainMenu = nullptr;
  TMenuItem* PopupMenu = nullptr;
};

class TFakePreviewWindow : public TImagePreviewUi {
public:
  TFakePreviewWindow(TWindowLog& log, std::function<void(TImagePreviewDialog&)> user)
      : FLog(log), FUser(std::move(user)) {
    ++FLog.Created;
  }
  void SetDialog(TImagePreviewDialog* dialog) override { FDialog = dialog; }
  void SetClientSize(int32_t width, int32_t height) override {
    FLog.ClientWidth = width;
    FLog.ClientHeight = height;
  }
  // A border of 3, a caption of 20 and a menu bar of 19 pixels.
  void OuterSize(int32_t& width, int32_t& height) override {
    width = FLog.ClientWidth + 6;
    height = FLog.ClientHeight + 6 + 20 + 19;
  }
  int32_t Dpi() override { return FLog.Dpi; }
  TRect WorkArea() override { return TRect{0, 0, 1024, 738}; }
  void SetPosition(int32_t left, int32_t top) override { FLog.Position = {left, top}; }
  void SetCaption(const std::string& caption) override { FLog.Caption = caption; }
  void SetHint(const std::string& hint) override { FLog.Hint = hint; }
  void SetMenus(TMenuItem& mainMenu, TMenuItem& popupMenu) override {
    FLog.MainMenu = &mainMenu;
    FLog.PopupMenu = &popupMenu;
  }
  TColor FaceColor() override { return RGBColor(212, 208, 200); }
  void Invalidate() override {}
  void ShowModal() override {
    ++FLog.Shown;
    if (FUser) FUser(*FDialog);
  }
  void BringToFront() override { ++FLog.Fronted; }
  void ShellOpen(const std::string& path) override { FLog.Opened.push_back(path); }

private:
  TWindowLog& FLog;
  std::function<void(TImagePreviewDialog&)> FUser;
  TImagePreviewDialog* FDialog = nullptr;
};

class TRecordingBoxes : public TMessageBoxes {
public:
  std::vector<std::vector<std::string>> Shown;
  void Show(const std::string& text, const std::string& caption, TMsgDlgType type) override {
    Shown.push_back({text, caption, std::to_string(int(type))});
  }
};

class PreviewDialogTest : public testing::Test {
protected:
  void SetUp() override {
    App.Title = "Kobaru";
    App.ShowMainForm = false;
  }

  std::string Picture(int32_t width, int32_t height, const std::string& name = "p.bmp") {
    TBitmap bitmap(width, height, pf24bit);
    FillRandom(bitmap, uint32_t(width * 7 + height));
    const std::string path = Temp.File(name);
    SaveBitmapToFile(path, bitmap);
    return path;
  }
  TPreviewServices Services(std::function<void(TImagePreviewDialog&)> user) {
    return TPreviewServices{App,
                            [](const std::string& path) { return std::filesystem::is_regular_file(path); },
                            [this, user] { return std::make_unique<TFakePreviewWindow>(Log, user); },
                            [this](const std::string& path) { Hidden = path; }};
  }
  std::string Hidden;

  TRecordingBoxes Boxes;
  TApplication App{Boxes};
  TTempDir Temp;
  TWindowLog Log;
};

TEST_F(PreviewDialogTest, ALargePictureIsReducedToTheLongerSide256AndCentred) {
  const std::string path = Picture(1024, 768);
  TImagePreviewDialog::ShowPreviewDialog(
      Services([&](TImagePreviewDialog& dialog) {
        EXPECT_EQ(TImagePreviewDialog::OpenDialog(), &dialog);
        EXPECT_TRUE(App.ShowMainForm);
        EXPECT_EQ(dialog.Preview().Width(), 256);
        EXPECT_EQ(dialog.Preview().Height(), 192);
        const TPoint origin = TImagePreviewDialog::PreviewOrigin(256, 256, dialog.Preview());
        EXPECT_EQ(origin, (TPoint{0, 32}));
        // Nearest neighbour: every fourth source pixel.
        TBitmap source;
        LoadBitmapFromFile(path, source);
        EXPECT_EQ(dialog.Preview().PixelColor(10, 10), source.PixelColor(40, 40));
        const auto client = dialog.ClientImage(256, 256);
        EXPECT_EQ(client->PixelColor(5, 31), RGBColor(212, 208, 200));
        EXPECT_EQ(client->PixelColor(5, 32), dialog.Preview().PixelColor(5, 0));
        EXPECT_EQ(client->PixelColor(5, 223), dialog.Preview().PixelColor(5, 191));
        EXPECT_EQ(client->PixelColor(5, 224), RGBColor(212, 208, 200));
      }),
      TPoint{1000, 750}, path);
  EXPECT_EQ(Log.Shown, 1);
  EXPECT_EQ(Log.Caption, NameOfPath(path));
  EXPECT_EQ(Log.Hint, path);
  EXPECT_EQ(Log.ClientWidth, 256);
  EXPECT_EQ(Log.ClientHeight, 256);
  EXPECT_EQ(Log.Position, (TPoint{1000 - 262, 738 - 8 - 301}));
  EXPECT_EQ(TImagePreviewDialog::OpenDialog(), nullptr);
  EXPECT_FALSE(App.ShowMainForm);
}

TEST_F(PreviewDialogTest, SmallPicturesKeepTheirSizeAndSquareOnesFillTheArea) {
  const std::string small = Picture(100, 50, "small.bmp");
  TImagePreviewDialog::ShowPreviewDialog(
      Services([&](TImagePreviewDialog& dialog) {
        TBitmap source;
        LoadBitmapFromFile(small, source);
        ASSERT_EQ(dialog.Preview().Width(), 100);
        ASSERT_EQ(dialog.Preview().Height(), 50);
        EXPECT_EQ(dialog.Preview().PixelColor(99, 49), source.PixelColor(99, 49));
        EXPECT_EQ(TImagePreviewDialog::PreviewOrigin(256, 256, dialog.Preview()), (TPoint{78, 103}));
      }),
      TPoint{500, 500}, small);
  const std::string square = Picture(300, 300, "square.bmp");
  TImagePreviewDialog::ShowPreviewDialog(
      Services([&](TImagePreviewDialog& dialog) {
        EXPECT_EQ(dialog.Preview().Width(), 256);
        EXPECT_EQ(dialog.Preview().Height(), 256);
        const auto client = dialog.ClientImage(256, 256);
        EXPECT_EQ(client->PixelColor(0, 0), dialog.Preview().PixelColor(0, 0));
        EXPECT_EQ(client->PixelColor(255, 255), dialog.Preview().PixelColor(255, 255));
      }),
      TPoint{500, 500}, square);
  EXPECT_EQ(Log.Shown, 2);
}

TEST_F(PreviewDialogTest, ASecondRequestWhileOneIsOpenOnlyBringsItForward) {
  const std::string first = Picture(40, 30, "first.bmp");
  const std::string second = Picture(20, 20, "second.bmp");
  TImagePreviewDialog::ShowPreviewDialog(
      Services([&](TImagePreviewDialog& dialog) {
        TImagePreviewDialog::ShowPreviewDialog(Services(nullptr), TPoint{1, 1}, second);
        EXPECT_EQ(dialog.FileName(), first);
        EXPECT_EQ(dialog.Preview().Width(), 40);
      }),
      TPoint{500, 500}, first);
  EXPECT_EQ(Log.Created, 1);
  EXPECT_EQ(Log.Shown, 1);
  EXPECT_EQ(Log.Fronted, 1);
  EXPECT_EQ(Log.Caption, NameOfPath(first));
}

TEST_F(PreviewDialogTest, AMissingFileShowsTheErrorBoxWithThePathOnTheSecondLine) {
  TImagePreviewDialog::ShowPreviewDialog(Services(nullptr), TPoint{1, 1}, "C:\\Gone\\x.jpg");
  EXPECT_EQ(Log.Created, 0);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0][0], "ファイルが見付かりません\rC:\\Gone\\x.jpg");
  EXPECT_EQ(Boxes.Shown[0][1], "エラー");
  EXPECT_EQ(Boxes.Shown[0][2], std::to_string(int(mtError)));
}

TEST_F(PreviewDialogTest, AFileGoneBeforeLoadingLeavesAnEmptyPictureArea) {
  const std::string path = Picture(40, 30);
  int checks = 0;
  TPreviewServices services = Services([&](TImagePreviewDialog& dialog) {
    EXPECT_TRUE(dialog.Preview().Empty());
    const auto client = dialog.ClientImage(256, 256);
    EXPECT_EQ(client->PixelColor(128, 128), RGBColor(212, 208, 200));
  });
  // Present when asked first, gone when the dialog loads it.
  services.FileExists = [&](const std::string&) { return checks++ == 0; };
  TImagePreviewDialog::ShowPreviewDialog(services, TPoint{1, 1}, path);
  EXPECT_EQ(Log.Shown, 1);
  EXPECT_EQ(Log.Caption, NameOfPath(path));
}

TEST_F(PreviewDialogTest, AnUndecodablePictureFreesTheDialogBeforeTheErrorPassesOn) {
  const std::string path = Temp.File("broken.bmp");
  WriteWholeFile(path, {'B', 'M', 1, 2, 3});
  EXPECT_THROW(TImagePreviewDialog::ShowPreviewDialog(Services(nullptr), TPoint{1, 1}, path), Exception);
  EXPECT_EQ(TImagePreviewDialog::OpenDialog(), nullptr);
  EXPECT_EQ(Log.Shown, 0);
  EXPECT_FALSE(App.ShowMainForm);
}

TEST_F(PreviewDialogTest, MenusOpenThePictureAndItsFolderAndADoubleClickOpensThePicture) {
  const std::string path = Picture(10, 10, "pic.bmp");
  TImagePreviewDialog::ShowPreviewDialog(Services([&](TImagePreviewDialog& dialog) {
                                           for (TMenuItem* menu : {Log.MainMenu, Log.PopupMenu}) {
                                             ASSERT_NE(menu, nullptr);
                                             ASSERT_EQ(menu->Count(), menu == Log.PopupMenu ? 4 : 2);
                                             EXPECT_EQ(menu->Items(0)->Caption, "開く(&O)");
                                             EXPECT_TRUE(menu->Items(0)->Default);
                                             EXPECT_EQ(menu->Items(1)->Caption, "フォルダを開く(&F)");
                                             EXPECT_FALSE(menu->Items(1)->Default);
                                           }
                                           Log.MainMenu->Items(0)->Click();
                                           Log.PopupMenu->Items(1)->Click();
                                           EXPECT_EQ(Log.PopupMenu->Items(3)->Caption,
                                                     "この画像を表示しない(&H)");
                                           Log.PopupMenu->Items(3)->Click();
                                           dialog.FormDblClick();
                                           dialog.FormShow();
                                         }),
                                         TPoint{1, 1}, path);
  EXPECT_THAT(Log.Opened, ElementsAre(path, FolderOfPath(path), path));
  EXPECT_EQ(Hidden, path) << "Never show, in the right-click menu only";
  EXPECT_EQ(Log.Fronted, 1);
}

}  // namespace

TEST_F(PreviewDialogTest, AtAnotherDpiTheAreaGrowsAndPhotosShowUpright) {
  Log.Dpi = 144;  // 150 %: the 256-px limit becomes 384
  const std::string large = Picture(1024, 768);
  TImagePreviewDialog::ShowPreviewDialog(Services([&](TImagePreviewDialog& dialog) {
                                           EXPECT_EQ(dialog.PreviewSide(), 384);
                                           EXPECT_EQ(dialog.Preview().Width(), 384);
                                           EXPECT_EQ(dialog.Preview().Height(), 288);
                                         }),
                                         TPoint{1000, 750}, large);
  EXPECT_EQ(Log.ClientWidth, 384);
  EXPECT_EQ(Log.ClientHeight, 384);

  // Stored 32 x 64 on its side (orientation 6): shown 64 x 32, red top left.
  TImagePreviewDialog::ShowPreviewDialog(
      Services([&](TImagePreviewDialog& dialog) {
        ASSERT_EQ(dialog.Preview().Width(), 64);
        ASSERT_EQ(dialog.Preview().Height(), 32);
        const TColor topLeft = dialog.Preview().PixelColor(4, 4),
                     bottomRight = dialog.Preview().PixelColor(60, 28);
        EXPECT_GT(RedOf(topLeft), 250);
        EXPECT_LT(GreenOf(topLeft) + BlueOf(topLeft), 8);
        EXPECT_GT(RedOf(bottomRight) + GreenOf(bottomRight) + BlueOf(bottomRight), 750);
      }),
      TPoint{1000, 750}, TestDataPath("jpeg/orientation-6.jpg"));
}

#include "dialogs/dlgImage_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;

class TRecordingBoxes : public TMessageBoxes {
public:
  std::vector<std::string> Shown;
  void Show(const std::string& text, const std::string& caption, TMsgDlgType) override {
    Shown.push_back(caption + "|" + text);
  }
};

std::string GSecondPath;
TApplication* GApplication = nullptr;
std::atomic<bool> GSecondRequestHandled{false};

LRESULT CALLBACK SecondRequestHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_APP + 77) {
    ShowPreviewDialog(*GApplication, TPoint{10, 10}, GSecondPath);
    GSecondRequestHandled = true;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class PreviewWindowTest : public testing::Test {
protected:
  void SetUp() override {
    App.Title = "Kobaru";
    App.ShowMainForm = false;
  }
  // A picture in two halves: red on the left, blue on the right.
  std::string Picture(int32_t width, int32_t height, const std::string& name) {
    TBitmap bitmap(width, height, pf24bit);
    bitmap.Canvas().Brush.Color = RGBColor(220, 0, 0);
    bitmap.Canvas().FillRect(TRect{0, 0, width / 2, height});
    bitmap.Canvas().Brush.Color = RGBColor(0, 0, 220);
    bitmap.Canvas().FillRect(TRect{width / 2, 0, width, height});
    const std::string path = vemo_test::Utf8FromPath(Temp.FsPath() / vemo_test::PathFromUtf8(name));
    SaveBitmapToFile(path, bitmap);
    return path;
  }

  TRecordingBoxes Boxes;
  TApplication App{Boxes};
  TTempFolder Temp{"vemo-preview"};
};

TEST_F(PreviewWindowTest, ShowsThePictureCentredNearThePointAndFocusesOnASecondRequest) {
  const std::string path = Picture(1024, 768, "横長.bmp");
  const std::string other = Picture(50, 50, "other.bmp");
  std::string caption;
  RECT client = {}, outer = {}, work = {};
  std::unique_ptr<TBitmap> shot;
  std::vector<std::string> menuBar;
  bool stillOne = false;
  std::thread user([&] {
    const HWND preview = WaitForWindow(L"横長.bmp", kPreviewWindowClass);
    if (!preview) {
      // Whatever opened instead must not keep the test waiting.
      const HWND any = FindWindowW(kPreviewWindowClass, nullptr);
      ADD_FAILURE() << "no preview window; one of the class: " << (any ? TextOf(any) : "none")
                    << (any && IsWindowVisible(any) ? " (visible)" : "");
      if (any) PostMessageW(any, WM_CLOSE, 0, 0);
      return;
    }
    caption = TextOf(preview);
    GetClientRect(preview, &client);
    GetWindowRect(preview, &outer);
    const HMENU bar = GetMenu(preview);
    for (int i = 0; bar && i < GetMenuItemCount(bar); ++i) {
      wchar_t text[64] = {};
      GetMenuStringW(bar, UINT(i), text, 64, MF_BYPOSITION);
      menuBar.push_back(Utf8Of(text));
    }
    (void)PaintedShot(preview);
    POINT origin = {0, 0};
    ClientToScreen(preview, &origin);
    // On a busy machine the screen may show the window a little after it
    // painted it: nothing of it is there while the area is all black.
    WaitUntil(
        [&] {
          shot = ScreenArea(RECT{origin.x, origin.y, origin.x + 256, origin.y + 256});
          return shot && CountOtherThan(*shot, clBlack) > 0;
        },
        5s);
    SaveShot(WindowShot(preview).get(), "preview.bmp");
    // A second request while this one is open.
    GSecondRequestHandled = false;
    PostMessageW(preview, WM_APP + 77, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return GSecondRequestHandled.load(); }, 5s));
    stillOne = FindVisibleWindow(L"other.bmp", kPreviewWindowClass) == nullptr;
    PostMessageW(preview, WM_CLOSE, 0, 0);
  });
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  // The second request arrives through a hook on the thread's messages, as
  // a double click on the icon would while the preview's loop runs.
  GSecondPath = other;
  GApplication = &App;
  const HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &SecondRequestHook, nullptr, GetCurrentThreadId());
  ShowPreviewDialog(App, TPoint{work.right - 20, work.bottom + 10}, path);
  UnhookWindowsHookEx(hook);
  user.join();

  EXPECT_EQ(caption, "横長.bmp");
  EXPECT_EQ(client.right, 256);
  EXPECT_EQ(client.bottom, 256);
  EXPECT_THAT(menuBar, testing::ElementsAre("開く(&O)", "フォルダを開く(&F)"));
  // Task bar at the bottom: right edge at the click, bottom 8 above the work area's end.
  EXPECT_EQ(outer.right, work.right - 20);
  EXPECT_EQ(outer.bottom, work.bottom - 8);
  EXPECT_TRUE(stillOne) << "a second preview opened";
  ASSERT_NE(shot, nullptr);
  // 1024 x 768 at 256 x 192: face colour above and below, the halves between.
  const TColor face = RGBColor(GetRValue(GetSysColor(COLOR_BTNFACE)), GetGValue(GetSysColor(COLOR_BTNFACE)),
                               GetBValue(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(shot->PixelColor(128, 10), face);
  EXPECT_EQ(shot->PixelColor(20, 100), RGBColor(220, 0, 0));
  EXPECT_EQ(shot->PixelColor(230, 100), RGBColor(0, 0, 220));
  EXPECT_EQ(shot->PixelColor(128, 250), face);
  EXPECT_EQ(TImagePreviewDialog::OpenDialog(), nullptr);
  EXPECT_FALSE(App.ShowMainForm);
}

TEST_F(PreviewWindowTest, AMissingFileShowsTheErrorBoxAndNoWindow) {
  ShowPreviewDialog(App, TPoint{100, 100}, "C:\\nowhere\\gone.jpg");
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0], "エラー|ファイルが見付かりません\rC:\\nowhere\\gone.jpg");
}

}  // namespace

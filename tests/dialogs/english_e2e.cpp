// vemo.exe under an English Wine (the suite runs with LC_ALL=en_US.UTF-8):
// its right-click menu and the Settings dialog speak English, and the stored
// Language=ja brings the Japanese back. Screenshots go to <build>/e2e-english.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/Unit1_win.h"
#include "dialogs/dlgResource.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;

const std::filesystem::path kBuildDir = PathFromUtf8(VEMO_BUILD_DIR);
const std::filesystem::path kDataDir = PathFromUtf8(VEMO_TEST_DATA_DIR);
constexpr UINT kTrayMessage = WM_USER + 100;

void Shot(HWND window, const std::string& name) {
  const std::filesystem::path folder = kBuildDir / "e2e-english";
  std::filesystem::create_directories(folder);
  if (const auto shot = SettledShot(window)) SaveBitmapToFile(Utf8FromPath(folder / name), *shot);
}

class EnglishEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    std::filesystem::copy_file(kBuildDir / "vemo.exe", Temp.FsPath() / "vemo-en.exe");
    Pictures = Temp.MakeFolder("pics");
    std::filesystem::copy_file(kDataDir / "jpeg" / "landscape-640x480.jpg", Pictures / "first.jpg");
  }
  void TearDown() override { Stop(); }
  void Start(const std::string& general) {
    std::ofstream(Temp.FsPath() / "vemo-en.ini", std::ios::binary)
        << "[General]\r\nInterval=3\r\n"
        << general << "[Folders]\r\nCount=1\r\n0=" << Utf8FromPath(Pictures)
        << "\r\n[Hidden]\r\nCount=2\r\n0=C:\\Photos\\2019\\blurred.jpg\r\n1=C:\\Photos\\2021\\twice.jpg\r\n";
    Vemo = std::make_unique<TProcess>(Temp.FsPath() / "vemo-en.exe", L"", Temp.FsPath());
    WaitUntil([&] { return (Main = TopWindowOf(Vemo->Id(), kMainWindowClass)) != nullptr; }, 20s);
    ASSERT_NE(Main, nullptr);
    ASSERT_TRUE(Vemo->WaitIdle(20000));
  }
  void Stop() {
    if (Vemo && Main) PostMessageW(Main, WM_CLOSE, 0, 0);
    if (Vemo) Vemo->Wait(10000);
    Vemo.reset();
  }
  HWND OpenMenu() {
    PostMessageW(Main, kTrayMessage, 0, WM_RBUTTONUP);
    return WaitForWindow(nullptr, L"#32768", Vemo->Id(), 10s);
  }
  // The settings dialog, opened from the right-click menu by the key its
  // Settings item has in the running language. (Wine lets no process read
  // another's menus, so the menu's texts show through what their keys do.)
  HWND OpenSettings(wchar_t key, const wchar_t* caption) {
    const HWND menu = OpenMenu();
    if (!menu) return nullptr;
    PostMessageW(menu, WM_CHAR, key, 0);
    return WaitForWindow(caption, L"#32770", Vemo->Id(), 10s);
  }

  TTempFolder Temp{"vemo-en-e2e"};
  std::filesystem::path Pictures;
  std::unique_ptr<TProcess> Vemo;
  HWND Main = nullptr;
};

TEST_F(EnglishEndToEnd, MenuAndSettingsInEnglishAndTheStoredJapaneseWins) {
  Start("");
  const HWND menu = OpenMenu();
  ASSERT_NE(menu, nullptr);
  Shot(menu, "menu-main.bmp");
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));
  const HWND dialog = OpenSettings(L'e', L"Kobaru Settings");
  ASSERT_NE(dialog, nullptr) << "S&ettings did not open the English dialog";
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_GROUPBOX2)), "Slideshow speed");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_LABEL2)), "Show each picture &for:");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_BTNADD)), "&Add folder...");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDCANCEL)), "Cancel");
  // The first page is drawn once the dialog has handled what came before.
  ASSERT_TRUE(RoundTrip(dialog));
  Shot(dialog, "settings-slideshow.bmp");
  const HWND tabs = GetDlgItem(dialog, IDC_PAGECONTROL1);
  // The second tab, 90 pixels in at 96 dpi.
  const HDC screen = GetDC(nullptr);
  const int x = MulDiv(90, GetDeviceCaps(screen, LOGPIXELSX), 96);
  ReleaseDC(nullptr, screen);
  PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 10));
  PostMessageW(tabs, WM_LBUTTONUP, 0, MAKELPARAM(x, 10));
  if (WaitUntil([&] { return IsWindowVisible(GetDlgItem(dialog, IDC_RDOREGISTRY)) != FALSE; }, 5s))
    Shot(dialog, "settings-storage.bmp");
  PostMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 0);
  if (WaitUntil([&] { return IsWindowVisible(GetDlgItem(dialog, IDC_LSTHIDDEN)) != FALSE; }, 5s))
    Shot(dialog, "settings-pictures.bmp");
  SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  const HWND aboutMenu = OpenMenu();
  ASSERT_NE(aboutMenu, nullptr);
  PostMessageW(aboutMenu, WM_CHAR, L'a', 0);
  const HWND about = WaitForWindow(L"About Kobaru", L"#32770", Vemo->Id(), 10s);
  ASSERT_NE(about, nullptr) << "no English About box";
  Shot(about, "about.bmp");
  SendMessageW(about, WM_COMMAND, IDOK, 0);
  Stop();

  Start("Language=ja\r\n");
  const HWND japanese = OpenSettings(L'c', L"Kobaruの設定");
  ASSERT_NE(japanese, nullptr) << "Language=ja did not bring the Japanese menu and dialog back";
  EXPECT_EQ(TextOf(GetDlgItem(japanese, IDC_GROUPBOX2)), "スライドショーの速さ");
  SendMessageW(GetDlgItem(japanese, IDCANCEL), BM_CLICK, 0, 0);
}

}  // namespace

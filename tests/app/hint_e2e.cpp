// vemo.exe on Windows 10 as Wine reports it (a prefix set with winecfg /v
// win10): the first run's hint balloon, what its click opens, and the menu.
#include <windows.h>
// The shell header needs the Windows types first.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <fstream>

#include "app/TrayHint_win.h"
#include "app/Unit1_win.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;

const wchar_t kExplorerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

bool BalloonShown(const std::string& text) {
  const HWND balloon = FindVisibleWindow(nullptr, L"tooltips_class32");
  return balloon && TextOf(balloon) == text;
}
bool HintShown() { return BalloonShown(LoadText(IDS_HINT_TEXT_10)); }

// Whether a hint asked for so far comes: Wine shows balloons one at a time in
// the order asked, so once a balloon asked for now is up, an earlier hint has
// had its turn.
bool HintComes() {
  const TWindowHandle owner(
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
  NOTIFYICONDATAW record = {};
  record.cbSize = sizeof(record);
  record.hWnd = owner.Get();
  record.uFlags = NIF_ICON;
  record.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  Shell_NotifyIconW(NIM_ADD, &record);
  record.uFlags = NIF_INFO;
  wcscpy(record.szInfo, L"marker");
  Shell_NotifyIconW(NIM_MODIFY, &record);
  bool hint = false;
  EXPECT_TRUE(WaitUntil([&] { return (hint = HintShown()) || BalloonShown("marker"); }, 20s));
  Shell_NotifyIconW(NIM_DELETE, &record);
  return hint;
}

TEST(HintEndToEnd, TheFirstRunWhereIconsAreHiddenShowsTheHintItsClickOpensTheTaskbarSettings) {
  ASSERT_EQ(FamilyOf(RealWindowsVersion()), wfWindows10) << "the prefix does not report Windows 10";
  TTempFolder temp{"vemo-hint-e2e"};
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvane\\vemo-hint");
  std::filesystem::copy_file(PathFromUtf8(VEMO_BUILD_DIR) / "vemo.exe", temp.FsPath() / "vemo-hint.exe");
  // The shell opens a URI with its scheme's command: a stand-in writes down what it got.
  const std::wstring command = L"cmd.exe /c echo %1>\"" + (temp.FsPath() / "opened.txt").wstring() + L"\"";
  RegSetKeyValueW(HKEY_CLASSES_ROOT, L"ms-settings\\shell\\open\\command", nullptr, REG_SZ, command.c_str(),
                  DWORD((command.size() + 1) * sizeof(wchar_t)));
  std::unique_ptr<TProcess> vemo;
  HWND main = nullptr;
  // Starts the copy and, on a first run, chooses the INI file (the box's OK).
  auto start = [&](bool firstRun) {
    vemo = std::make_unique<TProcess>(temp.FsPath() / "vemo-hint.exe", L"", temp.FsPath());
    if (firstRun) {
      const HWND question = WaitForWindow(nullptr, L"#32770", vemo->Id(), 20s);
      PostMessageW(question, WM_COMMAND, IDOK, 0);
      EXPECT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
    }
    EXPECT_TRUE(
        WaitUntil([&] { return (main = TopWindowOf(vemo->Id(), kMainWindowClass)) != nullptr; }, 20s));
    // Handled once the start is over, balloon and all: the menu says when.
    PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONUP);
    PostMessageW(WaitForWindow(nullptr, L"#32768", vemo->Id(), 20s), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  auto close = [&] {
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(vemo->Wait(10000));
    EXPECT_TRUE(WaitUntil([] { return !HintShown(); }, 15s)) << "the balloon outlived the icon";
  };
  // Every icon shown: no hint.
  const DWORD zero = 0;
  RegSetKeyValueW(HKEY_CURRENT_USER, kExplorerKey, L"EnableAutoTray", REG_DWORD, &zero, sizeof(zero));
  start(true);
  EXPECT_FALSE(HintComes()) << "a hint though every icon is shown";
  close();
  std::filesystem::remove(temp.FsPath() / "vemo-hint.ini");
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kExplorerKey, L"EnableAutoTray");
  start(true);
  EXPECT_TRUE(WaitUntil(HintShown, 10s)) << "no hint on the first run";
  // Wine never reports a click on a balloon: the shell's message stands in.
  PostMessageW(main, WM_TRAYICON, 0, 1029);
  std::string opened;
  EXPECT_TRUE(WaitUntil(
      [&] {
        return std::getline(std::ifstream(temp.FsPath() / "opened.txt"), opened) &&
               opened.starts_with("ms-settings:taskbar");
      },
      20s));
  close();
  start(false);
  EXPECT_FALSE(HintComes()) << "the hint came again on a later start";
  // No taskbar item: its key, T, would close the menu, and C then open nothing.
  PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONUP);
  const HWND menu = WaitForWindow(nullptr, L"#32768", vemo->Id(), 10s);
  for (const wchar_t key : {L't', L'c'}) PostMessageW(menu, WM_CHAR, key, 0);
  const HWND settings = WaitForWindow(L"Kobaruの設定", nullptr, vemo->Id(), 10s);
  EXPECT_NE(settings, nullptr) << "the menu has an item on T";
  PostMessageW(settings, WM_COMMAND, IDCANCEL, 0);
  close();
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"ms-settings");
}

}  // namespace

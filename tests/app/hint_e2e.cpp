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

bool BalloonShown(const std::string& text = LoadText(IDS_HINT_TEXT_10)) {
  const HWND balloon = FindVisibleWindow(nullptr, L"tooltips_class32");
  return balloon && TextOf(balloon) == text;
}

// Whether a hint asked for so far comes: Wine shows balloons one at a time in
// the order asked, so once one asked for now is up, an earlier hint has had its turn.
bool HintComes() {
  const TWindowHandle owner(
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
  NOTIFYICONDATAW record = {};
  record.cbSize = sizeof(record);
  record.hWnd = owner.Get();
  record.uFlags = NIF_ICON | NIF_INFO;
  record.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wcscpy(record.szInfo, L"marker");
  Shell_NotifyIconW(NIM_ADD, &record);
  bool hint = false;
  EXPECT_TRUE(WaitUntil([&] { return (hint = BalloonShown()) || BalloonShown("marker"); }, 20s));
  Shell_NotifyIconW(NIM_DELETE, &record);
  return hint;
}

TEST(HintEndToEnd, TheFirstRunWhereIconsAreHiddenShowsTheHintItsClickOpensTheTaskbarSettings) {
  ASSERT_EQ(FamilyOf(RealWindowsVersion()), wfWindows10) << "the prefix does not report Windows 10";
  TTempFolder temp{"vemo-hint-e2e"};
  const std::filesystem::path exe = temp.FsPath() / "vemo-hint.exe", opened = temp.FsPath() / "opened.txt";
  std::filesystem::copy_file(PathFromUtf8(VEMO_BUILD_DIR) / "vemo.exe", exe);
  // The shell opens a URI by its scheme's command: a stand-in writes down what it got.
  const std::wstring command = L"cmd.exe /c echo %1>\"" + opened.wstring() + L"\"";
  RegSetKeyValueW(HKEY_CLASSES_ROOT, L"ms-settings\\shell\\open\\command", nullptr, REG_SZ, command.c_str(),
                  DWORD(command.size() * 2 + 2));
  std::unique_ptr<TProcess> vemo;
  HWND main = nullptr;
  // Starts a copy, choosing the INI file (the box's OK) on a first run. Its
  // start is over, balloon and all, once a menu asked for then opens.
  auto start = [&](bool firstRun) {
    vemo = std::make_unique<TProcess>(exe, L"", temp.FsPath());
    const HWND question = firstRun ? WaitForWindow(nullptr, L"#32770", vemo->Id(), 20s) : nullptr;
    if (question) PostMessageW(question, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(
        WaitUntil([&] { return !IsWindow(question) && (main = TopWindowOf(vemo->Id(), kMainWindowClass)); }));
    PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONUP);
    PostMessageW(WaitForWindow(nullptr, L"#32768", vemo->Id(), 20s), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  auto close = [&] {
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(vemo->Wait(10000) && WaitUntil([] { return !BalloonShown(); }, 15s)) << "a balloon stayed";
  };
  const DWORD zero = 0;  // every icon shown
  RegSetKeyValueW(HKEY_CURRENT_USER, kExplorerKey, L"EnableAutoTray", REG_DWORD, &zero, sizeof(zero));
  start(true);
  EXPECT_FALSE(HintComes()) << "a hint though every icon is shown";
  close();
  std::filesystem::remove(temp.FsPath() / "vemo-hint.ini");
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kExplorerKey, L"EnableAutoTray");
  start(true);
  EXPECT_TRUE(WaitUntil([] { return BalloonShown(); }, 10s)) << "no hint on the first run";
  PostMessageW(main, WM_TRAYICON, 0, 1029);  // a click, which Wine never reports
  std::string line;
  EXPECT_TRUE(WaitUntil(
      [&] { return std::getline(std::ifstream(opened), line) && line.starts_with("ms-settings:taskbar"); },
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

// vemo.exe on Windows 10 as Wine reports it (a prefix of its own, set with
// winecfg /v win10): the first run's balloon that says where the icon is,
// what a click on it opens, and the right-click menu as it was.
#include <windows.h>
// The shell header needs the Windows types first.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/TrayHint_win.h"
#include "app/Unit1_win.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;

const std::filesystem::path kBuildDir = PathFromUtf8(VEMO_BUILD_DIR);
const wchar_t kRegistryKey[] = L"Software\\Orvane\\vemo-hint";
const wchar_t kExplorerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
// The shell finds what opens a URI under its scheme's key; the stand-in there
// writes down what it was asked to open.
const wchar_t kSchemeKey[] = L"ms-settings";
const wchar_t kSchemeCommandKey[] = L"ms-settings\\shell\\open\\command";

bool BalloonShown(const std::string& text);
bool HintShown() { return BalloonShown(LoadText(IDS_HINT_TEXT_10)); }

bool BalloonShown(const std::string& text) {
  const HWND balloon = FindVisibleWindow(nullptr, L"tooltips_class32");
  return balloon && TextOf(balloon) == text;
}

// Whether a hint asked for so far comes: Wine shows balloons one at a time
// in the order asked, so once a balloon the test asks for now is up, any
// hint asked for before has had its turn.
bool HintComes() {
  const TWindowHandle owner(
      CreateWindowExW(0, L"STATIC", L"marker", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
  NOTIFYICONDATAW record = {};
  record.cbSize = sizeof(record);
  record.hWnd = owner.Get();
  record.uFlags = NIF_ICON;
  record.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &record));
  record.uFlags = NIF_INFO;
  wcscpy(record.szInfo, L"marker");
  Shell_NotifyIconW(NIM_MODIFY, &record);
  bool hint = false;
  EXPECT_TRUE(WaitUntil([&] { return (hint = HintShown()) || BalloonShown("marker"); }, 20s))
      << "no balloon at all";
  Shell_NotifyIconW(NIM_DELETE, &record);
  return hint;
}

class HintEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    const TWindowsVersion version = RealWindowsVersion();
    ASSERT_EQ(FamilyOf(version), wfWindows10)
        << "the prefix reports " << version.Major << "." << version.Build;
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
    std::filesystem::copy_file(kBuildDir / "vemo.exe", Temp.FsPath() / "vemo-hint.exe");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kExplorerKey, L"EnableAutoTray");
    const std::wstring command = L"cmd.exe /c echo %1>\"" + Opened().wstring() + L"\"";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, kSchemeCommandKey, nullptr, REG_SZ, command.c_str(),
                              DWORD((command.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    if (Vemo) Close();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kExplorerKey, L"EnableAutoTray");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kSchemeKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
  }
  std::filesystem::path Opened() const { return Temp.FsPath() / "opened.txt"; }
  std::string OpenedText() const {
    std::ifstream in(Opened(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Starts the copy, chooses the INI file when the first-run question comes,
  // and waits until the tray has handled all that the start asked of it.
  void Start() {
    const bool firstRun = !std::filesystem::exists(Temp.FsPath() / "vemo-hint.ini");
    Vemo = std::make_unique<TProcess>(Temp.FsPath() / "vemo-hint.exe", L"", Temp.FsPath());
    if (firstRun) {
      const HWND question = WaitForWindow(nullptr, L"#32770", Vemo->Id(), 20s);
      ASSERT_NE(question, nullptr) << "no first-run question";
      // The box's OK is its "Yes", the INI file.
      PostMessageW(question, WM_COMMAND, IDOK, 0);
    }
    ASSERT_TRUE(
        WaitUntil([&] { return (Main = TopWindowOf(Vemo->Id(), kMainWindowClass)) != nullptr; }, 20s));
    ASSERT_TRUE(Vemo->WaitIdle(20000));
    ASSERT_TRUE(RoundTrip(TrayWindow()));
  }
  // Ends the copy; its balloon goes with its icon.
  void Close() {
    PostMessageW(Main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Vemo->Wait(10000));
    Vemo.reset();
    EXPECT_TRUE(WaitUntil([] { return !HintShown(); }, 15s)) << "the balloon outlived the icon";
  }

  TTempFolder Temp{"vemo-hint-e2e"};
  std::unique_ptr<TProcess> Vemo;
  HWND Main = nullptr;
};

TEST_F(HintEndToEnd, AFirstRunShowsTheHintOnceItsClickOpensTheTaskbarSettingsAndTheMenuIsAsItWas) {
  Start();
  ASSERT_TRUE(WaitUntil(HintShown, 10s)) << "no hint on the first run";
  // Wine never reports a click on a balloon: the shell's message stands in.
  PostMessageW(Main, WM_TRAYICON, 0, 1029);
  EXPECT_TRUE(WaitUntil([&] { return OpenedText().starts_with("ms-settings:taskbar"); }, 20s))
      << "opened: \"" << OpenedText() << "\"";
  Close();
  Start();
  EXPECT_FALSE(HintComes()) << "the hint came again on a later start";
  // Windows 10 does not say which icons are hidden: no taskbar item. Its
  // key, T, would close the menu, and C then open nothing.
  PostMessageW(Main, WM_TRAYICON, 0, WM_RBUTTONUP);
  const HWND menu = WaitForWindow(nullptr, L"#32768", Vemo->Id(), 10s);
  ASSERT_NE(menu, nullptr);
  for (const wchar_t key : {L't', L'c'}) PostMessageW(menu, WM_CHAR, key, 0);
  const HWND settings = WaitForWindow(L"Kobaruの設定", nullptr, Vemo->Id(), 10s);
  EXPECT_NE(settings, nullptr) << "the menu has an item on T";
  if (settings) PostMessageW(settings, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(HintShown());
}

TEST_F(HintEndToEnd, WithEveryIconOnTheTaskbarAFirstRunShowsNoHint) {
  const DWORD zero = 0;
  ASSERT_EQ(
      RegSetKeyValueW(HKEY_CURRENT_USER, kExplorerKey, L"EnableAutoTray", REG_DWORD, &zero, sizeof(zero)),
      ERROR_SUCCESS);
  Start();
  EXPECT_FALSE(HintComes());
}

}  // namespace

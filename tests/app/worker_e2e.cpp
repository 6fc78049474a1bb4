// vemo.exe under Wine with its worker: the play order of a prepared folder is
// the one the scan and the one generator give, and a scan that takes minutes
// leaves the icon's menu and Exit answering at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Discovery.h"
#include "app/Unit1_win.h"
#include "picture/Pinwheel.h"
#include "common/ZoCommon.h"
#include "framework/BmpFile.h"
#include "framework/Classes.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace std::chrono_literals;
using vemo_test::TileAt;
using vemo_test::TopWindowOf;
using vemo_test::TProcess;
using vemo_test::TrayWindow;
using vemo_test::WaitUntil;

const std::filesystem::path kBuildDir = vemo_test::PathFromUtf8(VEMO_BUILD_DIR);
const wchar_t kExeName[] = L"vemo-worker-e2e.exe";
const wchar_t kRegistryKey[] = L"Software\\Orvane\\vemo-worker-e2e";

std::unique_ptr<TBitmap> Uniform(TColor color) {
  auto tile = std::make_unique<TBitmap>(16, 16, pf24bit);
  tile->Canvas().Brush.Color = color;
  tile->Canvas().FillRect({0, 0, 16, 16});
  return tile;
}

class WorkerEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
    std::filesystem::copy_file(kBuildDir / "vemo.exe", Temp.FsPath() / kExeName);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey); }

  void Settings(const std::filesystem::path& folder) {
    std::ofstream ini(Temp.FsPath() / "vemo-worker-e2e.ini", std::ios::binary);
    ini << "[General]\r\nInterval=3\r\n[Folders]\r\nCount=1\r\n0=" << vemo_test::Utf8FromPath(folder)
        << "\r\n";
  }
  HWND Start() {
    Vemo = std::make_unique<TProcess>(Temp.FsPath() / kExeName, L"", Temp.FsPath());
    HWND main = nullptr;
    WaitUntil([&] { return (main = TopWindowOf(Vemo->Id(), kMainWindowClass)) != nullptr; }, 20s);
    return main;
  }

  vemo_test::TTempFolder Temp{"vemo-worker-e2e"};
  std::unique_ptr<TProcess> Vemo;
};

TEST_F(WorkerEndToEnd, ThePlayOrderOfAPreparedFolderIsUnchanged) {
  const std::filesystem::path pictures = Temp.MakeFolder("pics");
  const std::vector<TColor> colors = {RGBColor(220, 30, 30), RGBColor(30, 220, 30), RGBColor(30, 30, 220),
                                      RGBColor(220, 220, 30)};
  std::map<std::string, TColor> colorOf;
  for (size_t i = 0; i < colors.size(); ++i) {
    const std::filesystem::path file = pictures / (std::string(1, char('a' + i)) + ".bmp");
    SaveBitmapToFile(vemo_test::Utf8FromPath(file), *Uniform(colors[i]));
    colorOf[vemo_test::Utf8FromPath(file)] = colors[i];
  }
  // The order the program must show: its scan, shuffled by a fresh generator.
  TStringList expected;
  ScanFolder(vemo_test::Utf8FromPath(pictures), expected);
  ASSERT_EQ(expected.Count(), 4);
  RandSeed = 0;
  ShuffleStrings(expected);

  Settings(pictures);
  const HWND main = Start();
  ASSERT_NE(main, nullptr);
  const std::unique_ptr<TBitmap> defaultTile = MakeDefaultTile();
  std::unique_ptr<TBitmap> shot;
  int32_t left = -1, top = -1;
  ASSERT_TRUE(WaitUntil(
      [&] {
        shot = vemo_test::WindowShot(TrayWindow());
        if (!shot) return false;
        for (top = 0; top + 16 <= shot->Height(); ++top)
          for (left = 0; left + 16 <= shot->Width(); ++left)
            if (TileAt(*shot, left, top, *defaultTile)) return true;
        return false;
      },
      10s))
      << "the default tile never appeared";

  PostMessageW(main, WM_COMMAND, cmdPlay, 0);
  std::vector<std::string> shown;
  WaitUntil(
      [&] {
        shot = vemo_test::WindowShot(TrayWindow());
        if (!shot) return false;
        for (const auto& [path, color] : colorOf)
          if (TileAt(*shot, left, top, *Uniform(color)) && (shown.empty() || shown.back() != path))
            shown.push_back(path);
        return shown.size() >= 3;
      },
      20s, 10ms);
  EXPECT_EQ(shown, (std::vector<std::string>{expected.Strings(0), expected.Strings(1), expected.Strings(2)}));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Vemo->Wait(10000));
}

TEST_F(WorkerEndToEnd, WhileABigTreeIsScannedTheMenuOpensAndExitEndsTheProgramWithinASecond) {
  const std::filesystem::path maze = kBuildDir / "link-maze" / "d0";
  ASSERT_TRUE(std::filesystem::is_directory(maze / "a")) << "the link maze was not made";
  // Wine hides its tray window when the last icon goes, and on a display
  // without a window manager that waits two seconds for the X server; an icon
  // of another program keeps the window up, so only vemo.exe's exit is timed.
  TProcess companion(kBuildDir / "vemo_minimal_tray.exe", L"", Temp.FsPath());
  ASSERT_TRUE(WaitUntil([&] { return TopWindowOf(companion.Id(), L"VemoMinimalTray") != nullptr; }, 20s));

  Settings(maze);
  const HWND main = Start();
  ASSERT_NE(main, nullptr);
  // The window answers at once although the scan has minutes to go.
  DWORD_PTR result = 0;
  EXPECT_NE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result), 0);

  PostMessageW(main, kWmUser + kTrayCallbackOffset, 0, WM_RBUTTONUP);
  const HWND menu = vemo_test::WaitForWindow(nullptr, L"#32768", Vemo->Id(), 5s);
  ASSERT_NE(menu, nullptr) << "the menu did not open";
  // "終了(&X)".
  PostMessageW(menu, WM_CHAR, L'x', 0);
  EXPECT_TRUE(Vemo->Wait(1000)) << "Exit did not end the program within a second";
  EXPECT_EQ(Vemo->ExitCode(), 0u);
  PostMessageW(TopWindowOf(companion.Id(), L"VemoMinimalTray"), WM_CLOSE, 0, 0);
  companion.Wait(10000);
}

}  // namespace

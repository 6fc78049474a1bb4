// vemo.exe driven from outside as a script would: a second start with /next
// or /exit hands the command to the running copy, also while its start-up
// waits on a box, and a locked session holds the show until it is unlocked.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/Unit1_win.h"
#include "dialogs/dlgResource.h"
#include "picture/Pinwheel.h"
#include "settings/ZoRegIni.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace std::chrono_literals;
using vemo_test::TopWindowOf;
using vemo_test::TProcess;
using vemo_test::TrayWindow;
using vemo_test::WaitUntil;

const std::filesystem::path kBuildDir = vemo_test::PathFromUtf8(VEMO_BUILD_DIR);
const std::filesystem::path kDataDir = vemo_test::PathFromUtf8(VEMO_TEST_DATA_DIR);
const wchar_t kRegistryKey[] = L"Software\\Orvane\\vemo-script";

class VemoScriptEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
    std::filesystem::copy_file(kBuildDir / "vemo.exe", Exe);
    const std::filesystem::path pictures = Temp.MakeFolder("pics");
    for (const char* name : {"landscape-640x480.jpg", "portrait-300x500.jpg"}) {
      std::filesystem::copy_file(kDataDir / "jpeg" / name, pictures / name);
      Tiles.push_back(vemo_test::ToolTile(kBuildDir / "vemo-tile.exe", pictures / name, Temp.FsPath()));
    }
    DefaultTile = MakeDefaultTile();
    Pictures = vemo_test::Utf8FromPath(pictures);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey); }

  // Starts the program with that interval (0: as saved), finds its icon and
  // plays until the first picture stands; which of the two it is.
  size_t StartPlaying(int interval) {
    if (interval > 0)
      std::ofstream(Temp.FsPath() / "vemo-script.ini", std::ios::binary)
          << "[General]\r\nInterval=" << interval << "\r\n[Folders]\r\nCount=1\r\n0=" << Pictures << "\r\n";
    Vemo = std::make_unique<TProcess>(Exe, L"", Temp.FsPath());
    EXPECT_TRUE(
        WaitUntil([&] { return (Main = TopWindowOf(Vemo->Id(), kMainWindowClass)) != nullptr; }, 20s));
    EXPECT_TRUE(WaitUntil(
        [&] {
          const auto shot = vemo_test::WindowShot(TrayWindow());
          return shot && vemo_test::FindTile(*shot, *DefaultTile, Left, Top);
        },
        10s));
    PostMessageW(Main, WM_COMMAND, cmdPlay, 0);
    size_t shown = Tiles.size();
    EXPECT_TRUE(WaitUntil([&] { return (shown = Showing()) < Tiles.size(); }, 10s));
    return shown;
  }
  // Which picture's tile the icon shows; past the end when none (a fade).
  size_t Showing() {
    const auto shot = vemo_test::WindowShot(TrayWindow());
    for (size_t i = 0; shot && i < Tiles.size(); ++i)
      if (vemo_test::TileAt(*shot, Left, Top, *Tiles[i])) return i;
    return Tiles.size();
  }
  DWORD Command(const wchar_t* arguments) {
    TProcess command(Exe, arguments, Temp.FsPath());
    EXPECT_TRUE(command.Wait(10000));
    return command.ExitCode();
  }
  // Ends the running copy by the script's command or by the WM_CLOSE an
  // installer sends; either way it must end, and with status 0.
  void CloseAndExpectACleanEnd(bool byCommand) {
    if (byCommand)
      EXPECT_EQ(Command(L"/exit"), 0u);
    else
      PostMessageW(Main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Vemo->Wait(10000)) << "the copy did not end";
    EXPECT_EQ(Vemo->ExitCode(), 0u);
  }

  vemo_test::TTempFolder Temp{"vemo-script"};
  const std::filesystem::path Exe = Temp.FsPath() / L"vemo-script.exe";
  std::string Pictures;
  std::vector<std::unique_ptr<TBitmap>> Tiles;
  std::unique_ptr<TBitmap> DefaultTile;
  std::unique_ptr<TProcess> Vemo;
  HWND Main = nullptr;
  int32_t Left = -1, Top = -1;
};

TEST_F(VemoScriptEndToEnd, NextFromASecondStartChangesThePictureAndExitEndsTheCopy) {
  const size_t first = StartPlaying(60);
  ASSERT_LT(first, Tiles.size());
  EXPECT_EQ(Command(L"/next"), 0u);
  EXPECT_TRUE(WaitUntil([&] { return Showing() == 1 - first; }, 10s)) << "the next picture never came";

  EXPECT_EQ(Command(L"--EXIT"), 0u);
  ASSERT_TRUE(Vemo->Wait(10000)) << "the running copy did not end";
  EXPECT_EQ(Vemo->ExitCode(), 0u);
  EXPECT_EQ(Command(L"-next"), 1u) << "no copy runs any more";
}

TEST_F(VemoScriptEndToEnd, ExitWhileTheSettingsDialogIsUpEndsTheCopyAndSavesNothing) {
  // The command for scripts, and the WM_CLOSE an installer sends.
  for (const bool byCommand : {true, false}) {
    SCOPED_TRACE(byCommand ? "/exit" : "WM_CLOSE");
    StartPlaying(60);
    const std::filesystem::path ini = Temp.FsPath() / "vemo-script.ini";
    const auto written = std::filesystem::last_write_time(ini);
    const auto size = std::filesystem::file_size(ini);
    PostMessageW(Main, WM_COMMAND, cmdConfig, 0);
    ASSERT_TRUE(WaitUntil([&] { return TopWindowOf(Vemo->Id(), L"#32770") != nullptr; }, 10s));
    CloseAndExpectACleanEnd(byCommand);
    if (HasFatalFailure()) return;
    EXPECT_EQ(std::filesystem::last_write_time(ini), written);
    EXPECT_EQ(std::filesystem::file_size(ini), size);
  }
}

TEST_F(VemoScriptEndToEnd, ExitDuringAStartUpBoxEndsTheCopyAndCreatesNoSettings) {
  const std::filesystem::path ini = Temp.FsPath() / "vemo-script.ini";
  // No settings yet: the first-run question. A file too large to read: the
  // settings-error box.
  for (const bool unreadable : {false, true})
    for (const bool byCommand : {true, false}) {
      SCOPED_TRACE(std::string(unreadable ? "settings error" : "first-run question") +
                   (byCommand ? ", /exit" : ", WM_CLOSE"));
      std::filesystem::remove(ini);
      if (unreadable) std::ofstream(ini, std::ios::binary) << std::string(kMaxIniFileSize + 1, ';');
      const auto written =
          unreadable ? std::filesystem::last_write_time(ini) : std::filesystem::file_time_type();
      Vemo = std::make_unique<TProcess>(Exe, L"", Temp.FsPath());
      ASSERT_NE(vemo_test::WaitForWindow(nullptr, L"#32770", Vemo->Id(), 20s), nullptr) << "no box came";
      Main = TopWindowOf(Vemo->Id(), kMainWindowClass);
      ASSERT_NE(Main, nullptr);
      CloseAndExpectACleanEnd(byCommand);
      if (HasFatalFailure()) return;
      EXPECT_FALSE(vemo_test::UserKeyExists(kRegistryKey));
      EXPECT_EQ(std::filesystem::exists(ini), unreadable);
      if (unreadable) {
        EXPECT_EQ(std::filesystem::file_size(ini), kMaxIniFileSize + 1);
        EXPECT_EQ(std::filesystem::last_write_time(ini), written);
      }
    }
}

TEST_F(VemoScriptEndToEnd, ALockedSessionHoldsTheShowUntilUnlocked) {
  const size_t first = StartPlaying(3);
  ASSERT_LT(first, Tiles.size());
  PostMessageW(Main, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
  ASSERT_TRUE(vemo_test::RoundTrip(Main));
  // Longer than the picture's three seconds and its fade.
  EXPECT_FALSE(WaitUntil(
      [&] {
        const auto shot = vemo_test::WindowShot(TrayWindow());
        return shot && !vemo_test::TileAt(*shot, Left, Top, *Tiles[first]);
      },
      6s))
      << "the show went on while locked";
  PostMessageW(Main, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
  EXPECT_TRUE(WaitUntil([&] { return Showing() == 1 - first; }, 10s)) << "the show did not resume";
  PostMessageW(Main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Vemo->Wait(10000));
}

TEST_F(VemoScriptEndToEnd, PrevAfterTwoChangesShowsTheFirstPictureAgainAndNextReturns) {
  const size_t first = StartPlaying(60);
  EXPECT_EQ(Command(L"/next"), 0u);
  ASSERT_TRUE(WaitUntil([&] { return Showing() == 1 - first; }, 10s)) << "the next picture never came";
  EXPECT_EQ(Command(L"-prev"), 0u);
  EXPECT_TRUE(WaitUntil([&] { return Showing() == first; }, 10s)) << "Previous did not bring the first back";
  EXPECT_EQ(Command(L"/next"), 0u);
  EXPECT_TRUE(WaitUntil([&] { return Showing() == 1 - first; }, 10s)) << "Next did not walk forward";
  CloseAndExpectACleanEnd(true);
}

TEST_F(VemoScriptEndToEnd, ANeverShownPictureStaysOutAcrossARescanAndARestartUntilShownAgain) {
  const size_t hidden = StartPlaying(3);
  PostMessageW(Main, WM_COMMAND, cmdNeverShow, 0);
  EXPECT_TRUE(WaitUntil([&] { return Showing() == 1 - hidden; }, 3s)) << "the picture did not change at once";
  // Two of the other picture's turns: the list ends and is scanned again.
  EXPECT_FALSE(WaitUntil([&] { return Showing() == hidden; }, 9s)) << "the hidden picture came back";
  CloseAndExpectACleanEnd(true);
  ASSERT_EQ(StartPlaying(0), 1 - hidden) << "the hidden list did not survive the restart";
  PostMessageW(Main, WM_COMMAND, cmdConfig, 0);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = TopWindowOf(Vemo->Id(), L"#32770")) != nullptr; }, 10s));
  // The window exists before its pages are filled: the list is read once it is.
  HWND list = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        list = GetDlgItem(dialog, IDC_LSTHIDDEN);
        return list && SendMessageW(list, LB_GETCOUNT, 0, 0) == 1;
      },
      10s))
      << "the hidden list is not in the settings";
  SendMessageW(list, LB_SETSEL, TRUE, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_BTNSHOWAGAIN, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_BTNSHOWAGAIN)));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return Showing() == hidden; }, 20s)) << "Show again did not bring it back";
  CloseAndExpectACleanEnd(true);
}

}  // namespace

// End-to-end runs of vemo.exe under Wine on a (virtual) X display: the program
// is started beside prepared settings and a picture folder, driven by the
// window messages its menus will send, and watched through Wine's own tray
// window, whose pixels show the icon.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit1_win.h"
#include "picture/Pinwheel.h"
#include "framework/BmpFile.h"
#include "framework/Forms_win.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace std::chrono_literals;
using vemo_test::FindTile;
using vemo_test::TileAt;
using vemo_test::TopWindowOf;
using vemo_test::TProcess;
using vemo_test::TrayShown;
using vemo_test::TrayWindow;
using vemo_test::TTempFolder;
using vemo_test::WaitUntil;

const std::filesystem::path kBuildDir = vemo_test::PathFromUtf8(VEMO_BUILD_DIR);
const std::filesystem::path kDataDir = vemo_test::PathFromUtf8(VEMO_TEST_DATA_DIR);

void SaveShot(const TBitmap& shot, const std::string& name) {
  const std::filesystem::path folder = kBuildDir / "e2e";
  std::filesystem::create_directories(folder);
  SaveBitmapToFile(vemo_test::Utf8FromPath(folder / name), shot);
}

// The tile vemo-tile makes of a picture.
std::unique_ptr<TBitmap> ToolTile(const std::filesystem::path& picture, const std::filesystem::path& folder) {
  return vemo_test::ToolTile(kBuildDir / "vemo-tile.exe", picture, folder);
}

const wchar_t kExeName[] = L"vemo-e2e.exe";
const wchar_t kRegistryKey[] = L"Software\\Orvane\\vemo-e2e";

class VemoEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    // The program under a name of its own, so that its settings (named after
    // the executable) never touch those of a vemo.exe run in the same prefix.
    // The registry would win over the INI file prepared here.
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
    std::filesystem::copy_file(kBuildDir / "vemo.exe", Temp.FsPath() / kExeName);
    Pictures = Temp.MakeFolder("pics");
    Picture = Pictures / "first.jpg";
    std::filesystem::copy_file(kDataDir / "jpeg" / "landscape-640x480.jpg", Picture);
    // The settings as Kobaru keeps them: code page 932 (ASCII here), CR LF.
    std::ofstream ini(Temp.FsPath() / "vemo-e2e.ini", std::ios::binary);
    ini << "[General]\r\nInterval=3\r\n[Folders]\r\nCount=1\r\n0=" << vemo_test::Utf8FromPath(Pictures)
        << "\r\n";
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey); }

  std::unique_ptr<TProcess> StartVemo() {
    auto process = std::make_unique<TProcess>(Temp.FsPath() / kExeName, L"", Temp.FsPath());
    WaitUntil([&] { return TopWindowOf(process->Id(), kMainWindowClass) != nullptr; }, 20s);
    process->WaitIdle(20000);
    return process;
  }

  TTempFolder Temp{"vemo-e2e"};
  std::filesystem::path Pictures;
  std::filesystem::path Picture;
};

TEST_F(VemoEndToEnd, ShowsTheDefaultTilePlaysTheFirstPictureAndClosesCleanly) {
  const std::unique_ptr<TBitmap> defaultTile = MakeDefaultTile();
  const std::unique_ptr<TBitmap> firstTile = ToolTile(Picture, Temp.FsPath());

  auto vemo = StartVemo();
  const HWND main = TopWindowOf(vemo->Id(), kMainWindowClass);
  ASSERT_NE(main, nullptr) << "no window of class TVEMOMainForm";
  EXPECT_FALSE(IsWindowVisible(main)) << "the main window is never shown";
  wchar_t caption[64] = {};
  GetWindowTextW(main, caption, 64);
  EXPECT_EQ(std::wstring(caption), L"Kobaru");

  // The icon shows the default tile.
  std::unique_ptr<TBitmap> shot;
  int32_t left = -1, top = -1;
  ASSERT_TRUE(WaitUntil(
      [&] {
        shot = vemo_test::WindowShot(TrayWindow());
        return shot && FindTile(*shot, *defaultTile, left, top);
      },
      10s))
      << "the default tile never appeared in the tray";
  SaveShot(*shot, "tray-default.bmp");

  // Play through the command the menu sends; after the one-second fade the
  // icon holds exactly the tile vemo-tile makes of the picture.
  PostMessageW(main, WM_COMMAND, cmdPlay, 0);
  bool sawBlend = false;
  const bool reached = WaitUntil(
      [&] {
        shot = vemo_test::WindowShot(TrayWindow());
        if (!shot) return false;
        if (!TileAt(*shot, left, top, *defaultTile) && !TileAt(*shot, left, top, *firstTile)) sawBlend = true;
        return TileAt(*shot, left, top, *firstTile);
      },
      6s, 10ms);
  if (shot) SaveShot(*shot, "tray-first.bmp");
  EXPECT_TRUE(reached) << "the first picture's tile never appeared";
  EXPECT_TRUE(sawBlend) << "no blended frame was seen on the way";

  // WM_CLOSE ends the program and takes the icon away.
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(vemo->Wait(10000));
  EXPECT_EQ(vemo->ExitCode(), 0u);
  EXPECT_TRUE(WaitUntil(
      [&] {
        if (!TrayShown()) return true;
        shot = vemo_test::WindowShot(TrayWindow());
        return shot && !TileAt(*shot, left, top, *firstTile);
      },
      5s))
      << "the icon stayed after the program ended";
}

TEST_F(VemoEndToEnd, NothingToPlayStaysStoppedAndTheProgramStaysReachable) {
  std::filesystem::remove(Picture);
  auto vemo = StartVemo();
  const HWND main = TopWindowOf(vemo->Id(), kMainWindowClass);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil([] { return TrayShown(); }, 10s));
  // Play with nothing to play: the balloon says why, and the program goes on.
  PostMessageW(main, WM_COMMAND, cmdPlay, 0);
  const std::string expected = std::string(kNoPicturesText) + kStoppingText;
  std::string shown;
  EXPECT_TRUE(WaitUntil(
      [&] {
        const HWND balloon = vemo_test::FindVisibleWindow(nullptr, L"tooltips_class32");
        shown = balloon ? vemo_test::TextOf(balloon) : "";
        return shown == expected;
      },
      10s))
      << "the balloon showed \"" << shown << "\"";
  ASSERT_TRUE(vemo_test::RoundTrip(main));
  EXPECT_FALSE(vemo->Wait(0));
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(vemo->Wait(10000));
  EXPECT_EQ(vemo->ExitCode(), 0u);
}

TEST_F(VemoEndToEnd, EveryStartedCopyRunsWithItsOwnWindow) {
  auto first = StartVemo();
  auto second = StartVemo();
  const HWND one = TopWindowOf(first->Id(), kMainWindowClass);
  const HWND two = TopWindowOf(second->Id(), kMainWindowClass);
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr) << "the second copy made no window";
  EXPECT_NE(one, two);
  for (HWND main : {one, two}) PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first->Wait(10000));
  EXPECT_TRUE(second->Wait(10000));
}

// The version information and manifest vemo.exe carries.
std::wstring VersionString(const std::vector<uint8_t>& block, const wchar_t* key, bool& present) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\041103A4\\") + key;
  present = VerQueryValueW(block.data(), path.c_str(), &value, &length) && value;
  return present && length > 0 ? std::wstring(static_cast<const wchar_t*>(value)) : std::wstring();
}

TEST(VemoResources, VersionInformationHoldsTheProgramsValues) {
  const std::wstring exe = (kBuildDir / "vemo.exe").wstring();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileOS, DWORD(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  // Japanese first, which is the one the About box reads; English beside it.
  ASSERT_EQ(length, 8u) << "two entries";
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 0x03A4);
  EXPECT_EQ(translation[2], 0x0409);
  EXPECT_EQ(translation[3], 0x04B0);

  bool present = false;
  EXPECT_EQ(VersionString(block, L"CompanyName", present), L"Orvane");
  EXPECT_EQ(VersionString(block, L"FileDescription", present), L"Kobaru");
  EXPECT_EQ(VersionString(block, L"InternalName", present), L"Kobaru");
  EXPECT_EQ(VersionString(block, L"ProductName", present), L"Kobaru");
  EXPECT_EQ(VersionString(block, L"FileVersion", present), L"1.1.1.0");
  EXPECT_EQ(VersionString(block, L"ProductVersion", present), L"1.11");
  EXPECT_EQ(VersionString(block, L"OriginalFilename", present), L"vemo.exe");
  EXPECT_NE(VersionString(block, L"LegalCopyright", present).find(L"Orvane"), std::wstring::npos);
  EXPECT_EQ(VersionString(block, L"LegalTrademarks", present), L"");
  for (const wchar_t* absent : {L"Comments", L"PrivateBuild", L"SpecialBuild"}) {
    EXPECT_EQ(VersionString(block, absent, present), L"");
    EXPECT_FALSE(present) << Utf8Of(absent);
  }
}

TEST(VemoResources, ManifestAndIconAreEmbedded) {
  HMODULE module =
      LoadLibraryExW((kBuildDir / "vemo.exe").wstring().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
  const std::string xml(text, SizeofResource(module, manifest));
  EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(xml.find("<dpiAware"), std::string::npos);
  // The program's own identity names the build's processor; the controls' is "*".
  EXPECT_NE(
      xml.find(sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\""),
      std::string::npos);
  EXPECT_NE(xml.find("supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\""), std::string::npos);
  EXPECT_NE(FindResourceW(module, L"MAINICON", MAKEINTRESOURCEW(14)), nullptr) << "the application icon";
  FreeLibrary(module);
}

}  // namespace

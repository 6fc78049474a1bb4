// vemo.exe at the display scaling the Wine prefix has: the icon in Wine's tray
// window must be exactly the tile vemo-tile makes at the notification area's
// small-icon size, not a 16-pixel tile stretched by the tray. Run once in the
// shared prefix (96 dpi, 16 px) and once in a throw-away prefix at 144 dpi,
// where VEMO_EXPECT_ICON_SIDE says the tray's icons are 24 px.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/Unit1_win.h"
#include "picture/Pinwheel.h"
#include "framework/BmpFile.h"
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
const wchar_t kExeName[] = L"vemo-dpi-e2e.exe";
const wchar_t kRegistryKey[] = L"Software\\Orvane\\vemo-dpi-e2e";

// The tray window's client area as the screen shows it.
std::unique_ptr<TBitmap> TrayShot() {
  const HWND tray = TrayWindow();
  RECT client = {};
  if (!tray || !GetClientRect(tray, &client)) return nullptr;
  POINT origin = {0, 0};
  ClientToScreen(tray, &origin);
  return vemo_test::ScreenArea(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
}

// Where the tile and the screen differ, for the failure message.
std::string Differences(const TBitmap& shot, int32_t left, int32_t top, const TBitmap& tile) {
  int count = 0;
  std::string first;
  for (int32_t y = 0; y < tile.Height() && top + y < shot.Height(); ++y)
    for (int32_t x = 0; x < tile.Width() && left + x < shot.Width(); ++x)
      if (shot.PixelColor(left + x, top + y) != tile.PixelColor(x, y) && count++ == 0)
        first = " first at " + std::to_string(x) + "," + std::to_string(y);
  return std::to_string(count) + " pixels differ" + first;
}

std::unique_ptr<TBitmap> ToolTile(const std::filesystem::path& picture, int32_t side,
                                  const std::filesystem::path& folder) {
  return vemo_test::ToolTile(kBuildDir / "vemo-tile.exe", picture, folder, side);
}

// A picture whose tile has detail in every pixel at side: a checkerboard of
// single pixels in colours that change along both axes. Shrunk to 16 or
// stretched back, it cannot come out the same.
void SaveDetailedPicture(const std::filesystem::path& file, int32_t side) {
  TBitmap picture(side, side, pf24bit);
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x)
      picture.SetPixelColor(x, y,
                            (x + y) % 2 ? RGBColor(uint8_t(x * 10), uint8_t(200 - y * 5), 40)
                                        : RGBColor(250, uint8_t(y * 9), uint8_t(x * 9)));
  SaveBitmapToFile(vemo_test::Utf8FromPath(file), picture);
}

}  // namespace

TEST(VemoAtDisplayScale, TheTrayShowsTilesMadeAtItsIconSize) {
  const int32_t side = GetSystemMetrics(SM_CXSMICON);
  if (const char* expected = std::getenv("VEMO_EXPECT_ICON_SIDE")) {
    ASSERT_EQ(side, std::atoi(expected)) << "the prefix's scaling did not take";
  }
  vemo_test::TTempFolder temp{"vemo-dpi-e2e"};
  RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
  std::filesystem::copy_file(kBuildDir / "vemo.exe", temp.FsPath() / kExeName);
  const std::filesystem::path pictures = temp.MakeFolder("pics");
  const std::filesystem::path picture = pictures / "detail.bmp";
  SaveDetailedPicture(picture, side);
  {
    std::ofstream ini(temp.FsPath() / "vemo-dpi-e2e.ini", std::ios::binary);
    ini << "[General]\r\nInterval=3\r\n[Folders]\r\nCount=1\r\n0=" << vemo_test::Utf8FromPath(pictures)
        << "\r\n";
  }
  const std::unique_ptr<TBitmap> expected = ToolTile(picture, side, temp.FsPath());
  ASSERT_EQ(expected->Width(), side);
  const std::unique_ptr<TBitmap> pinwheel = MakeDefaultTile(side);

  // The pointer is drawn into the screen's pixels; it stays out of the tray.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  TProcess vemo(temp.FsPath() / kExeName, L"", temp.FsPath());
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (main = TopWindowOf(vemo.Id(), kMainWindowClass)) != nullptr; }, 20s));

  // Wine's tray draws each icon at (2, 2) of its window, at its own icon size.
  std::unique_ptr<TBitmap> shot;
  const bool defaultShown = WaitUntil([&] {
    shot = TrayShot();
    return shot && TileAt(*shot, 2, 2, *pinwheel);
  });
  if (shot) vemo_test::SaveShot(shot.get(), "tray-" + std::to_string(side) + "-default.bmp");
  EXPECT_TRUE(defaultShown) << "the pinwheel at " << side << " px never appeared at (2, 2): "
                            << (shot ? Differences(*shot, 2, 2, *pinwheel) : "no tray");

  PostMessageW(main, WM_COMMAND, cmdPlay, 0);
  const bool pictureShown = WaitUntil(
      [&] {
        shot = TrayShot();
        return shot && TileAt(*shot, 2, 2, *expected);
      },
      10s);
  if (shot) vemo_test::SaveShot(shot.get(), "tray-" + std::to_string(side) + "-picture.bmp");
  EXPECT_TRUE(pictureShown) << "the tray never showed vemo-tile --size " << side << " of the picture: "
                            << (shot ? Differences(*shot, 2, 2, *expected) : "no tray");

  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(vemo.Wait(10000));
  RegDeleteTreeW(HKEY_CURRENT_USER, kRegistryKey);
}

// Photos stored on their side, as Windows shows them: the preview window's
// pixels on the screen and a history thumbnail as the menu gets it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "dialogs/dlgImage_win.h"
#include "framework/ImgList_win.h"
#include "picture/History.h"
#include "picture/vemoSub.h"
#include "support/TestSupport.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace vemo_test;

class TNoBoxes : public TMessageBoxes {
public:
  void Show(const std::string& text, const std::string&, TMsgDlgType) override { ADD_FAILURE() << text; }
};

// The test pictures are 64 x 32 upright: red, green on top, blue, white below.
struct TQuadrant {
  int X, Y;  // centre, in units of the upright picture's eighth
  TColor Colour;
};
const TQuadrant kQuadrants[] = {{2, 2, RGBColor(255, 0, 0)},
                                {6, 2, RGBColor(0, 255, 0)},
                                {2, 6, RGBColor(0, 0, 255)},
                                {6, 6, RGBColor(255, 255, 255)}};

bool Near(TColor a, TColor b) {
  return std::abs(RedOf(a) - RedOf(b)) <= 4 && std::abs(GreenOf(a) - GreenOf(b)) <= 4 &&
         std::abs(BlueOf(a) - BlueOf(b)) <= 4;
}

}  // namespace

TEST(OrientationOnWindows, ThePreviewShowsThePhotoUpright) {
  TNoBoxes boxes;
  TApplication app(boxes);
  app.Title = "Kobaru";
  bool upright = false;
  std::thread user([&] {
    const HWND preview = WaitForWindow(L"orientation-8.jpg", kPreviewWindowClass);
    if (!preview) {
      ADD_FAILURE() << "no preview window";
      return;
    }
    RECT client = {};
    GetClientRect(preview, &client);
    POINT origin = {0, 0};
    ClientToScreen(preview, &origin);
    // 64 x 32 centred in the picture area.
    const int left = origin.x + (client.right - 64) / 2, top = origin.y + (client.bottom - 32) / 2;
    upright = WaitUntil([&] {
      const std::unique_ptr<TBitmap> shot = ScreenArea(RECT{left, top, left + 64, top + 32});
      for (const TQuadrant& q : kQuadrants)
        if (!Near(shot->PixelColor(q.X * 8, q.Y * 4), q.Colour)) return false;
      return true;
    });
    if (!upright) SaveShot(WindowShot(preview).get(), "preview-orientation-8.bmp");
    PostMessageW(preview, WM_CLOSE, 0, 0);
  });
  ShowPreviewDialog(app, TPoint{600, 900}, TestDataPath("jpeg/orientation-8.jpg"));
  user.join();
  EXPECT_TRUE(upright) << "the preview did not show red, green / blue, white";
}

TEST(OrientationOnWindows, AThumbnailShowsTheUprightTileAtTheMenusImageSize) {
  // A 24-px tile (150 %): upright 64 x 32 becomes 24 x 12 at (0, 6); in the
  // 30-px thumbnail it sits 3 more pixels in.
  TBitmap tile(24, 24, pf24bit);
  MakeTile(TestDataPath("jpeg/orientation-5.jpg"), tile, 24);
  TMenuItem parent;
  THistory history(4, &parent, nullptr);
  history.SetThumbnailSize(ScaledForDpi(THistory::kThumbnailSize, 144));
  history.Add("orientation-5.jpg", tile);
  const TGdiBitmap bitmap = AlphaBitmapOf(history.Images(), 0);
  DIBSECTION section = {};
  ASSERT_EQ(GetObjectW(bitmap.Get(), sizeof(section), &section), int(sizeof(section)));
  ASSERT_EQ(section.dsBm.bmWidth, 30);
  const auto* pixels = static_cast<const uint8_t*>(section.dsBm.bmBits);
  auto at = [&](int x, int y) {
    const uint8_t* p = pixels + (y * 30 + x) * 4;
    return RGBColor(p[2], p[1], p[0]);
  };
  auto alpha = [&](int x, int y) { return pixels[(y * 30 + x) * 4 + 3]; };
  EXPECT_EQ(alpha(2, 2), 0);
  EXPECT_EQ(alpha(3, 3), 255);
  for (const TQuadrant& q : kQuadrants)
    EXPECT_TRUE(Near(at(3 + q.X * 3, 9 + q.Y * 3 / 2), q.Colour)) << q.X << "," << q.Y;
  // Above and below the picture, the tile's black.
  EXPECT_EQ(at(15, 5), clBlack);
  EXPECT_EQ(at(15, 24), clBlack);
}

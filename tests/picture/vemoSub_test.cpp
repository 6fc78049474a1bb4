#include "picture/vemoSub.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>

#include "framework/BmpFile.h"
#include "picture/ZoBLibResize.h"
#include "support/TestSupport.h"

namespace {

std::unique_ptr<TBitmap> WhiteTile() {
  auto tile = std::make_unique<TBitmap>(16, 16, pf24bit);
  tile->Canvas().Brush.Color = clWhite;
  tile->Canvas().FillRect({0, 0, 16, 16});
  return tile;
}

// The tile as the whole-picture pipeline makes it: load, convert to 32 bits,
// area-average the whole bitmap, centre on black.
std::unique_ptr<TBitmap> ReferenceTile(const std::string& file) {
  TBitmap picture;
  LoadPicture(file, picture);
  int32_t w = picture.Width(), h = picture.Height();
  FitSize(16, w, h);
  picture.SetPixelFormat(pf32bit);
  std::unique_ptr<TBitmap> resized = ResizeBitmap(picture, w, h, rmAreaAverage, false);
  auto tile = std::make_unique<TBitmap>(16, 16, pf24bit);
  tile->Canvas().Brush.Color = TileBackColor();
  tile->Canvas().FillRect({0, 0, 16, 16});
  tile->Canvas().Draw((16 - w) / 2, (16 - h) / 2, *resized);
  return tile;
}

bool RowIsBlack(const TBitmap& tile, int y) {
  for (int x = 0; x < tile.Width(); ++x)
    if (tile.PixelColor(x, y) != clBlack) return false;
  return true;
}

void SavePicture(const std::string& file, int width, int height, TColor colour) {
  TBitmap picture(width, height, pf24bit);
  picture.Canvas().Brush.Color = colour;
  picture.Canvas().FillRect({0, 0, width, height});
  SaveBitmapToFile(file, picture);
}

}  // namespace

TEST(FitSize, ShrinksIntoTheSquareKeepingProportions) {
  const struct {
    int32_t side, w, h, ew, eh;
  } cases[] = {{16, 640, 480, 16, 12},     {16, 480, 640, 12, 16}, {16, 100, 100, 16, 16},
               {16, 17, 3, 16, 2},         {16, 10, 8, 10, 8},     {16, 16, 16, 16, 16},
               {256, 1024, 768, 256, 192}, {16, 1000, 10, 16, 0},  {16, 0, 0, 0, 0}};
  for (const auto& c : cases) {
    int32_t w = c.w, h = c.h;
    FitSize(c.side, w, h);
    EXPECT_EQ(w, c.ew) << c.w << "x" << c.h;
    EXPECT_EQ(h, c.eh) << c.w << "x" << c.h;
  }
}

TEST(LoadPicture, ChoosesTheReaderByExtensionInAnyCase) {
  EXPECT_EQ(PictureExtension("photo.JPG"), "jpg");
  EXPECT_EQ(PictureExtension("a.b.Jpeg"), "jpeg");
  EXPECT_EQ(PictureExtension("noext"), "");
  EXPECT_EQ(PictureExtension("dir.d/file"), "");

  TTempDir dir;
  const std::vector<uint8_t> jpeg = ReadWholeFile(TestDataPath("jpeg/rgb-420.jpg"));
  for (const char* name : {"x.JPG", "x.Jpeg", "x.jpeg"}) {
    WriteWholeFile(dir.File(name), jpeg);
    TBitmap bitmap;
    LoadPicture(dir.File(name), bitmap);
    EXPECT_EQ(bitmap.Width(), 37) << name;
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit) << name;
  }
  SavePicture(dir.File("y.BMP"), 5, 4, clWhite);
  TBitmap bmp;
  LoadPicture(dir.File("y.BMP"), bmp);
  EXPECT_EQ(bmp.Width(), 5);

  // Other names load nothing: the bitmap keeps what it had.
  for (const char* name : {"x.jpe", "x", "x.gif"}) {
    WriteWholeFile(dir.File(name), jpeg);
    TBitmap bitmap(2, 3, pf8bit);
    LoadPicture(dir.File(name), bitmap);
    EXPECT_EQ(bitmap.Width(), 2) << name;
    EXPECT_EQ(bitmap.PixelFormat(), pf8bit) << name;
  }
}

TEST(MakeTile, CentresTheShrunkPictureOnBlack) {
  auto tile = WhiteTile();
  MakeTile(TestDataPath("jpeg/landscape-640x480.jpg"), *tile, 16);  // 16 x 12 at (0, 2)
  for (int y : {0, 1, 14, 15}) EXPECT_TRUE(RowIsBlack(*tile, y)) << y;
  for (int y = 2; y < 14; ++y) EXPECT_FALSE(RowIsBlack(*tile, y)) << y;

  // A picture that already fits is drawn unscaled: 10 x 8 at (3, 4).
  TBitmap small;
  LoadPicture(TestDataPath("jpeg/small-10x8.jpg"), small);
  MakeTile(TestDataPath("jpeg/small-10x8.jpg"), *tile, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 3 && x < 13 && y >= 4 && y < 12;
      EXPECT_EQ(tile->PixelColor(x, y), inside ? small.PixelColor(x - 3, y - 4) : clBlack) << x << "," << y;
    }

  // 32 x 18 becomes 16 x 9 at (0, 3): three black rows above, four below.
  TTempDir dir;
  SavePicture(dir.File("wide.bmp"), 32, 18, RGBColor(10, 200, 30));
  MakeTile(dir.File("wide.bmp"), *tile, 16);
  for (int y = 0; y < 16; ++y) EXPECT_EQ(RowIsBlack(*tile, y), y < 3 || y >= 12) << y;
  EXPECT_EQ(tile->PixelColor(7, 7), RGBColor(10, 200, 30));
}

TEST(MakeTile, UniformColourStaysExact) {
  TBitmap picture;
  LoadPicture(TestDataPath("jpeg/uniform-200x150.jpg"), picture);
  const TColor colour = picture.PixelColor(0, 0);
  auto tile = WhiteTile();
  MakeTile(TestDataPath("jpeg/uniform-200x150.jpg"), *tile, 16);
  for (int y = 2; y < 14; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_EQ(tile->PixelColor(x, y), colour);
}

TEST(MakeTile, OtherExtensionsGiveABlackTile) {
  TTempDir dir;
  WriteWholeFile(dir.File("photo.jpe"), ReadWholeFile(TestDataPath("jpeg/rgb-420.jpg")));
  auto tile = WhiteTile();
  MakeTile(dir.File("photo.jpe"), *tile, 16);
  for (int y = 0; y < 16; ++y) EXPECT_TRUE(RowIsBlack(*tile, y));
}

TEST(MakeTile, FailuresLeaveThePreviousTile) {
  TTempDir dir;
  auto tile = WhiteTile();
  const uint64_t before = PixelHash(*tile);
  EXPECT_THROW(MakeTile(dir.File("missing.jpg"), *tile, 16), EFileError);
  const std::vector<uint8_t> jpeg = ReadWholeFile(TestDataPath("jpeg/landscape-640x480.jpg"));
  WriteWholeFile(dir.File("cut.jpg"), std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 5000));
  EXPECT_THROW(MakeTile(dir.File("cut.jpg"), *tile, 16), EInvalidGraphic);
  WriteWholeFile(dir.File("bad.bmp"), {'B', 'M', 1, 2, 3});
  EXPECT_THROW(MakeTile(dir.File("bad.bmp"), *tile, 16), EInvalidGraphic);
  // More than 16 : 1 leaves a zero side, which area averaging cannot make.
  SavePicture(dir.File("strip.bmp"), 1000, 10, clWhite);
  EXPECT_THROW(MakeTile(dir.File("strip.bmp"), *tile, 16), EZeroDivide);
  EXPECT_EQ(PixelHash(*tile), before);
}

TEST(MakeTile, RowStreamingMatchesTheWholePicturePipeline) {
  std::vector<std::string> files;
  for (const char* name : {"rgb-420", "rgb-444", "progressive", "grey", "cmyk", "restart",
                           "landscape-640x480", "portrait-300x500", "uniform-200x150", "small-10x8"})
    files.push_back(TestDataPath(std::string("jpeg/") + name + ".jpg"));
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::u8path(TestDataPath("bmp")))) {
    const auto u8 = entry.path().u8string();
    const std::string path(u8.begin(), u8.end());
    if (PictureExtension(path) != "bmp") continue;
    TBitmap probe;
    try {
      LoadPicture(path, probe);  // the malformed samples have their own tests
    } catch (const Exception&) {
      continue;
    }
    files.push_back(path);
  }
  ASSERT_GT(files.size(), 20u);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    auto tile = WhiteTile();
    MakeTile(file, *tile, 16);
    EXPECT_EQ(PixelHash(*tile), PixelHash(*ReferenceTile(file)));
  }
}

TEST(BlendBitmaps, MixesEveryByteWithRoundingToEven) {
  TBitmap a(2, 1, pf24bit), b(2, 1, pf24bit), dest(2, 1, pf24bit);
  auto set = [](TBitmap& bmp, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), bmp.ScanLine(0));
  };
  set(a, {0, 1, 0, 2, 10, 200});
  set(b, {255, 2, 1, 3, 20, 100});
  BlendBitmaps(dest, a, b, 0.5f);
  const uint8_t* d = dest.ScanLine(0);
  EXPECT_EQ(std::vector<uint8_t>(d, d + 6), (std::vector<uint8_t>{128, 2, 0, 2, 15, 150}));
  BlendBitmaps(dest, a, b, 0.25f);
  EXPECT_EQ(d[0], 64);
  BlendBitmaps(dest, a, b, 0.0f);
  EXPECT_EQ(std::vector<uint8_t>(d, d + 6), std::vector<uint8_t>(a.ScanLine(0), a.ScanLine(0) + 6));
  BlendBitmaps(dest, a, b, 1.0f);
  EXPECT_EQ(std::vector<uint8_t>(d, d + 6), std::vector<uint8_t>(b.ScanLine(0), b.ScanLine(0) + 6));
}

TEST(BlendBitmaps, RefusesBadArgumentsBeforeWritingAnything) {
  TBitmap a(16, 16, pf24bit), b(16, 16, pf24bit), dest(16, 16, pf24bit), wide(16, 16, pf32bit);
  FillRandom(a, 1);
  FillRandom(b, 2);
  FillRandom(dest, 3);
  const uint64_t before = PixelHash(dest);
  auto message = [&](TBitmap& d, const TBitmap& s1, const TBitmap& s2, float ratio) {
    try {
      BlendBitmaps(d, s1, s2, ratio);
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string("no exception");
  };
  for (float ratio : {-0.001f, 1.001f, std::numeric_limits<float>::quiet_NaN()})
    EXPECT_EQ(message(dest, a, b, ratio), "混合率は0～1でなければなりません") << ratio;
  // The formats are checked first, in every place.
  EXPECT_EQ(message(wide, a, b, 2.0f), "ピクセルフォーマットはpf24bitでなければなりません");
  EXPECT_EQ(message(dest, wide, b, 2.0f), "ピクセルフォーマットはpf24bitでなければなりません");
  EXPECT_EQ(message(dest, a, wide, 0.5f), "ピクセルフォーマットはpf24bitでなければなりません");
  EXPECT_EQ(PixelHash(dest), before);
}

namespace {

// A tile of the given side made from a picture saved as a BMP.
std::unique_ptr<TBitmap> TileAt(int32_t side, const TBitmap& picture) {
  TTempDir dir;
  SaveBitmapToFile(dir.File("p.bmp"), picture);
  auto tile = std::make_unique<TBitmap>(side, side, pf24bit);
  MakeTile(dir.File("p.bmp"), *tile, uint16_t(side));
  return tile;
}

// The red byte of every tile pixel, one string per row, as the hand-worked
// grids below write them: '.' for 0, otherwise the value.
std::vector<std::string> RedGrid(const TBitmap& tile) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < tile.Height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < tile.Width(); ++x) {
      const int r = RedOf(tile.PixelColor(x, y));
      if (r == 0) {
        row += '.';
      } else {
        row += ' ';
        row += std::to_string(r);
        row += ' ';
      }
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> Grid(int32_t side, const std::function<int(int32_t x, int32_t y)>& red) {
  TBitmap expected(side, side, pf24bit);
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) expected.SetPixelColor(x, y, RGBColor(uint8_t(red(x, y)), 0, 0));
  return RedGrid(expected);
}

}  // namespace

TEST(MakeTile, LargerTilesFollowTheSameRulesAtTheirSide) {
  // 20: 60 x 30, left half red 90, right half 30 -> 20 x 10 (3 x 3 blocks)
  // at (0, 5); the halves meet exactly between tile columns 9 and 10.
  TBitmap halves(60, 30, pf24bit);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 60; ++x) halves.SetPixelColor(x, y, RGBColor(x < 30 ? 90 : 30, 0, 0));
  EXPECT_EQ(RedGrid(*TileAt(20, halves)), Grid(20, [](int32_t x, int32_t y) {
              return y < 5 || y >= 15 ? 0 : x < 10 ? 90 : 30;
            }));

  // 24: 72 x 24, black with one red column (255) at x = 4 -> 24 x 8 at (0, 8).
  // Tile column 1 averages source columns 3..5 of every row: 255 x 3 / 9 =
  // 85 (the 10^-6 trimmed from each last column keeps it below 85.0000...).
  TBitmap line(72, 24, pf24bit);
  line.Canvas().Brush.Color = clBlack;
  line.Canvas().FillRect({0, 0, 72, 24});
  for (int32_t y = 0; y < 24; ++y) line.SetPixelColor(4, y, RGBColor(255, 0, 0));
  EXPECT_EQ(RedGrid(*TileAt(24, line)),
            Grid(24, [](int32_t x, int32_t y) { return y >= 8 && y < 16 && x == 1 ? 85 : 0; }));

  // 32: 96 x 64 of one colour -> 32 x 21 (64 x 32 div 96) at (0, 5), exact.
  TBitmap uniform(96, 64, pf24bit);
  uniform.Canvas().Brush.Color = RGBColor(201, 0, 0);
  uniform.Canvas().FillRect({0, 0, 96, 64});
  EXPECT_EQ(RedGrid(*TileAt(32, uniform)),
            Grid(32, [](int32_t, int32_t y) { return y >= 5 && y < 26 ? 201 : 0; }));
}

TEST(MakeTile, PhotosComeOutUprightInEveryOrientation) {
  // Each file holds the same 64 x 32 picture (red, green / blue, white) stored
  // turned against its EXIF orientation; upright it is a 16 x 8 tile at (0, 4).
  const struct {
    int X, Y;
    TColor Colour;
  } quadrants[] = {{3, 5, RGBColor(255, 0, 0)},
                   {12, 5, RGBColor(0, 255, 0)},
                   {3, 10, RGBColor(0, 0, 255)},
                   {12, 10, RGBColor(255, 255, 255)}};
  auto near = [](TColor a, TColor b) {
    return std::abs(RedOf(a) - RedOf(b)) <= 4 && std::abs(GreenOf(a) - GreenOf(b)) <= 4 &&
           std::abs(BlueOf(a) - BlueOf(b)) <= 4;
  };
  for (int o = 1; o <= 8; ++o) {
    const std::string file = TestDataPath("jpeg/orientation-" + std::to_string(o) + ".jpg");
    TBitmap tile(16, 16, pf24bit);
    MakeTile(file, tile, 16);
    for (int y : {0, 3, 12, 15}) EXPECT_TRUE(RowIsBlack(tile, y)) << "orientation " << o << " row " << y;
    for (const auto& q : quadrants)
      EXPECT_TRUE(near(tile.PixelColor(q.X, q.Y), q.Colour))
          << "orientation " << o << " at " << q.X << "," << q.Y;

    // Loading keeps the picture as stored and reports how to turn it.
    TBitmap stored;
    TOrientation orientation = orNormal;
    LoadPicture(file, stored, &orientation);
    EXPECT_EQ(orientation, TOrientation(o));
    EXPECT_EQ(stored.Width(), SwapsSides(orientation) ? 32 : 64);
  }
}

TEST(ScaledForDpi, RoundsLikeMulDiv) {
  EXPECT_EQ(ScaledForDpi(256, 144), 384);
  EXPECT_EQ(ScaledForDpi(20, 120), 25);
  EXPECT_EQ(ScaledForDpi(20, 96), 20);
  EXPECT_EQ(ScaledForDpi(3, 144), 5);  // 4.5 goes up
  EXPECT_EQ(ScaledForDpi(20, 0), 20);
}

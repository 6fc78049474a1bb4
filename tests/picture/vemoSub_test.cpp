#include "picture/vemoSub.h"

#include <gtest/gtest.h>

#include <cmath>
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
  } cases[] = {{16, 640, 480, 16, 12}, {16, 480, 640, 12, 16}, {16, 100, 100, 16, 16}, {16, 17, 3, 16, 2},
               {16, 10, 8, 10, 8},     {16, 16, 16, 16, 16},   {256, 1024, 768, 256, 192}, {16, 1000, 10, 16, 0},
               {16, 0, 0, 0, 0}};
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
  for (const char* name : {"rgb-420", "rgb-444", "progressive", "grey", "cmyk", "restart", "landscape-640x480",
                           "portrait-300x500", "uniform-200x150", "small-10x8"})
    files.push_back(TestDataPath(std::string("jpeg/") + name + ".jpg"));
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(TestDataPath("bmp")))) {
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

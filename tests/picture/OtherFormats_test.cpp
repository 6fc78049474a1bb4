#include "picture/OtherFormats.h"

#include <gtest/gtest.h>

#include <atomic>

#include "app/Discovery.h"
#include "framework/BmpFile.h"
#include "framework/CancelToken.h"
#include "picture/JpegDecoder.h"
#include "picture/vemoSub.h"
#include "support/TestSupport.h"

namespace {

// A picture of straight BGRA pixels from a formula, read band by band.
class TFakePicture : public TRawPicture {
public:
  TFakePicture(int32_t width, int32_t height, TOrientation orientation, int* calls)
      : FWidth(width), FHeight(height), FOrientation(orientation), FCalls(calls) {
    FFormat.Layout = TRowLayout::Bgra32;
  }
  static uint8_t Channel(int32_t x, int32_t y, int c) { return uint8_t(x * 7 + y * 3 + c * 50); }
  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }
  TOrientation Orientation() const override { return FOrientation; }
  const TRowFormat& Format() const override { return FFormat; }
  void CopyRows(int32_t y, int32_t count, size_t stride, uint8_t* buffer) override {
    ++*FCalls;
    EXPECT_LT(count, FHeight) << "a band, not the whole frame";
    for (int32_t i = 0; i < count; ++i)
      for (int32_t x = 0; x < FWidth; ++x)
        for (int c = 0; c < 4; ++c) buffer[size_t(i) * stride + size_t(x) * 4 + c] = Channel(x, y + i, c);
  }

private:
  int32_t FWidth, FHeight;
  TOrientation FOrientation;
  int* FCalls;
  TRowFormat FFormat;
};

class OtherFormatsTest : public testing::Test {
protected:
  void SetUp() override {
    SetOtherPictureFormats({{"FAKE", {"fake", "bmp", "jpg"}}, {"ALSO", {"also"}}},
                           [this](const std::string&) {
                             return std::make_unique<TFakePicture>(Width, Height, orTurnClockwise, &Calls);
                           });
    WriteWholeFile(Temp.File("p.fake"), {1});
  }
  void TearDown() override { SetOtherPictureFormats({}, nullptr); }
  TTempDir Temp;
  int32_t Width = 300, Height = 4000, Calls = 0;
};

TEST_F(OtherFormatsTest, ATileComesFromBandsAndEqualsThatOfTheSamePixelsOverBlackAsABmp) {
  TBitmap same(Width, Height, pf24bit);
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x)
      for (int c = 0; c < 3; ++c)
        same.ScanLine(y)[x * 3 + c] =
            uint8_t((TFakePicture::Channel(x, y, c) * TFakePicture::Channel(x, y, 3) + 127) / 255);
  SaveBitmapToFile(Temp.File("same.bmp"), same);
  TBitmap tile(24, 24, pf24bit), reference(24, 24, pf24bit), turned(24, 24, pf24bit);
  MakeTile(Temp.File("p.fake"), tile, 24);
  EXPECT_GT(Calls, 1);
  MakeTile(Temp.File("same.bmp"), reference, 24);
  // The fake's orientation turns the tile as it would turn a photo's.
  auto upright = OrientBitmap(reference, orTurnClockwise);
  EXPECT_EQ(PixelHash(tile), PixelHash(*upright));
  TBitmap loaded;
  TOrientation orientation = orNormal;
  LoadPicture(Temp.File("p.fake"), loaded, &orientation);
  EXPECT_EQ(orientation, orTurnClockwise);
  EXPECT_EQ(PixelHash(loaded), PixelHash(same));
}

TEST_F(OtherFormatsTest, OnlyTheOfferedExtensionsArePicturesAndBmpAndJpegKeepTheirOwn) {
  EXPECT_EQ(OtherPictureExtensions(), (std::vector<std::string>{"also", "fake"}));
  EXPECT_TRUE(IsPictureFile("a.FaKe"));
  EXPECT_FALSE(IsPictureFile("a.webp"));
  EXPECT_FALSE(IsPictureFile("a.heic"));
  EXPECT_EQ(FoldersNoteText().substr(FoldersNoteText().find("は、")),
            "は、BMPファイル、JPEGファイル、FAKEファイルとALSOファイルです。");
  SetOtherPictureFormats({}, nullptr);
  EXPECT_FALSE(IsPictureFile("a.fake"));
  EXPECT_EQ(FoldersNoteText(),
            "スライドショーに表示する画像を含むフォルダを指定して下さい。サブフォルダの画像も含まれます。"
            "スライドショーで表示できる画像は、BMPファイルとJPEGファイルです。");
}

TEST_F(OtherFormatsTest, TooManyPixelsOrACancelledDecodeEndBeforeAnyRowIsRead) {
  Width = 20001;
  Height = 20000;
  TBitmap tile(16, 16, pf24bit);
  EXPECT_THROW(
      try { MakeTile(Temp.File("p.fake"), tile, 16); } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "FAKE 画像が大きすぎます");
        throw;
      },
      EInvalidGraphic);
  Width = Height = 100;
  TCancelToken cancelled;
  cancelled.Cancel();
  const TCancelScope scope(cancelled);
  EXPECT_THROW(MakeTile(Temp.File("p.fake"), tile, 16), ECancelled);
  EXPECT_EQ(Calls, 0);
}

TEST(OtherFormats, HeadersClaimingTooManyPixelsAreRefused) {
  struct TCase {
    std::vector<uint8_t> Head;
    bool Refused;
  };
  const std::vector<uint8_t> png{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  auto pngOf = [&](std::vector<uint8_t> size) {
    auto head = png;
    head.insert(head.end(), size.begin(), size.end());
    return head;
  };
  const TCase cases[] = {
      {pngOf({0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20}), false},  // 20000 x 20000
      {pngOf({0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x21}), true},
      {pngOf({0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 1}), true},
      {{'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF}, true},
      {{'G', 'I', 'F', '8', '7', 'a', 0x10, 0x27, 0x10, 0x27}, false},
      {{'G', 'I', 'F', '8', '9', 'a', 0xFF}, false},  // short: the decoder judges
      {{'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0xFF}, false},
  };
  for (const TCase& c : cases) {
    if (c.Refused)
      EXPECT_THROW(RefuseOversizedHeader(c.Head.data(), c.Head.size()), EInvalidGraphic);
    else
      EXPECT_NO_THROW(RefuseOversizedHeader(c.Head.data(), c.Head.size()));
  }
}

}  // namespace

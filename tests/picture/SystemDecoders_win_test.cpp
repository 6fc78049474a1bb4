#include "picture/SystemDecoders_win.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/Discovery.h"
#include "framework/Classes.h"
#include "picture/OtherFormats.h"
#include "picture/vemoSub.h"
#include "support/TestSupport.h"

namespace {

class SystemDecodersTest : public testing::Test {
protected:
  void SetUp() override { InstallSystemPictureFormats(); }
  void TearDown() override { SetOtherPictureFormats({}, nullptr); }
  TTempDir Temp;
};

TEST_F(SystemDecodersTest, TheSystemsDecodersButItsBmpAndJpegOnesAreOffered) {
  const std::vector<std::string> offered = OtherPictureExtensions();
  for (const char* extension : {"png", "gif", "tif", "tiff"})
    EXPECT_TRUE(std::count(offered.begin(), offered.end(), extension)) << extension;
  // Wine has neither WebP nor HEIF; BMP's and JPEG's stay with our own decoders.
  for (const char* extension : {"bmp", "dib", "rle", "jpg", "jpe", "jfif", "webp", "heic"})
    EXPECT_FALSE(std::count(offered.begin(), offered.end(), extension)) << extension;
  EXPECT_NE(FoldersNoteText().find("BMPファイル、JPEGファイル、PNGファイル、GIFファイル、TIFFファイル"),
            std::string::npos)
      << FoldersNoteText();
}

TEST_F(SystemDecodersTest, AFolderOfBmpAndPngFilesListsAndShowsThemAllAndADamagedOneFails) {
  const auto data = std::filesystem::path(TestDataPath("formats"));
  for (const char* name : {"rgb24.png", "alpha.png", "first.bmp", "two-pages.tif"})
    std::filesystem::copy_file(data / name, Temp.Path() / name);
  std::filesystem::copy_file(data / "rgb24.png", Temp.Path() / "UPPER.PNG");
  std::filesystem::copy_file(data / "rgb24.png", Temp.Path() / "a.webp");
  std::filesystem::copy_file(data / "rgb24.png", Temp.Path() / "a.heic");
  std::filesystem::copy_file(data / "damaged" / "truncated-half.png", Temp.Path() / "truncated.png");
  TStringList list;
  ScanFolder(Temp.File(""), list);
  EXPECT_EQ(list.Count(), 6);
  for (int32_t i = 0; i < list.Count(); ++i) {
    TBitmap tile(16, 16, pf24bit);
    if (list.Strings(i).find("truncated") == std::string::npos) {
      MakeTile(list.Strings(i), tile, 16);
      EXPECT_NE(PixelHash(tile), PixelHash(TBitmap(16, 16, pf24bit))) << list.Strings(i);
    } else {
      EXPECT_THROW(MakeTile(list.Strings(i), tile, 16), EInvalidGraphic);
    }
  }
}

}  // namespace

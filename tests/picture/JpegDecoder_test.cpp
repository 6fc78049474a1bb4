#include "picture/JpegDecoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "support/TestSupport.h"

namespace {

// Largest difference between a decoded pf24bit bitmap and a PPM reference.
int MaxDifference(const TBitmap& bitmap, const TPpm& ppm) {
  EXPECT_EQ(bitmap.Width(), ppm.Width);
  EXPECT_EQ(bitmap.Height(), ppm.Height);
  int worst = 0;
  for (int y = 0; y < ppm.Height && y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < ppm.Width && x < bitmap.Width(); ++x)
      for (int c = 0; c < 3; ++c) {
        const int ours = row[x * 3 + (2 - c)];  // blue, green, red in memory
        const int theirs = ppm.Rgb[(size_t(y) * ppm.Width + x) * 3 + c];
        worst = std::max(worst, std::abs(ours - theirs));
      }
  }
  return worst;
}

}  // namespace

TEST(JpegDecoder, DecodesEveryKindLikeAnIndependentDecoder) {
  // ImageMagick's decoding of the same files through the same library must
  // agree exactly; only its CMYK conversion rounds differently by a level.
  const struct {
    const char* name;
    int tolerance;
  } cases[] = {{"rgb-420", 0}, {"rgb-444", 0}, {"progressive", 0}, {"grey", 0}, {"cmyk", 1}, {"restart", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    LoadJpegFromFile(TestDataPath(std::string("jpeg/") + c.name + ".jpg"), bitmap);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_LE(MaxDifference(bitmap, ReadPpm(TestDataPath(std::string("jpeg/") + c.name + ".ppm"))),
              c.tolerance);
  }
}

TEST(JpegDecoder, GreyPicturesComeOutGrey) {
  TBitmap bitmap;
  LoadJpegFromFile(TestDataPath("jpeg/grey.jpg"), bitmap);
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      const uint8_t* p = bitmap.ScanLine(y) + x * 3;
      ASSERT_EQ(p[0], p[1]);
      ASSERT_EQ(p[1], p[2]);
    }
}

TEST(JpegDecoder, StreamsRowsTopToBottomInOneBuffer) {
  TFileStream stream(TestDataPath("jpeg/rgb-420.jpg"), TFileStream::TMode::Read);
  TJpegDecoder decoder(stream);
  TBitmap whole;
  LoadJpegFromFile(TestDataPath("jpeg/rgb-420.jpg"), whole);
  int32_t expected = 0;
  const uint8_t* buffer = nullptr;
  decoder.ReadRows([&](int32_t y, const uint8_t* row) {
    EXPECT_EQ(y, expected++);
    if (!buffer) buffer = row;
    EXPECT_EQ(row, buffer);
    EXPECT_EQ(0, std::memcmp(row, whole.ScanLine(y), size_t(whole.Width()) * 3));
  });
  EXPECT_EQ(expected, whole.Height());
}

TEST(JpegDecoder, BadFilesRaiseClearErrors) {
  const std::vector<uint8_t> good = ReadWholeFile(TestDataPath("jpeg/rgb-444.jpg"));
  TTempDir dir;
  auto expectInvalid = [&](const std::vector<uint8_t>& bytes, const char* what) {
    SCOPED_TRACE(what);
    const std::string file = dir.File("bad.jpg");
    WriteWholeFile(file, bytes);
    TBitmap bitmap(3, 3, pf24bit);
    EXPECT_THROW(LoadJpegFromFile(file, bitmap), EInvalidGraphic);
    EXPECT_EQ(bitmap.Width(), 3);  // left as it was
  };
  expectInvalid({}, "empty file");
  expectInvalid({0xFF, 0xD8, 0xFF}, "only a start marker");
  expectInvalid(std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(good.size() / 2)), "truncated");
  std::vector<uint8_t> garbage(2000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 7919 >> 3);
  expectInvalid(garbage, "garbage");
  std::vector<uint8_t> noise = good;
  for (size_t i = good.size() / 2; i < good.size() - 2; i += 3) noise[i] = 0xFF;
  expectInvalid(noise, "markers in the entropy data");

  TBitmap bitmap;
  EXPECT_THROW(LoadJpegFromFile(dir.File("missing.jpg"), bitmap), EFileError);
}

TEST(JpegDecoder, HugeDeclaredSizeWithFewBytesFailsFast) {
  // Patch the frame header (SOF0: FF C0, length, precision, height, width).
  auto withSize = [](uint8_t hi, uint8_t lo) {
    std::vector<uint8_t> bytes = ReadWholeFile(TestDataPath("jpeg/rgb-420.jpg"));
    for (size_t i = 0; i + 9 < bytes.size(); ++i)
      if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
        bytes[i + 5] = hi, bytes[i + 6] = lo;
        bytes[i + 7] = hi, bytes[i + 8] = lo;
        return bytes;
      }
    ADD_FAILURE() << "no frame header";
    return bytes;
  };
  TTempDir dir;
  const auto started = std::chrono::steady_clock::now();
  // 65500 x 65500 is refused from its header alone.
  WriteWholeFile(dir.File("huge.jpg"), withSize(0xFF, 0xDC));
  TBitmap bitmap;
  EXPECT_THROW(LoadJpegFromFile(dir.File("huge.jpg"), bitmap), EInvalidGraphic);
  // 19000 x 19000 is allowed by the header, but the data runs out at once.
  WriteWholeFile(dir.File("large.jpg"), withSize(0x4A, 0x38));
  TFileStream stream(dir.File("large.jpg"), TFileStream::TMode::Read);
  TJpegDecoder decoder(stream);
  EXPECT_EQ(decoder.Width(), 19000);
  EXPECT_THROW(decoder.ReadRows([](int32_t, const uint8_t*) {}), EInvalidGraphic);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

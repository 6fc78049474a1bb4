#include "framework/BmpFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

const char* const kNotBitmap = "ビットマップ ファイルではありません";
const char* const kCorrupt = "ビットマップ ファイルが壊れています";
const char* const kBadSize = "ビットマップの大きさが無効です";
const char* const kUnsupported = "未対応のビットマップ形式です";
const char* const kBadColours = "ビットマップの色数が無効です";
const char* const kBadMasks = "ビットマップのビット フィールドが無効です";

std::string BmpPath(const std::string& name) { return TestDataPath("bmp/" + name); }

// A binary grey map (P5, maxval 255), for the alpha references.
std::vector<uint8_t> ReadPgm(const std::string& fileName, int width, int height) {
  const std::vector<uint8_t> bytes = ReadWholeFile(fileName);
  const std::string header = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  if (bytes.size() != header.size() + size_t(width) * size_t(height) ||
      !std::equal(header.begin(), header.end(), bytes.begin()))
    throw std::runtime_error("unexpected PGM " + fileName);
  return std::vector<uint8_t>(bytes.begin() + ptrdiff_t(header.size()), bytes.end());
}

// Little-endian BMP bytes assembled by hand, for what no file shows.
struct TBmpBytes {
  std::vector<uint8_t> Bytes;
  void U8(uint32_t v) { Bytes.push_back(uint8_t(v)); }
  void U16(uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v);
    U16(v >> 16);
  }
};

// A file with a 40-byte header; masks (if any) follow it, then the colour
// table, then the pixel data. With headerSize 52 or 56 the three or four masks
// are the end of the header itself.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                             const std::vector<uint32_t>& masks, const std::vector<uint32_t>& colours,
                             const std::vector<uint8_t>& pixels, uint32_t headerSize = 40) {
  TBmpBytes b;
  const uint32_t offset = uint32_t(14 + 40 + 4 * masks.size() + 4 * colours.size());
  b.U8('B');
  b.U8('M');
  b.U32(offset + uint32_t(pixels.size()));
  b.U32(0);
  b.U32(offset);
  b.U32(headerSize);
  b.U32(uint32_t(width));
  b.U32(uint32_t(height));
  b.U16(1);
  b.U16(bits);
  b.U32(compression);
  b.U32(uint32_t(pixels.size()));
  b.U32(0);
  b.U32(0);
  b.U32(uint32_t(colours.size()));
  b.U32(0);
  for (uint32_t m : masks) b.U32(m);
  for (uint32_t c : colours) b.U32(c);
  b.Bytes.insert(b.Bytes.end(), pixels.begin(), pixels.end());
  return b.Bytes;
}

std::unique_ptr<TBitmap> LoadFromMemory(const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes.data(), bytes.size());
  TBmpDecoder decoder(stream);
  auto bitmap = std::make_unique<TBitmap>();
  decoder.Load(*bitmap);
  return bitmap;
}

std::string LoadErrorOf(const std::vector<uint8_t>& bytes) {
  try {
    LoadFromMemory(bytes);
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "(loaded)";
}

// Raw stored values compared pixel by pixel, so padding bits do not count.
void ExpectSamePixels(const TBitmap& expected, const TBitmap& actual, const std::string& what) {
  ASSERT_EQ(expected.Width(), actual.Width()) << what;
  ASSERT_EQ(expected.Height(), actual.Height()) << what;
  ASSERT_EQ(expected.PixelFormat(), actual.PixelFormat()) << what;
  EXPECT_EQ(expected.Palette(), actual.Palette()) << what;
  int differences = 0;
  for (int32_t y = 0; y < expected.Height(); ++y)
    for (int32_t x = 0; x < expected.Width(); ++x)
      if (expected.RawPixel(x, y) != actual.RawPixel(x, y)) ++differences;
  EXPECT_EQ(differences, 0) << what;
}

// ---------------------------------------------------------------------------
// Every kind of file against ImageMagick's decoding of it.

enum TAlphaCheck { acNone, acReference, acSourcePlane };

struct TKind {
  const char* Name;
  TPixelFormat Format;
  TAlphaCheck Alpha;
};

const TKind kKinds[] = {
    {"pal1-core.bmp", pf1bit, acNone},
    {"pal4-core.bmp", pf4bit, acNone},
    {"pal8-core.bmp", pf8bit, acNone},
    {"rgb24-core.bmp", pf24bit, acNone},
    {"pal1-v3.bmp", pf1bit, acNone},
    {"pal4-v3.bmp", pf4bit, acNone},
    {"pal8-v3.bmp", pf8bit, acNone},
    {"pal8-clrused20-v3.bmp", pf8bit, acNone},
    {"pal4-short-table-v3.bmp", pf4bit, acNone},
    {"pal8-rle8-v3.bmp", pf8bit, acNone},
    {"pal8-rle8-delta-v3.bmp", pf8bit, acNone},
    {"pal8-rle8-early-end-v3.bmp", pf8bit, acNone},
    {"pal4-rle4-v3.bmp", pf4bit, acNone},
    {"pal4-rle4-early-end-v3.bmp", pf4bit, acNone},
    {"rgb24-v3.bmp", pf24bit, acNone},
    {"rgb555-v3.bmp", pf15bit, acNone},
    {"rgb555-bitfields-v3.bmp", pf15bit, acNone},
    {"rgb565-bitfields-v3.bmp", pf16bit, acNone},
    {"argb32-v3.bmp", pf32bit, acReference},
    {"rgb32-bitfields-v3.bmp", pf32bit, acSourcePlane},
    {"rgb444-bitfields-v3.bmp", pf24bit, acNone},
    {"bgr555-bitfields-v3.bmp", pf24bit, acNone},
    {"rgb101010-bitfields-v3.bmp", pf32bit, acNone},
    {"pal1-topdown-v3.bmp", pf1bit, acNone},
    {"pal8-topdown-v3.bmp", pf8bit, acNone},
    {"rgb24-topdown-v3.bmp", pf24bit, acNone},
    {"rgb565-topdown-v3.bmp", pf16bit, acNone},
    {"rgb565-v52.bmp", pf16bit, acNone},
    {"argb32-v56.bmp", pf32bit, acReference},
    {"rgba8888-v56.bmp", pf32bit, acReference},
    {"pal4-v4.bmp", pf4bit, acNone},
    {"rgb24-v4.bmp", pf24bit, acNone},
    {"rgb565-v4.bmp", pf16bit, acNone},
    {"argb32-v4.bmp", pf32bit, acReference},
    {"pal1-v5.bmp", pf1bit, acNone},
    {"pal4-v5.bmp", pf4bit, acNone},
    {"pal8-v5.bmp", pf8bit, acNone},
    {"pal8-rle8-v5.bmp", pf8bit, acNone},
    {"rgb24-v5.bmp", pf24bit, acNone},
    {"rgb555-v5.bmp", pf15bit, acNone},
    {"rgb565-v5.bmp", pf16bit, acNone},
    {"argb1555-v5.bmp", pf15bit, acNone},
    {"argb4444-v5.bmp", pf24bit, acNone},
    {"argb32-v5.bmp", pf32bit, acReference},
    {"argb32-topdown-v5.bmp", pf32bit, acReference},
};

class BmpKinds : public testing::TestWithParam<TKind> {};

TEST_P(BmpKinds, ShowsWhatImageMagickShowsInTheFilesOwnFormat) {
  const TKind& kind = GetParam();
  TBitmap bitmap;
  LoadBitmapFromFile(BmpPath(kind.Name), bitmap);
  ASSERT_EQ(bitmap.Width(), 37);
  ASSERT_EQ(bitmap.Height(), 23);
  EXPECT_EQ(bitmap.PixelFormat(), kind.Format);

  const TPpm ref = ReadPpm(BmpPath(std::string("ref/") + kind.Name + ".ppm"));
  ASSERT_EQ(ref.Width, 37);
  ASSERT_EQ(ref.Height, 23);
  int differences = 0;
  for (int32_t y = 0; y < 23; ++y)
    for (int32_t x = 0; x < 37; ++x) {
      const uint8_t* p = &ref.Rgb[(size_t(y) * 37 + size_t(x)) * 3];
      const TColor want = RGBColor(p[0], p[1], p[2]);
      if (bitmap.PixelColor(x, y) != want && ++differences <= 3)
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << bitmap.PixelColor(x, y)
                      << " instead of " << want;
    }
  EXPECT_EQ(differences, 0);

  if (kind.Alpha != acNone) {
    const std::string alphaFile =
        kind.Alpha == acReference ? std::string("ref/") + kind.Name + ".alpha.pgm" : "source-alpha.pgm";
    const std::vector<uint8_t> alpha = ReadPgm(BmpPath(alphaFile), 37, 23);
    int alphaDifferences = 0;
    for (int32_t y = 0; y < 23; ++y)
      for (int32_t x = 0; x < 37; ++x)
        if (bitmap.ScanLine(y)[4 * x + 3] != alpha[size_t(y) * 37 + size_t(x)]) ++alphaDifferences;
    EXPECT_EQ(alphaDifferences, 0) << "fourth bytes differ from " << alphaFile;
  }
}

TEST_P(BmpKinds, DeliversTheSameRowsStreamedAsLoaded) {
  const std::vector<uint8_t> bytes = ReadWholeFile(BmpPath(GetParam().Name));
  TMemoryStream stream(bytes.data(), bytes.size());
  TBmpDecoder decoder(stream);
  TBitmap loaded;
  decoder.Load(loaded);
  const size_t stride = TBitmap::StrideFor(decoder.Width(), decoder.PixelFormat());
  ASSERT_EQ(stride, loaded.RowStride());
  int32_t next = 0;
  decoder.ReadRows([&](int32_t y, const uint8_t* row) {
    ASSERT_EQ(y, next++);
    EXPECT_EQ(std::memcmp(row, loaded.ScanLine(y), stride), 0) << "row " << y;
  });
  EXPECT_EQ(next, decoder.Height());
  EXPECT_EQ(decoder.Palette(), loaded.Palette());
}

// Every cut of a good file is refused, except that an RLE stream may lose its
// final end of bitmap once all its lines are complete.
TEST_P(BmpKinds, RefusesEveryTruncation) {
  const std::vector<uint8_t> bytes = ReadWholeFile(BmpPath(GetParam().Name));
  const auto whole = LoadFromMemory(bytes);
  for (size_t size = 0; size < bytes.size(); ++size) {
    TMemoryStream stream(bytes.data(), size);
    try {
      TBmpDecoder decoder(stream);
      TBitmap bitmap;
      decoder.Load(bitmap);
      EXPECT_GE(size + 2, bytes.size()) << "a cut at " << size << " was accepted";
      ExpectSamePixels(*whole, bitmap, "cut at " + std::to_string(size));
    } catch (const EInvalidGraphic&) {
    }
  }
}

std::string KindName(const testing::TestParamInfo<TKind>& info) {
  std::string name = info.param.Name;
  name.resize(name.size() - 4);
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Files, BmpKinds, testing::ValuesIn(kKinds), KindName);

TEST(BmpFile, KeepsTheColourTableOfTheFile) {
  TBitmap bitmap;
  LoadBitmapFromFile(BmpPath("pal8-clrused20-v3.bmp"), bitmap);
  EXPECT_EQ(bitmap.Palette().size(), 20u);
  LoadBitmapFromFile(BmpPath("pal4-core.bmp"), bitmap);
  EXPECT_EQ(bitmap.Palette().size(), 16u);

  // Six colours for sixteen indices: the pixels keep their indices, and the
  // ones without a colour show black.
  LoadBitmapFromFile(BmpPath("pal4-short-table-v3.bmp"), bitmap);
  ASSERT_EQ(bitmap.Palette().size(), 6u);
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      ASSERT_EQ(bitmap.RawPixel(x, y), uint32_t((x + y) % 16));
      if ((x + y) % 16 >= 6) {
        ASSERT_EQ(bitmap.PixelColor(x, y), clBlack);
      }
    }
}

TEST(BmpFile, ReplacesWhateverTheBitmapHeld) {
  TBitmap bitmap(100, 50, pf32bit);
  bitmap.Canvas().Brush.Color = clWhite;
  bitmap.Canvas().FillRect({0, 0, 100, 50});
  LoadBitmapFromFile(BmpPath("pal4-v3.bmp"), bitmap);
  TBitmap fresh;
  LoadBitmapFromFile(BmpPath("pal4-v3.bmp"), fresh);
  ExpectSamePixels(fresh, bitmap, "reloaded");
}

// ---------------------------------------------------------------------------
// Bit fields.

TEST(BmpFile, WidensUnusualBitFieldsByRounding) {
  // Red in the low five bits, blue in the high ones: 3 of 31 is 24.7, so 25
  // (repeating the bits would give 24); 16 of 31 is 131.6, so 132.
  const uint16_t pixel = 3 | (31 << 5) | (16 << 10);
  auto bitmap = LoadFromMemory(
      MakeBmp(1, 1, 16, 3, {0x1F, 0x3E0, 0x7C00}, {}, {uint8_t(pixel), uint8_t(pixel >> 8), 0, 0}));
  ASSERT_EQ(bitmap->PixelFormat(), pf24bit);
  EXPECT_EQ(bitmap->ScanLine(0)[0], 132);
  EXPECT_EQ(bitmap->ScanLine(0)[1], 255);
  EXPECT_EQ(bitmap->ScanLine(0)[2], 25);

  // Two bits of alpha in the top, one bit of blue, seven of green, three of
  // red; alpha 1 of 3 is 85, red 5 of 7 is 182.1, so 182; green 64 of 127 is
  // 128.5, so 129.
  TBmpBytes b;
  b.U32((1u << 30) | (1u << 10) | (64u << 3) | 5u);
  bitmap = LoadFromMemory(MakeBmp(1, 1, 32, 3, {0x7, 0x3F8, 0x400, 0xC0000000}, {}, b.Bytes, 56));
  ASSERT_EQ(bitmap->PixelFormat(), pf32bit);
  EXPECT_EQ(bitmap->RawPixel(0, 0), 0x55B681FFu);
  // Without an alpha mask (a 40-byte header holds none) the fourth byte is 0.
  bitmap = LoadFromMemory(MakeBmp(1, 1, 32, 3, {0x7, 0x3F8, 0x400}, {}, b.Bytes));
  EXPECT_EQ(bitmap->RawPixel(0, 0), 0x00B681FFu);
}

TEST(BmpFile, KeepsStandardBitFieldsAsStored) {
  // 32 bits with the standard masks: the fourth byte stays as it was.
  auto bitmap = LoadFromMemory(MakeBmp(1, 1, 32, 3, {0xFF0000, 0xFF00, 0xFF}, {}, {1, 2, 3, 77}));
  ASSERT_EQ(bitmap->PixelFormat(), pf32bit);
  EXPECT_EQ(bitmap->RawPixel(0, 0), 0x4D030201u);
  // 5-6-5 stays 16 bits, masks or no masks 16 bits are 5-5-5.
  EXPECT_EQ(
      LoadFromMemory(MakeBmp(1, 1, 16, 3, {0xF800, 0x7E0, 0x1F}, {}, {0x34, 0x12, 0, 0}))->RawPixel(0, 0),
      0x1234u);
  bitmap = LoadFromMemory(MakeBmp(1, 1, 16, 0, {}, {}, {0x34, 0x92, 0, 0}));
  EXPECT_EQ(bitmap->PixelFormat(), pf15bit);
  EXPECT_EQ(bitmap->RawPixel(0, 0), 0x9234u);
}

TEST(BmpFile, RefusesBadBitFields) {
  for (const std::vector<uint32_t>& masks : std::vector<std::vector<uint32_t>>{
           {0, 0x3E0, 0x1F}, {0x7C00, 0x3F0, 0x1F}, {0x7C00, 0x3E0, 0x15}, {0x7C00, 0x3E0, 0x10000}})
    EXPECT_EQ(LoadErrorOf(MakeBmp(1, 1, 16, 3, masks, {}, {0, 0, 0, 0})), kBadMasks)
        << std::hex << masks[0] << " " << masks[1] << " " << masks[2];
  EXPECT_EQ(LoadErrorOf(MakeBmp(1, 1, 32, 3, {0xFFFF0000, 0xFFFF, 0xFF}, {}, {0, 0, 0, 0})), kBadMasks);
}

// ---------------------------------------------------------------------------
// Streaming: a 6000 x 4000 picture read a row at a time.

// A 24-bit file that exists only as a formula, so that the test holds no
// picture in memory; byte i of stored row r is (r * 7 + i) mod 256.
class TSyntheticBmp : public TStream {
public:
  TSyntheticBmp(int32_t width, int32_t height) : FStride((uint64_t(width) * 24 + 31) / 32 * 4) {
    TBmpBytes b;
    b.U8('B');
    b.U8('M');
    b.U32(0);
    b.U32(0);
    b.U32(54);
    b.U32(40);
    b.U32(uint32_t(width));
    b.U32(uint32_t(height));
    b.U16(1);
    b.U16(24);
    for (int i = 0; i < 6; ++i) b.U32(0);
    FHeader = b.Bytes;
    FSize = 54 + FStride * uint64_t(height);
  }
  size_t Read(void* buffer, size_t count) override {
    auto* out = static_cast<uint8_t*>(buffer);
    const size_t n = size_t(std::min<uint64_t>(count, FPosition < FSize ? FSize - FPosition : 0));
    for (size_t i = 0; i < n; ++i, ++FPosition)
      out[i] = FPosition < 54 ? FHeader[FPosition] : Byte(FPosition - 54);
    LargestRead = std::max(LargestRead, n);
    BytesRead += n;
    return n;
  }
  void Seek(uint64_t position) override { FPosition = position; }
  uint64_t Position() const override { return FPosition; }
  uint64_t Size() const override { return FSize; }

  uint8_t Byte(uint64_t offset) const { return uint8_t(offset / FStride * 7 + offset % FStride); }

  size_t LargestRead = 0;
  uint64_t BytesRead = 0;

private:
  uint64_t FStride;
  std::vector<uint8_t> FHeader;
  uint64_t FSize = 0;
  uint64_t FPosition = 0;
};

TEST(BmpFile, StreamsALargePictureOneRowAtATime) {
  TSyntheticBmp file(6000, 4000);
  TBmpDecoder decoder(file);
  ASSERT_EQ(decoder.PixelFormat(), pf24bit);
  file.LargestRead = 0;
  file.BytesRead = 0;
  int32_t next = 0;
  int wrongRows = 0;
  decoder.ReadRows([&](int32_t y, const uint8_t* row) {
    ASSERT_EQ(y, next++);
    // Bottom-up: picture row y is stored row 3999 - y.
    const uint64_t stored = uint64_t(3999 - y) * 18000;
    if (row[0] != file.Byte(stored) || row[17999] != file.Byte(stored + 17999) ||
        row[9001] != file.Byte(stored + 9001))
      ++wrongRows;
  });
  EXPECT_EQ(next, 4000);
  EXPECT_EQ(wrongRows, 0);
  EXPECT_LE(file.LargestRead, 18000u) << "reads must not exceed a row";
  EXPECT_EQ(file.BytesRead, 18000u * 4000u) << "every row read once";
}

// ---------------------------------------------------------------------------
// Hostile input.

struct TBadFile {
  const char* Name;
  const char* Message;
};

const TBadFile kBadFiles[] = {
    {"bad-signature.bmp", kNotBitmap},
    {"truncated-file-header.bmp", kCorrupt},
    {"truncated-info-header.bmp", kCorrupt},
    {"truncated-palette.bmp", kBadColours},
    {"truncated-pixels.bmp", kCorrupt},
    {"truncated-last-byte.bmp", kCorrupt},
    {"truncated-rle8.bmp", kCorrupt},
    {"unknown-header-size.bmp", kUnsupported},
    {"size-65535x65535.bmp", kBadSize},
    {"size-65535x65535-rle8.bmp", kBadSize},
    {"size-4000x4000-rle8.bmp", kCorrupt},
    {"negative-width.bmp", kBadSize},
    {"zero-width.bmp", kBadSize},
    {"zero-height.bmp", kBadSize},
    {"zero-planes.bmp", kCorrupt},
    {"bit-count-7.bmp", kUnsupported},
    {"compression-jpeg.bmp", kUnsupported},
    {"rle8-with-24-bits.bmp", kUnsupported},
    {"bitfields-with-24-bits.bmp", kUnsupported},
    {"rle8-top-down.bmp", kUnsupported},
    {"colours-beyond-file.bmp", kBadColours},
    {"colours-above-256.bmp", kBadColours},
    {"offset-past-end.bmp", kCorrupt},
    {"offset-inside-header.bmp", kCorrupt},
    {"offset-inside-palette.bmp", kCorrupt},
    {"masks-zero.bmp", kBadMasks},
    {"masks-overlapping.bmp", kBadMasks},
    {"masks-non-contiguous.bmp", kBadMasks},
    {"masks-beyond-16-bits.bmp", kBadMasks},
    {"rle8-run-overflows-row.bmp", kCorrupt},
    {"rle8-absolute-overflows-row.bmp", kCorrupt},
    {"rle8-delta-overflows-row.bmp", kCorrupt},
    {"rle8-delta-overflows-picture.bmp", kCorrupt},
    {"rle8-rows-beyond-picture.bmp", kCorrupt},
    {"rle8-missing-end.bmp", kCorrupt},
    {"rle8-absolute-truncated.bmp", kCorrupt},
    {"rle4-run-overflows-row.bmp", kCorrupt},
    {"rle4-absolute-overflows-row.bmp", kCorrupt},
};

class BmpBadFiles : public testing::TestWithParam<TBadFile> {};

TEST_P(BmpBadFiles, AreRefusedWithAClearMessage) {
  TBitmap bitmap(3, 2, pf24bit);
  try {
    LoadBitmapFromFile(BmpPath(std::string("bad/") + GetParam().Name), bitmap);
    FAIL() << "loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), GetParam().Message);
  }
  // Refused in the headers, before the bitmap was touched.
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
}

std::string BadName(const testing::TestParamInfo<TBadFile>& info) {
  std::string name = info.param.Name;
  name.resize(name.size() - 4);
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Files, BmpBadFiles, testing::ValuesIn(kBadFiles), BadName);

TEST(BmpFile, RefusesImpossibleSizes) {
  const std::vector<uint8_t> row(4, 0);
  EXPECT_EQ(LoadErrorOf(MakeBmp(1, INT32_MIN, 24, 0, {}, {}, row)), kBadSize);
  EXPECT_EQ(LoadErrorOf(MakeBmp(32768, 1, 24, 0, {}, {}, row)), kBadSize);
  EXPECT_EQ(LoadErrorOf(MakeBmp(1, -32768, 24, 0, {}, {}, row)), kBadSize);
  // The largest side allowed still needs its pixel data.
  EXPECT_EQ(LoadErrorOf(MakeBmp(32767, 32767, 1, 0, {}, {0, 0xFFFFFF}, row)), kCorrupt);
  // An RLE picture of 64 million pixels from two bytes of data.
  EXPECT_EQ(LoadErrorOf(MakeBmp(8000, 8000, 8, 1, {}, {0, 0xFFFFFF}, {0, 1})), kCorrupt);
  // A 16-bit picture in a core header does not exist.
  std::vector<uint8_t> core = ReadWholeFile(BmpPath("rgb24-core.bmp"));
  core[24] = 16;
  EXPECT_EQ(LoadErrorOf(core), kUnsupported);
}

TEST(BmpFile, AcceptsSmallRleStreamsWithEveryEscape) {
  // 5 x 3, four colours, bottom row first: a run, an odd absolute run (padded),
  // a delta over one pixel and one row, and an end of bitmap.
  const std::vector<uint8_t> rle = {2, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 1, 1, 2, 3, 0, 1};
  const auto bitmap = LoadFromMemory(MakeBmp(5, 3, 8, 1, {}, {0, 0xFF, 0xFF00, 0xFF0000}, rle));
  const uint32_t want[3][5] = {{0, 3, 3, 0, 0}, {0, 0, 0, 0, 0}, {1, 1, 2, 3, 2}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(bitmap->RawPixel(x, y), want[y][x]) << x << ", " << y;

  // RLE4 runs alternate the two nibbles; absolute runs take one nibble each.
  const std::vector<uint8_t> rle4 = {5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1};
  const auto four = LoadFromMemory(MakeBmp(5, 2, 4, 2, {}, {0, 0xFF, 0xFF00, 0xFF0000}, rle4));
  const uint32_t want4[2][5] = {{3, 1, 2, 0, 0}, {1, 2, 1, 2, 1}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(four->RawPixel(x, y), want4[y][x]) << x << ", " << y;
}

TEST(BmpFile, DropsRunPixelsThatFallIntoTheRowPadding) {
  // Five 8-bit pixels are stored in eight bytes; some encoders run on over
  // the padding. What lands there is dropped, what goes beyond it is corrupt.
  const std::vector<uint32_t> colours = {0, 0xFFFFFF};
  const auto bitmap =
      LoadFromMemory(MakeBmp(5, 2, 8, 1, {}, colours, {8, 1, 0, 0, 0, 7, 1, 0, 1, 0, 1, 0, 0, 0, 0, 1}));
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(bitmap->RawPixel(x, 1), 1u);
    EXPECT_EQ(bitmap->RawPixel(x, 0), uint32_t(x % 2 == 0));
  }
  EXPECT_EQ(LoadErrorOf(MakeBmp(5, 2, 8, 1, {}, colours, {9, 1, 0, 1})), kCorrupt);
  EXPECT_EQ(LoadErrorOf(MakeBmp(5, 2, 8, 1, {}, colours, {4, 1, 0, 2, 5, 0, 0, 1})), kCorrupt);
  // Four-bit rows of five pixels have room for eight.
  EXPECT_EQ(LoadFromMemory(MakeBmp(5, 1, 4, 2, {}, colours, {8, 0x11, 0, 1}))->RawPixel(4, 0), 1u);
  EXPECT_EQ(LoadErrorOf(MakeBmp(5, 1, 4, 2, {}, colours, {9, 0x11, 0, 1})), kCorrupt);
}

// A file that shrinks after its headers were read: the load fails cleanly
// and leaves an empty bitmap, not half a picture.
class TShrinkingStream : public TMemoryStream {
public:
  TShrinkingStream(const std::vector<uint8_t>& bytes, uint64_t readable)
      : TMemoryStream(bytes.data(), bytes.size()), FReadable(readable) {}
  size_t Read(void* buffer, size_t count) override {
    if (Position() >= FReadable) return 0;
    return TMemoryStream::Read(buffer, size_t(std::min<uint64_t>(count, FReadable - Position())));
  }

private:
  uint64_t FReadable;
};

TEST(BmpFile, AFailedLoadLeavesAnEmptyBitmap) {
  // Top-down, so that the first rows arrive before the cut.
  const std::vector<uint8_t> bytes = ReadWholeFile(BmpPath("rgb24-topdown-v3.bmp"));
  TShrinkingStream stream(bytes, 1000);
  TBmpDecoder decoder(stream);
  TBitmap bitmap(5, 5, pf8bit);
  EXPECT_THROW(decoder.Load(bitmap), EInvalidGraphic);
  EXPECT_TRUE(bitmap.Empty());
}

TEST(BmpFile, SurvivesRandomDamage) {
  std::mt19937 random(20240601);
  int refused = 0, loaded = 0;
  for (const TKind& kind : kKinds) {
    const std::vector<uint8_t> good = ReadWholeFile(BmpPath(kind.Name));
    for (int round = 0; round < 60; ++round) {
      std::vector<uint8_t> bytes = good;
      const int changes = 1 + int(random() % 4);
      for (int i = 0; i < changes; ++i) {
        // Mostly the headers and colour table, where damage matters most.
        const size_t limit = random() % 2 ? std::min<size_t>(bytes.size(), 140) : bytes.size();
        bytes[random() % limit] = uint8_t(random());
      }
      try {
        EXPECT_GT(LoadFromMemory(bytes)->Width(), 0);
        ++loaded;
      } catch (const EInvalidGraphic&) {
        ++refused;
      }
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(loaded, 0);
}

TEST(BmpFile, MissingFileRaisesAFileError) {
  TBitmap bitmap;
  EXPECT_THROW(LoadBitmapFromFile(BmpPath("no-such-picture.bmp"), bitmap), EFileError);
}

// ---------------------------------------------------------------------------
// Writing.

TEST(BmpFile, WritesWhatImageMagickWrites) {
  // The same 40-byte header fields and the very same pixel bytes.
  const std::vector<uint8_t> original = ReadWholeFile(BmpPath("rgb24-v3.bmp"));
  TBitmap bitmap;
  LoadBitmapFromFile(BmpPath("rgb24-v3.bmp"), bitmap);
  const std::vector<uint8_t> saved = SaveBitmapToMemory(bitmap);
  ASSERT_EQ(saved.size(), original.size());
  EXPECT_TRUE(std::equal(saved.begin(), saved.begin() + 34, original.begin()))
      << "file header to compression";
  EXPECT_TRUE(std::equal(saved.begin() + 54, saved.end(), original.begin() + 54)) << "pixels";
}

TEST(BmpFile, WritesEachFormatWithItsOwnHeader) {
  struct TCase {
    TPixelFormat Format;
    uint16_t Bits;
    uint32_t Compression;
    uint32_t Offset;
  };
  const TCase cases[] = {{pf1bit, 1, 0, 54 + 8}, {pf4bit, 4, 0, 54 + 64},   {pf8bit, 8, 0, 54 + 1024},
                         {pf15bit, 16, 0, 54},   {pf16bit, 16, 3, 54 + 12}, {pf24bit, 24, 0, 54},
                         {pf32bit, 32, 0, 54},   {pfDevice, 32, 0, 54}};
  for (const TCase& c : cases) {
    TBitmap bitmap(37, 5, c.Format);
    FillRandom(bitmap, 7);
    const std::vector<uint8_t> saved = SaveBitmapToMemory(bitmap);
    auto u32 = [&](size_t at) {
      return uint32_t(saved[at] | saved[at + 1] << 8 | saved[at + 2] << 16 | saved[at + 3] << 24);
    };
    const size_t stride = TBitmap::StrideFor(37, c.Format);
    EXPECT_EQ(u32(2), saved.size());
    EXPECT_EQ(u32(10), c.Offset) << int(c.Format);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(int32_t(u32(22)), 5) << "positive height: bottom-up";
    EXPECT_EQ(saved[28], c.Bits);
    EXPECT_EQ(u32(30), c.Compression);
    EXPECT_EQ(saved.size(), c.Offset + stride * 5);
    if (c.Format == pf16bit) {
      EXPECT_EQ(u32(54), 0xF800u);
      EXPECT_EQ(u32(58), 0x7E0u);
      EXPECT_EQ(u32(62), 0x1Fu);
    }
    // The first stored row is the bottom one.
    const size_t used = (37 * size_t(TBitmap::BitsPerPixel(c.Format))) / 8;
    EXPECT_EQ(std::memcmp(&saved[c.Offset], bitmap.ScanLine(4), used), 0);
  }
}

TEST(BmpFile, ReadsBackWhatItWrites) {
  TTempDir dir;
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    TBitmap bitmap(37, 23, format);
    FillRandom(bitmap, 100 + format);
    for (TRGBQuad& q : bitmap.Palette()) q = {uint8_t(q.Red ^ 0x5A), q.Blue, uint8_t(q.Green + 1), 0};
    const std::string file = dir.File("round-trip.bmp");
    SaveBitmapToFile(file, bitmap);
    TBitmap back;
    LoadBitmapFromFile(file, back);
    ExpectSamePixels(bitmap, back, "format " + std::to_string(int(format)));
  }
  // A short colour table stays short.
  TBitmap shortTable(3, 3, pf8bit);
  shortTable.Palette().resize(5);
  shortTable.SetRawPixel(1, 1, 4);
  ExpectSamePixels(shortTable, *LoadFromMemory(SaveBitmapToMemory(shortTable)), "short table");
  // pfDevice pixels are 32-bit ones.
  TBitmap device(4, 2, pfDevice);
  device.SetRawPixel(3, 1, 0x11223344);
  const auto read = LoadFromMemory(SaveBitmapToMemory(device));
  EXPECT_EQ(read->PixelFormat(), pf32bit);
  EXPECT_EQ(read->RawPixel(3, 1), 0x11223344u);
}

TEST(BmpFile, RefusesToWriteWhatNoFileCanHold) {
  TBitmap empty;
  EXPECT_THROW(SaveBitmapToMemory(empty), EInvalidGraphic);
  TBitmap bitmap(2, 2, pf24bit);
  TTempDir dir;
  EXPECT_THROW(SaveBitmapToFile(dir.File("no-such-folder/x.bmp"), bitmap), EFileError);
}

}  // namespace

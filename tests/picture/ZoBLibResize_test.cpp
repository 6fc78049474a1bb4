#include "picture/ZoBLibResize.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Exceptions.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

int BytesPerPixel(TPixelFormat format) { return format == pf24bit ? 3 : format == pf32bit ? 4 : 1; }

// Bytes of row y that hold pixels (the row padding left out).
std::vector<uint8_t> RowBytes(const TBitmap& bmp, int32_t y) {
  const size_t used = (size_t(bmp.Width()) * size_t(TBitmap::BitsPerPixel(bmp.PixelFormat())) + 7) / 8;
  const uint8_t* row = bmp.ScanLine(y);
  return std::vector<uint8_t>(row, row + used);
}

// One channel of every pixel of row y of a true-colour bitmap.
std::vector<int> Channel(const TBitmap& bmp, int32_t y, int c) {
  const int n = BytesPerPixel(bmp.PixelFormat());
  std::vector<int> values;
  const uint8_t* row = bmp.ScanLine(y);
  for (int32_t x = 0; x < bmp.Width(); ++x) values.push_back(row[size_t(x) * n + c]);
  return values;
}

// A true-colour bitmap whose row y holds rows[y] in every channel.
std::unique_ptr<TBitmap> GreyRows(TPixelFormat format, const std::vector<std::vector<uint8_t>>& rows) {
  auto bmp = std::make_unique<TBitmap>(int32_t(rows[0].size()), int32_t(rows.size()), format);
  const int n = BytesPerPixel(format);
  for (size_t y = 0; y < rows.size(); ++y) {
    uint8_t* row = bmp->ScanLine(int32_t(y));
    for (size_t x = 0; x < rows[y].size(); ++x)
      for (int c = 0; c < n; ++c) row[x * n + c] = rows[y][x];
  }
  return bmp;
}

// A fixed pseudo-random picture: the same bytes on every platform.
std::unique_ptr<TBitmap> RandomPicture(int32_t width, int32_t height, TPixelFormat format, uint32_t seed) {
  auto bmp = std::make_unique<TBitmap>(width, height, format);
  const size_t used = size_t(width) * BytesPerPixel(format);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bmp->ScanLine(y);
    for (size_t i = 0; i < used; ++i) {
      seed = seed * 1664525u + 1013904223u;
      row[i] = uint8_t(seed >> 24);
    }
  }
  return bmp;
}

void Fill(TBitmap& bmp, const std::vector<uint8_t>& pixel) {
  for (int32_t y = 0; y < bmp.Height(); ++y) {
    uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < bmp.Width(); ++x)
      for (size_t c = 0; c < pixel.size(); ++c) row[x * pixel.size() + c] = pixel[c];
  }
}

bool IsUniform(const TBitmap& bmp, const std::vector<uint8_t>& pixel) {
  for (int32_t y = 0; y < bmp.Height(); ++y) {
    const uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < bmp.Width(); ++x)
      for (size_t c = 0; c < pixel.size(); ++c)
        if (row[x * pixel.size() + c] != pixel[c]) return false;
  }
  return true;
}

// FNV-1a over the pixel bytes of every row.
uint32_t PixelHash(const TBitmap& bmp) {
  uint32_t hash = 2166136261u;
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (uint8_t byte : RowBytes(bmp, y)) hash = (hash ^ byte) * 16777619u;
  return hash;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    if (RowBytes(a, y) != RowBytes(b, y)) return false;
  return true;
}

struct TEvent {
  TObject* Sender;
  TProgressStage Stage;
  int PercentDone;
  bool RedrawNow;
  TRect R;
  std::string Msg;
};

// Collects the progress events a bitmap sends.
class TProgressLog {
public:
  explicit TProgressLog(TBitmap& bmp) {
    bmp.OnProgress = [this](TObject* sender, TProgressStage stage, uint8_t percent, bool redraw,
                            const TRect& r, const std::string& msg) {
      Events.push_back({sender, stage, percent, redraw, r, msg});
    };
  }
  std::vector<TProgressStage> Stages() const {
    std::vector<TProgressStage> stages;
    for (const TEvent& e : Events) stages.push_back(e.Stage);
    return stages;
  }
  std::vector<int> Percents() const {
    std::vector<int> percents;
    for (const TEvent& e : Events) percents.push_back(e.PercentDone);
    return percents;
  }
  std::vector<TEvent> Events;
};

using TResizer = std::unique_ptr<TBitmap> (*)(const TBitmap&, int32_t, int32_t, bool);

struct TPixelMethod {
  const char* Name;
  TResizeMethod Method;
  TResizer Resize;
  const char* Message;
};

const TPixelMethod kPixelMethods[] = {
    {"NearestNeighbor", rmNearestNeighbor, ResizeNearestNeighbor, "サイズ変更（ニアレストネイバー法）"},
    {"Bilinear", rmBilinear, ResizeBilinear, "サイズ変更（バイリニア法）"},
    {"AreaAverage", rmAreaAverage, ResizeAreaAverage, "サイズ変更（積分法）"},
};

#if defined(__i386__) || defined(__x86_64__)
uint16_t ControlWord() {
  uint16_t word;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
}
void LoadControlWord(uint16_t word) { __asm__ __volatile__("fldcw %0" : : "m"(word)); }

// Runs with the x87 precision control at 53 bits (as Windows may start a
// process), or at the full 64 bits, and restores the caller's word afterwards.
class TPrecisionControl {
public:
  explicit TPrecisionControl(bool doublePrecision) : FSaved(ControlWord()) {
    LoadControlWord(uint16_t((FSaved & ~0x0300u) | (doublePrecision ? 0x0200u : 0x0300u)));
  }
  ~TPrecisionControl() { LoadControlWord(FSaved); }

private:
  uint16_t FSaved;
};
#endif

// ---------------------------------------------------------------------------

TEST(ResizeBitmap, SameSizeGivesAnIndependentCopyWhateverTheMethod) {
  auto source = RandomPicture(5, 4, pf8bit, 7);
  source->Palette()[3] = TRGBQuad{1, 2, 3, 0};
  TProgressLog log(*source);
  for (int method : {0, 1, 2, 3, 4, 200}) {
    SCOPED_TRACE(method);
    auto copy = ResizeBitmap(*source, 5, 4, TResizeMethod(method), true);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), source.get());
    EXPECT_TRUE(SamePixels(*copy, *source));
    EXPECT_EQ(copy->Palette(), source->Palette());
    // Changing either one leaves the other alone.
    const uint8_t before = source->ScanLine(0)[0];
    copy->ScanLine(0)[0] = uint8_t(before + 1);
    copy->Palette()[3].Red = 99;
    EXPECT_EQ(source->ScanLine(0)[0], before);
    EXPECT_EQ(source->Palette()[3].Red, 3);
  }
  EXPECT_TRUE(log.Events.empty());
}

TEST(ResizeBitmap, SameSizeCopiesFormatsNoResamplerTakes) {
  TBitmap source(3, 2, pf16bit);
  source.SetRawPixel(1, 1, 0xBEEF);
  auto copy = ResizeBitmap(source, 3, 2, rmAreaAverage, false);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->PixelFormat(), pf16bit);
  EXPECT_EQ(copy->RawPixel(1, 1), 0xBEEFu);
}

TEST(ResizeBitmap, MethodOutsideTheRangeGivesNone) {
  auto source = RandomPicture(4, 4, pf24bit, 1);
  TProgressLog log(*source);
  EXPECT_EQ(ResizeBitmap(*source, 2, 2, TResizeMethod(4), true), nullptr);
  EXPECT_EQ(ResizeBitmap(*source, 2, 2, TResizeMethod(255), true), nullptr);
  EXPECT_TRUE(log.Events.empty());
}

TEST(ResizeBitmap, EachMethodCodeReachesItsResampler) {
  auto source = RandomPicture(9, 7, pf32bit, 3);
  for (const TPixelMethod& m : kPixelMethods) {
    SCOPED_TRACE(m.Name);
    TProgressLog log(*source);
    auto viaDispatch = ResizeBitmap(*source, 4, 5, m.Method, true);
    const size_t dispatchEvents = log.Events.size();
    auto direct = m.Resize(*source, 4, 5, false);
    ASSERT_NE(viaDispatch, nullptr);
    EXPECT_TRUE(SamePixels(*viaDispatch, *direct));
    // ShowProgress is passed on: start, five rows, end.
    EXPECT_EQ(dispatchEvents, 7u);
    ASSERT_FALSE(log.Events.empty());
    EXPECT_EQ(log.Events[0].Msg, m.Message);
  }
  auto canvas = ResizeBitmap(*source, 4, 5, rmCanvasCopy, true);
  auto canvasDirect = ResizeByCanvas(*source, 4, 5);
  ASSERT_NE(canvas, nullptr);
  EXPECT_TRUE(SamePixels(*canvas, *canvasDirect));
}

TEST(ResizeBitmap, FailuresOfTheResamplersPassToTheCaller) {
  TBitmap source(3, 3, pf24bit);
  EXPECT_THROW(ResizeBitmap(source, 0, 3, rmAreaAverage, false), EZeroDivide);
  EXPECT_THROW(ResizeBitmap(source, -1, 3, rmNearestNeighbor, false), Exception);
  TBitmap packed(3, 3, pf16bit);
  EXPECT_THROW(ResizeBitmap(packed, 2, 2, rmBilinear, false), Exception);
}

// ---------------------------------------------------------------------------

TEST(ResizeByCanvas, StretchesIntoAResultOfTheSourcesFormatAndColourTable) {
  TBitmap source(2, 1, pf8bit);
  source.Palette()[0] = TRGBQuad{10, 20, 30, 0};
  source.ScanLine(0)[0] = 0;
  source.ScanLine(0)[1] = 200;
  auto result = ResizeByCanvas(source, 4, 2);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->Width(), 4);
  EXPECT_EQ(result->Height(), 2);
  EXPECT_EQ(result->PixelFormat(), pf8bit);
  EXPECT_EQ(result->Palette(), source.Palette());
  for (int32_t y = 0; y < 2; ++y) EXPECT_THAT(RowBytes(*result, y), ElementsAre(0, 0, 200, 200));
  EXPECT_EQ(source.Width(), 2);
}

TEST(ResizeByCanvas, AZeroSideGivesAnEmptyBitmap) {
  auto source = RandomPicture(3, 3, pf24bit, 5);
  auto result = ResizeByCanvas(*source, 0, 3);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->Width(), 0);
  EXPECT_EQ(result->Height(), 3);
}

TEST(ResizeByCanvas, AFailureGivesNoneAndRaisesNothing) {
  auto source = RandomPicture(3, 3, pf24bit, 5);
  std::unique_ptr<TBitmap> result;
  EXPECT_NO_THROW(result = ResizeByCanvas(*source, -4, 3));
  EXPECT_EQ(result, nullptr);
  EXPECT_NO_THROW(result = ResizeByCanvas(*source, 100000, 100000));
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(ResizeBitmap(*source, 3, -1, rmCanvasCopy, false), nullptr);
}

// ---------------------------------------------------------------------------

TEST(ResizeNearestNeighbor, EnlargingTwoColumnsToFourRoundsHalvesToEven) {
  for (TPixelFormat format : {pf8bit, pf24bit, pf32bit}) {
    SCOPED_TRACE(int(format));
    auto source = GreyRows(format, {{10, 20}});
    auto result = ResizeNearestNeighbor(*source, 4, 1, false);
    ASSERT_EQ(result->Width(), 4);
    EXPECT_EQ(result->PixelFormat(), format);
    for (int c = 0; c < BytesPerPixel(format); ++c)
      EXPECT_THAT(Channel(*result, 0, c), ElementsAre(10, 10, 20, 20));
  }
}

TEST(ResizeNearestNeighbor, ShrinkingFourColumnsToTwoTakesColumnsZeroAndTwo) {
  auto source = GreyRows(pf24bit, {{10, 20, 30, 40}});
  auto result = ResizeNearestNeighbor(*source, 2, 1, false);
  EXPECT_THAT(Channel(*result, 0, 1), ElementsAre(10, 30));
}

TEST(ResizeNearestNeighbor, RowsMapLikeColumns) {
  auto source = GreyRows(pf24bit, {{1}, {2}});
  auto result = ResizeNearestNeighbor(*source, 1, 4, false);
  std::vector<int> column;
  for (int32_t y = 0; y < 4; ++y) column.push_back(result->ScanLine(y)[0]);
  EXPECT_THAT(column, ElementsAre(1, 1, 2, 2));
}

TEST(ResizeNearestNeighbor, CopiesEveryByteOfAPixelInOrder) {
  TBitmap source(2, 1, pf32bit);
  const uint8_t pixels[] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::copy(std::begin(pixels), std::end(pixels), source.ScanLine(0));
  auto result = ResizeNearestNeighbor(source, 3, 1, false);
  // Columns 0, 1, 2 take 0, Round(0.667) = 1, Round(1.333) = 1.
  EXPECT_THAT(RowBytes(*result, 0), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8));
}

TEST(ResizeNearestNeighbor, OnePixelPerBitLeftmostInBitSeven) {
  TBitmap source(16, 1, pf1bit);
  source.ScanLine(0)[0] = 0b10110010;
  source.ScanLine(0)[1] = 0b01000001;
  // Every second column: source columns 0, 2, 4, 6, 8, 10, 12, 14.
  auto half = ResizeNearestNeighbor(source, 8, 1, false);
  EXPECT_EQ(half->PixelFormat(), pf1bit);
  EXPECT_THAT(RowBytes(*half, 0), ElementsAre(0b11010000));
  // Twelve columns take source columns Round(x * 4 / 3): 0, 1, 3, 4, 5, 7,
  // 8, 9, 11, 12, 13, 15, and end in a part-filled byte whose unused bits
  // stay clear.
  auto twelve = ResizeNearestNeighbor(source, 12, 1, false);
  EXPECT_THAT(RowBytes(*twelve, 0), ElementsAre(0b10100001, 0b00010000));
}

TEST(ResizeNearestNeighbor, TwoPixelsPerByteLeftInTheHighNibble) {
  TBitmap source(3, 2, pf4bit);
  source.ScanLine(0)[0] = 0x12;
  source.ScanLine(0)[1] = 0x30;
  source.ScanLine(1)[0] = 0xAB;
  source.ScanLine(1)[1] = 0xC0;
  auto result = ResizeNearestNeighbor(source, 6, 2, false);
  // Source columns for 0..5: Round(x / 2) = 0, 0, 1, 2 (1.5), 2, 2 (2.5).
  EXPECT_THAT(RowBytes(*result, 0), ElementsAre(0x11, 0x23, 0x33));
  EXPECT_THAT(RowBytes(*result, 1), ElementsAre(0xAA, 0xBC, 0xCC));
  auto narrow = ResizeNearestNeighbor(source, 1, 1, false);
  EXPECT_THAT(RowBytes(*narrow, 0), ElementsAre(0x10));
}

TEST(ResizeNearestNeighbor, ColourTablesTravelWithTheResult) {
  TBitmap eight(4, 4, pf8bit);
  eight.Palette()[0] = TRGBQuad{9, 8, 7, 0};
  eight.Palette()[255] = TRGBQuad{1, 1, 1, 0};
  auto eightResult = ResizeNearestNeighbor(eight, 2, 2, false);
  EXPECT_EQ(eightResult->Palette(), eight.Palette());

  // Packed pictures keep their own colours too: their values index the
  // source's table, so a table of another bitmap would repaint them.
  for (TPixelFormat format : {pf1bit, pf4bit}) {
    SCOPED_TRACE(int(format));
    TBitmap packed(4, 4, format);
    packed.Palette()[1] = TRGBQuad{200, 0, 100, 0};
    packed.SetRawPixel(2, 2, 1);
    auto result = ResizeNearestNeighbor(packed, 2, 2, false);
    EXPECT_EQ(result->Palette(), packed.Palette());
    EXPECT_NE(result->Palette(), TBitmap::DefaultPalette(format));
    EXPECT_EQ(result->PixelColor(1, 1), packed.PixelColor(2, 2));
  }
}

TEST(ResizeNearestNeighbor, AnExactTieOfTheExtendedArithmeticStaysBelow) {
  // 5 / 14 x 21 is 7.5 in exact arithmetic; the quotient rounded to 64 bits
  // and multiplied lands just below, so column 5 reads source column 7.
  TBitmap source(21, 1, pf8bit);
  for (int x = 0; x < 21; ++x) source.ScanLine(0)[x] = uint8_t(x);
  auto result = ResizeNearestNeighbor(source, 14, 1, false);
  EXPECT_EQ(result->ScanLine(0)[5], 7);
}

TEST(ResizeNearestNeighbor, RefusesFormatsItCannotRead) {
  for (TPixelFormat format : {pf15bit, pf16bit}) {
    TBitmap source(2, 2, format);
    TProgressLog log(source);
    try {
      ResizeNearestNeighbor(source, 4, 4, true);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "未対応のピクセルフォーマットです");
      EXPECT_EQ(e.Message(), kUnsupportedPixelFormat);
    }
    EXPECT_TRUE(log.Events.empty());
  }
}

// ---------------------------------------------------------------------------

TEST(ResizeBilinear, EnlargingTwoColumnsToFourInterpolatesAndRepeatsTheLast) {
  for (TPixelFormat format : {pf24bit, pf32bit}) {
    auto source = GreyRows(format, {{0, 100}});
    auto result = ResizeBilinear(*source, 4, 1, false);
    EXPECT_EQ(result->PixelFormat(), format);
    for (int c = 0; c < BytesPerPixel(format); ++c)
      EXPECT_THAT(Channel(*result, 0, c), ElementsAre(0, 50, 100, 100));
  }
}

TEST(ResizeBilinear, InterpolatesBetweenRowsAndColumnsTogether) {
  auto source = GreyRows(pf24bit, {{0, 100}, {100, 200}});
  auto result = ResizeBilinear(*source, 4, 4, false);
  EXPECT_THAT(Channel(*result, 0, 0), ElementsAre(0, 50, 100, 100));
  EXPECT_THAT(Channel(*result, 1, 0), ElementsAre(50, 100, 150, 150));
  EXPECT_THAT(Channel(*result, 2, 0), ElementsAre(100, 150, 200, 200));
  EXPECT_THAT(Channel(*result, 3, 0), ElementsAre(100, 150, 200, 200));
}

TEST(ResizeBilinear, RoundsHalvesToEven) {
  // 1 -> 0.5 and 3 -> 1.5 of the way: 0.5 rounds to 0, 2.5 to 2.
  auto source = GreyRows(pf24bit, {{0, 1, 2, 5}});
  auto result = ResizeBilinear(*source, 8, 1, false);
  EXPECT_THAT(Channel(*result, 0, 0), ElementsAre(0, 0, 1, 2, 2, 4, 5, 5));
}

TEST(ResizeBilinear, TheInterpolatedRowsAreStoredAs32BitFloats) {
  // Column 1 of 12 lies at the float 1/6 (0.16666667163...) between 0 and 3:
  // 0.50000001... in extended precision, which a 32-bit float stores as
  // exactly 0.5, and the tie then rounds to 0 (not up to 1).
  auto source = GreyRows(pf24bit, {{0, 3}});
  auto result = ResizeBilinear(*source, 12, 1, false);
  EXPECT_EQ(Channel(*result, 0, 0)[1], 0);
  EXPECT_EQ(Channel(*result, 0, 0)[3], 2);
}

TEST(ResizeBilinear, InterpolatesTheFourthByteOf32Bits) {
  TBitmap source(2, 1, pf32bit);
  uint8_t* row = source.ScanLine(0);
  row[3] = 20;
  row[7] = 220;
  auto result = ResizeBilinear(source, 4, 1, false);
  EXPECT_THAT(Channel(*result, 0, 3), ElementsAre(20, 120, 220, 220));
}

TEST(ResizeBilinear, RefusesFormatsItCannotInterpolate) {
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit}) {
    TBitmap source(2, 2, format);
    EXPECT_THROW(
        {
          try {
            ResizeBilinear(source, 3, 3, false);
          } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "未対応のピクセルフォーマットです");
            throw;
          }
        },
        Exception);
  }
}

// ---------------------------------------------------------------------------

TEST(ResizeAreaAverage, AUniformColourStaysExactlyThatColour) {
  struct TCase {
    int32_t W, H, NW, NH;
  };
  for (const TCase& s : {TCase{4, 4, 2, 2}, TCase{1000, 750, 16, 12}, TCase{3, 3, 16, 16}}) {
    for (TPixelFormat format : {pf24bit, pf32bit}) {
      const std::vector<uint8_t> colour =
          format == pf24bit ? std::vector<uint8_t>{255, 1, 128} : std::vector<uint8_t>{37, 254, 0, 255};
      TBitmap source(s.W, s.H, format);
      Fill(source, colour);
      auto result = ResizeAreaAverage(source, s.NW, s.NH, false);
      EXPECT_EQ(result->Width(), s.NW);
      EXPECT_EQ(result->Height(), s.NH);
      EXPECT_TRUE(IsUniform(*result, colour)) << s.W << "x" << s.H << " -> " << s.NW << "x" << s.NH;
    }
  }
}

TEST(ResizeAreaAverage, BlocksOfOnePixelsShareOneValue) {
  auto source = GreyRows(pf24bit, {{0, 0, 255, 255}, {0, 0, 255, 255}, {255, 255, 0, 0}, {255, 255, 0, 0}});
  auto result = ResizeAreaAverage(*source, 2, 2, false);
  EXPECT_THAT(Channel(*result, 0, 0), ElementsAre(0, 255));
  EXPECT_THAT(Channel(*result, 1, 2), ElementsAre(255, 0));
}

TEST(ResizeAreaAverage, TheMeanOfATieFallsJustBelowIt) {
  std::vector<uint8_t> stripes;
  for (int x = 0; x < 32; ++x) stripes.push_back(x % 2 ? 255 : 0);
  auto source = GreyRows(pf24bit, std::vector<std::vector<uint8_t>>(32, stripes));
  auto result = ResizeAreaAverage(*source, 16, 16, false);
  EXPECT_TRUE(IsUniform(*result, {127, 127, 127}));
}

TEST(ResizeAreaAverage, EnlargingMixesByTheCoveredParts) {
  auto two = GreyRows(pf24bit, {{0, 100}});
  EXPECT_THAT(Channel(*ResizeAreaAverage(*two, 4, 1, false), 0, 0), ElementsAre(0, 0, 100, 100));
  auto three = GreyRows(pf24bit, {{0, 90, 180}});
  EXPECT_THAT(Channel(*ResizeAreaAverage(*three, 4, 1, false), 0, 0), ElementsAre(0, 60, 120, 180));
  // Whole-number factors repeat every source pixel.
  EXPECT_THAT(Channel(*ResizeAreaAverage(*three, 9, 1, false), 0, 2),
              ElementsAre(0, 0, 0, 90, 90, 90, 180, 180, 180));
}

TEST(ResizeAreaAverage, AveragesTheFourthByteOf32Bits) {
  TBitmap source(2, 2, pf32bit);
  source.ScanLine(0)[3] = 10;
  source.ScanLine(0)[7] = 20;
  source.ScanLine(1)[3] = 30;
  source.ScanLine(1)[7] = 41;
  auto result = ResizeAreaAverage(source, 1, 1, false);
  EXPECT_THAT(RowBytes(*result, 0), ElementsAre(0, 0, 0, 25));
}

TEST(ResizeAreaAverage, RefusesFormatsItCannotAverage) {
  for (TPixelFormat format : {pf1bit, pf8bit, pf16bit, pfDevice}) {
    TBitmap source(2, 2, format);
    TProgressLog log(source);
    try {
      ResizeAreaAverage(source, 1, 1, true);
      ADD_FAILURE() << "no exception for format " << int(format);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), kUnsupportedPixelFormat);
    }
    EXPECT_TRUE(log.Events.empty());
  }
}

TEST(ResizeAreaAverage, AZeroSideIsAFloatingPointDivisionByZero) {
  TBitmap source(4, 3, pf32bit);
  EXPECT_THROW(ResizeAreaAverage(source, 0, 3, false), EZeroDivide);
  EXPECT_THROW(ResizeAreaAverage(source, 4, 0, false), EZeroDivide);
  EXPECT_THROW(ResizeAreaAverage(source, 0, 0, false), EZeroDivide);
  // Zero over zero: a source without pixels to a zero side.
  TBitmap empty(0, 0, pf24bit);
  EXPECT_THROW(ResizeAreaAverage(empty, 0, 5, false), EInvalidOp);
  EXPECT_THROW(ResizeBitmap(empty, 0, 5, rmAreaAverage, false), EInvalidOp);
}

TEST(ResizeAreaAverage, ASourceWithoutPixelsHasNoMeanToGive) {
  for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 3}, std::pair{3, 0}}) {
    TBitmap empty(w, h, pf24bit);
    EXPECT_THROW(ResizeAreaAverage(empty, 2, 2, false), EInvalidOp) << w << "x" << h;
  }
}

// ---------------------------------------------------------------------------

TEST(ResizeSides, NearestAndBilinearGiveEmptyResultsForAZeroSide) {
  for (TResizer resize : {&ResizeNearestNeighbor, &ResizeBilinear}) {
    auto source = RandomPicture(3, 3, pf24bit, 2);
    for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
      std::unique_ptr<TBitmap> result;
      ASSERT_NO_THROW(result = resize(*source, w, h, false));
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(result->Width(), w);
      EXPECT_EQ(result->Height(), h);
      EXPECT_EQ(result->PixelFormat(), pf24bit);
    }
  }
  // The colour-table path starts from a copy of the source, which then loses
  // all its pixels.
  auto indexed = RandomPicture(3, 3, pf8bit, 2);
  auto empty = ResizeNearestNeighbor(*indexed, 0, 4, false);
  EXPECT_EQ(empty->Width(), 0);
  EXPECT_EQ(empty->Height(), 4);
  EXPECT_EQ(empty->Palette(), indexed->Palette());
}

TEST(ResizeSides, NegativeSidesRaiseInsteadOfCrashing) {
  auto source = RandomPicture(3, 3, pf24bit, 2);
  for (const TPixelMethod& m : kPixelMethods) {
    SCOPED_TRACE(m.Name);
    EXPECT_THROW(m.Resize(*source, -1, 3, false), Exception);
    EXPECT_THROW(m.Resize(*source, 3, -7, false), Exception);
    EXPECT_THROW(m.Resize(*source, INT32_MIN, INT32_MIN, false), Exception);
  }
}

TEST(ResizeSides, ASourceWithoutPixelsCannotFillAResult) {
  for (TResizer resize : {&ResizeNearestNeighbor, &ResizeBilinear}) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 4}, std::pair{4, 0}}) {
      TBitmap empty(w, h, pf32bit);
      try {
        resize(empty, 3, 3, false);
        ADD_FAILURE() << "no exception";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), kEmptySourceBitmap);
      }
      // Nothing to fill: no samples needed.
      EXPECT_EQ(resize(empty, 0, 3, false)->Height(), 3);
    }
  }
}

TEST(ResizeSides, HugeResultsRaiseTheBitmapsOwnError) {
  auto source = RandomPicture(3, 3, pf24bit, 2);
  for (const TPixelMethod& m : kPixelMethods)
    EXPECT_THROW(m.Resize(*source, 100000, 100000, false), Exception);
}

// ---------------------------------------------------------------------------

TEST(ResizeProgress, EachResamplerReportsStartRowsAndEnd) {
  for (const TPixelMethod& m : kPixelMethods) {
    SCOPED_TRACE(m.Name);
    auto source = RandomPicture(10, 10, pf24bit, 4);
    TProgressLog log(*source);
    auto result = m.Resize(*source, 5, 7, true);
    EXPECT_THAT(log.Stages(), ElementsAre(psStarting, psRunning, psRunning, psRunning, psRunning, psRunning,
                                          psRunning, psRunning, psEnding));
    // Row y of 7 done: y * 100 div 7.
    EXPECT_THAT(log.Percents(), ElementsAre(0, 0, 14, 28, 42, 57, 71, 85, 100));
    for (const TEvent& e : log.Events) {
      EXPECT_EQ(e.Sender, source.get());
      EXPECT_FALSE(e.RedrawNow);
      EXPECT_EQ(e.R, (TRect{0, 0, 0, 0}));
      EXPECT_EQ(e.Msg, m.Message);
    }
  }
}

TEST(ResizeProgress, MessagesAreTheDeclaredTexts) {
  EXPECT_EQ(kProgressNearestNeighbor.Text(), "サイズ変更（ニアレストネイバー法）");
  EXPECT_EQ(kProgressBilinear.Text(), "サイズ変更（バイリニア法）");
  EXPECT_EQ(kProgressAreaAverage.Text(), "サイズ変更（積分法）");
}

TEST(ResizeProgress, NothingIsSentWithoutBothTheSwitchAndAHandler) {
  for (const TPixelMethod& m : kPixelMethods) {
    auto source = RandomPicture(4, 4, pf32bit, 4);
    TProgressLog log(*source);
    auto quiet = m.Resize(*source, 2, 3, false);
    EXPECT_TRUE(log.Events.empty());
    source->OnProgress = nullptr;
    auto noHandler = m.Resize(*source, 2, 3, true);
    EXPECT_TRUE(SamePixels(*quiet, *noHandler));
  }
}

TEST(ResizeProgress, TheStartingEventComesBeforeTheResultExists) {
  // The result cannot be made at a negative size; the starting event has
  // been sent by then, and nothing after it.
  for (const TPixelMethod& m : kPixelMethods) {
    auto source = RandomPicture(4, 4, pf24bit, 4);
    TProgressLog log(*source);
    EXPECT_THROW(m.Resize(*source, -2, 2, true), Exception);
    EXPECT_THAT(log.Stages(), ElementsAre(psStarting));
  }
}

TEST(ResizeProgress, ZeroSidesStillReportEveryRow) {
  auto source = RandomPicture(4, 4, pf24bit, 4);
  TProgressLog log(*source);
  ResizeNearestNeighbor(*source, 0, 4, true);
  EXPECT_THAT(log.Percents(), ElementsAre(0, 0, 25, 50, 75, 100));
  log.Events.clear();
  ResizeBilinear(*source, 4, 0, true);
  EXPECT_THAT(log.Stages(), ElementsAre(psStarting, psEnding));
  log.Events.clear();
  EXPECT_THROW(ResizeAreaAverage(*source, 0, 4, true), EZeroDivide);
  EXPECT_THAT(log.Stages(), ElementsAre(psStarting));
}

TEST(ResizeProgress, AnExceptionOfTheHandlerReachesTheCaller) {
  for (const TPixelMethod& m : kPixelMethods) {
    auto source = RandomPicture(4, 4, pf24bit, 4);
    int calls = 0;
    source->OnProgress = [&](TObject*, TProgressStage stage, uint8_t, bool, const TRect&,
                             const std::string&) {
      ++calls;
      if (stage == psRunning) throw Exception("stop");
    };
    EXPECT_THROW(m.Resize(*source, 3, 3, true), Exception);
    EXPECT_EQ(calls, 2);
  }
}

// ---------------------------------------------------------------------------

TEST(ResizeProperties, UniformColoursStayUniformAtManySizes) {
  const int32_t sides[] = {1, 2, 3, 5, 7, 16, 33};
  const int32_t targets[] = {1, 2, 3, 4, 9, 16, 31, 64};
  const std::vector<uint8_t> colour = {0, 255, 77, 201};
  for (const TPixelMethod& m : kPixelMethods)
    for (int32_t w : sides)
      for (int32_t h : sides) {
        TBitmap source(w, h, pf32bit);
        Fill(source, colour);
        for (int32_t nw : targets)
          for (int32_t nh : {1, 5, 16, 40}) {
            auto result = m.Resize(source, nw, nh, false);
            ASSERT_TRUE(IsUniform(*result, colour))
                << m.Name << " " << w << "x" << h << " -> " << nw << "x" << nh;
          }
      }
}

TEST(ResizeProperties, TheSameSizeThroughAResamplerIsTheIdentity) {
  for (TPixelFormat format : {pf24bit, pf32bit}) {
    auto source = RandomPicture(40, 23, format, 11);
    for (const TPixelMethod& m : kPixelMethods) {
      SCOPED_TRACE(m.Name);
      EXPECT_TRUE(SamePixels(*m.Resize(*source, 40, 23, false), *source));
    }
  }
}

TEST(ResizeProperties, TheSourceIsNeverChanged) {
  auto source = RandomPicture(13, 9, pf32bit, 6);
  const uint32_t before = PixelHash(*source);
  for (const TPixelMethod& m : kPixelMethods) m.Resize(*source, 5, 17, false);
  ResizeByCanvas(*source, 5, 17);
  EXPECT_EQ(PixelHash(*source), before);
  EXPECT_EQ(source->Width(), 13);
}

TEST(ResizeProperties, ResultsStayWithinTheSourcesRangePerChannel) {
  // Values 60 to 190 only, so that a result outside that range is an error.
  auto source = RandomPicture(31, 17, pf24bit, 99);
  for (int32_t y = 0; y < source->Height(); ++y)
    for (int32_t i = 0; i < 3 * source->Width(); ++i)
      source->ScanLine(y)[i] = uint8_t(60 + source->ScanLine(y)[i] % 131);
  int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
  for (int32_t y = 0; y < source->Height(); ++y)
    for (int c = 0; c < 3; ++c)
      for (int v : Channel(*source, y, c)) lo[c] = std::min(lo[c], v), hi[c] = std::max(hi[c], v);
  for (const TPixelMethod& m : kPixelMethods) {
    auto result = m.Resize(*source, 12, 45, false);
    for (int32_t y = 0; y < result->Height(); ++y)
      for (int c = 0; c < 3; ++c)
        for (int v : Channel(*result, y, c)) {
          EXPECT_GE(v, lo[c]);
          EXPECT_LE(v, hi[c]);
        }
  }
}

// ---------------------------------------------------------------------------

#if defined(__i386__) || defined(__x86_64__)
TEST(ResizePrecision, TheCallersPrecisionControlDoesNotChangeThePixels) {
  // The input matters: at 53 bits the column of 5 / 14 x 21 rounds up.
  {
    volatile long double five = 5;
    TPrecisionControl doublePrecision(true);
    const long double at53 = std::rintl(five / 14 * 21);
    LoadControlWord(uint16_t((ControlWord() & ~0x0300u) | 0x0300u));
    const long double at64 = std::rintl(five / 14 * 21);
    ASSERT_EQ(at53, 8.0L);
    ASSERT_EQ(at64, 7.0L);
  }
  TBitmap columns(21, 1, pf8bit);
  for (int x = 0; x < 21; ++x) columns.ScanLine(0)[x] = uint8_t(x);
  std::unique_ptr<TBitmap> reduced;
  uint16_t after = 0;
  {
    TPrecisionControl doublePrecision(true);
    const uint16_t before = ControlWord();
    reduced = ResizeNearestNeighbor(columns, 14, 1, false);
    after = ControlWord();
    EXPECT_EQ(after, before) << "the caller's control word is restored";
  }
  EXPECT_EQ(reduced->ScanLine(0)[5], 7);

  // And for every method on pictures whose sizes do not divide.
  auto picture = RandomPicture(37, 29, pf32bit, 2024);
  for (const TPixelMethod& m : kPixelMethods) {
    for (auto [w, h] : {std::pair{14, 21}, std::pair{26, 39}, std::pair{11, 7}}) {
      std::unique_ptr<TBitmap> full, reducedPrecision;
      {
        TPrecisionControl extended(false);
        full = m.Resize(*picture, w, h, false);
      }
      {
        TPrecisionControl doublePrecision(true);
        reducedPrecision = m.Resize(*picture, w, h, false);
      }
      EXPECT_TRUE(SamePixels(*full, *reducedPrecision)) << m.Name << " " << w << "x" << h;
    }
  }
}
#endif

// Checksums of the results for fixed pseudo-random pictures. The values were
// computed once in the native build; the Windows build must give the same
// pixels, so the same values prove both builds agree bit for bit.
TEST(ResizeGolden, PixelChecksumsAreTheSameInEveryBuild) {
  struct TGolden {
    TPixelFormat Format;
    TResizeMethod Method;
    int32_t NewWidth, NewHeight;
    uint32_t Hash;
  };
  const TGolden golden[] = {
      // clang-format off
      {pf24bit, rmNearestNeighbor, 16, 12, 0x1C3E403Eu},
      {pf24bit, rmNearestNeighbor, 7, 19, 0x5CA9F288u},
      {pf24bit, rmNearestNeighbor, 53, 41, 0xA39A143Cu},
      {pf24bit, rmNearestNeighbor, 100, 3, 0xC5CFD6E0u},
      {pf24bit, rmNearestNeighbor, 1, 1, 0xE8A793DBu},
      {pf24bit, rmBilinear, 16, 12, 0x653EE41Au},
      {pf24bit, rmBilinear, 7, 19, 0x6EAD84CFu},
      {pf24bit, rmBilinear, 53, 41, 0xC8F94C64u},
      {pf24bit, rmBilinear, 100, 3, 0xCA3DA807u},
      {pf24bit, rmBilinear, 1, 1, 0xE8A793DBu},
      {pf24bit, rmAreaAverage, 16, 12, 0x738A4D8Bu},
      {pf24bit, rmAreaAverage, 7, 19, 0xDE6CB395u},
      {pf24bit, rmAreaAverage, 53, 41, 0x9B41A8BCu},
      {pf24bit, rmAreaAverage, 100, 3, 0x27F5DB29u},
      {pf24bit, rmAreaAverage, 1, 1, 0x8181FDEBu},
      {pf32bit, rmNearestNeighbor, 16, 12, 0x17D0F838u},
      {pf32bit, rmNearestNeighbor, 7, 19, 0xFF2CB5C4u},
      {pf32bit, rmNearestNeighbor, 53, 41, 0x318204CBu},
      {pf32bit, rmNearestNeighbor, 100, 3, 0x5B0523C2u},
      {pf32bit, rmNearestNeighbor, 1, 1, 0x1382F9DCu},
      {pf32bit, rmBilinear, 16, 12, 0xA38F2B3Du},
      {pf32bit, rmBilinear, 7, 19, 0xB1E7D267u},
      {pf32bit, rmBilinear, 53, 41, 0xBA680578u},
      {pf32bit, rmBilinear, 100, 3, 0xAB94DFABu},
      {pf32bit, rmBilinear, 1, 1, 0x1382F9DCu},
      {pf32bit, rmAreaAverage, 16, 12, 0x46B5B9A7u},
      {pf32bit, rmAreaAverage, 7, 19, 0x5570578Eu},
      {pf32bit, rmAreaAverage, 53, 41, 0x06A24C7Au},
      {pf32bit, rmAreaAverage, 100, 3, 0x9A86D4A5u},
      {pf32bit, rmAreaAverage, 1, 1, 0xD2DFAEEBu},
      // clang-format on
  };
  auto picture24 = RandomPicture(37, 29, pf24bit, 20240601);
  auto picture32 = RandomPicture(37, 29, pf32bit, 20240602);
  for (const TGolden& g : golden) {
    const TBitmap& source = g.Format == pf24bit ? *picture24 : *picture32;
    auto result = ResizeBitmap(source, g.NewWidth, g.NewHeight, g.Method, false);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Width(), g.NewWidth);
    EXPECT_EQ(result->Height(), g.NewHeight);
    EXPECT_EQ(PixelHash(*result), g.Hash) << "format " << int(g.Format) << " method " << int(g.Method) << " "
                                          << g.NewWidth << "x" << g.NewHeight;
  }
  EXPECT_EQ(sizeof(golden) / sizeof(golden[0]), 2u * 3u * 5u);
}

}  // namespace

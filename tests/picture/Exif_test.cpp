#include "picture/Exif.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// An APP1 payload: "Exif\0\0", the TIFF header and IFD0 with the given
// entries (tag, type, count, 4-byte value), next-IFD pointer `next`.
struct TEntry {
  uint16_t Tag, Type;
  uint32_t Count, Value;
};
std::vector<uint8_t> ExifBlock(bool bigEndian, const std::vector<TEntry>& entries, uint32_t next = 0) {
  std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0};
  auto u16 = [&](uint32_t v) {
    if (bigEndian)
      b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    else
      b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
  };
  auto u32 = [&](uint32_t v) {
    if (bigEndian) {
      u16(v >> 16), u16(v & 0xFFFF);
    } else {
      u16(v & 0xFFFF), u16(v >> 16);
    }
  };
  b.insert(b.end(),
           bigEndian ? std::initializer_list<uint8_t>{'M', 'M'} : std::initializer_list<uint8_t>{'I', 'I'});
  u16(42), u32(8), u16(uint32_t(entries.size()));
  for (const TEntry& e : entries) {
    u16(e.Tag), u16(e.Type), u32(e.Count);
    // A SHORT sits in the first two bytes of the value field.
    if (e.Type == 3)
      u16(e.Value), u16(0);
    else
      u32(e.Value);
  }
  u32(next);
  return b;
}

TOrientation Read(const std::vector<uint8_t>& block) { return ExifOrientation(block.data(), block.size()); }

}  // namespace

TEST(ExifOrientation, ReadsTheTagFromIfd0InBothByteOrders) {
  for (bool big : {false, true})
    for (uint32_t o = 1; o <= 8; ++o)
      EXPECT_EQ(Read(ExifBlock(big, {{0x010F, 2, 4, 0}, {0x0112, 3, 1, o}})), TOrientation(o)) << big << o;
  // The IFD chain is not followed, so a loop back to IFD0 changes nothing.
  EXPECT_EQ(Read(ExifBlock(true, {{0x0112, 3, 1, 6}}, 8)), orTurnClockwise);
}

TEST(ExifOrientation, AnythingUnreadableCountsAsNoTag) {
  EXPECT_EQ(Read(ExifBlock(false, {{0x010F, 2, 4, 0}})), orNormal);  // no tag
  EXPECT_EQ(Read(ExifBlock(false, {{0x0112, 3, 1, 0}})), orNormal);  // out of range
  EXPECT_EQ(Read(ExifBlock(false, {{0x0112, 3, 1, 9}})), orNormal);
  EXPECT_EQ(Read(ExifBlock(false, {{0x0112, 4, 1, 6}})), orNormal);           // not a SHORT
  EXPECT_EQ(Read(ExifBlock(false, {{0x0112, 3, 0x40000000, 6}})), orNormal);  // absurd count
  std::vector<uint8_t> block = ExifBlock(true, {{0x0112, 3, 1, 6}});
  // Every truncation of a good block, down to nothing: never read past it.
  for (size_t n = 0; n < block.size() - 4; ++n) {
    const std::vector<uint8_t> cut(block.begin(), block.begin() + ptrdiff_t(n));
    EXPECT_EQ(ExifOrientation(cut.data(), cut.size()), orNormal) << n;
  }
  std::vector<uint8_t> bad = block;
  bad[6 + 7] = 0xF0;  // IFD0 offset far beyond the block
  EXPECT_EQ(Read(bad), orNormal);
  bad = block;
  bad[6 + 8] = 0xFF, bad[6 + 9] = 0xFF;  // 65535 entries claimed
  EXPECT_EQ(Read(bad), orNormal);
  bad = block;
  bad[6 + 3] = 43;  // not TIFF
  EXPECT_EQ(Read(bad), orNormal);
  bad = block;
  bad[0] = 'e';  // not EXIF (an XMP segment, say)
  EXPECT_EQ(Read(bad), orNormal);
}

TEST(OrientBitmap, TurnsAndMirrorsAsTheOrientationsSay) {
  // Stored 3 x 2:  a b c / d e f
  TBitmap stored(3, 2, pf24bit);
  const char* letters = "abcdef";
  for (int i = 0; i < 6; ++i) stored.ScanLine(i / 3)[(i % 3) * 3] = uint8_t(letters[i]);
  const char* upright[9] = {nullptr,    "abc/def",  "cba/fed",  "fed/cba", "def/abc",
                            "ad/be/cf", "da/eb/fc", "fc/eb/da", "cf/be/ad"};
  for (int o = 1; o <= 8; ++o) {
    std::unique_ptr<TBitmap> turned = OrientBitmap(stored, TOrientation(o));
    std::string seen;
    for (int32_t y = 0; y < turned->Height(); ++y) {
      if (y) seen += '/';
      for (int32_t x = 0; x < turned->Width(); ++x) seen += char(turned->ScanLine(y)[x * 3]);
    }
    EXPECT_EQ(seen, upright[o]) << "orientation " << o;
    EXPECT_EQ(turned->PixelFormat(), pf24bit);
  }
}

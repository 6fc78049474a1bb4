#include "common/ZoVersionInfo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ZoShell.h"
#include "framework/Exceptions.h"
#include "support/TestSupport.h"

namespace {

std::vector<uint8_t> Block(const std::string& name) { return ReadWholeFile(TestDataPath("version/" + name)); }

// The reader over a block as the portable query sees it.
TVersionQuery QueryOf(const std::vector<uint8_t>& block) {
  return [&block](const std::string& path, TVersionValue& value) {
    return QueryVersionValue(block.data(), block.size(), path, value);
  };
}

TZoCVersionResourceRec Filled() {
  TZoCVersionResourceRec rec;
  for (size_t i = 0; i < kVersionKeyCount; ++i) VersionField(rec, i) = std::string("old ") + kVersionKeys[i];
  return rec;
}

TEST(VersionInfo, TheProgramsOwnResourceFillsItsEightStringsAndClearsTheRest) {
  const std::vector<uint8_t> block = Block("vemo.bin");
  TZoCVersionResourceRec rec = Filled();
  ReadVersionInfoBlock(QueryOf(block), rec);
  EXPECT_EQ(rec.CompanyName, "Orvane");
  EXPECT_EQ(rec.FileDescription, "Kobaru");
  EXPECT_EQ(rec.FileVersion, "1.1.1.0");
  EXPECT_EQ(rec.InternalName, "Kobaru");
  EXPECT_FALSE(rec.LegalCopyright.empty());
  EXPECT_EQ(rec.OriginalFilename, "vemo.exe");
  EXPECT_EQ(rec.ProductName, "Kobaru");
  EXPECT_EQ(rec.ProductVersion, "1.11");
  EXPECT_EQ(rec.Comments, "");
  EXPECT_EQ(rec.LegalTrademarks, "");
  EXPECT_EQ(rec.PrivateBuild, "");
  EXPECT_EQ(rec.SpecialBuild, "");
  EXPECT_EQ(AboutBoxText(rec, kHomePageUrl),
            "Kobaru version1.11\r" + rec.LegalCopyright + "\r" + std::string(kHomePageUrl));
}

TEST(VersionInfo, QueriesFindTheFixedPartTheTableAndStringsWithCaseIgnored) {
  const std::vector<uint8_t> block = Block("vemo.bin");
  TVersionValue value;
  ASSERT_TRUE(QueryVersionValue(block.data(), block.size(), "\\", value));
  ASSERT_EQ(value.Length, 52u);  // VS_FIXEDFILEINFO
  EXPECT_EQ(value.Data[0] | (value.Data[1] << 8) | (value.Data[2] << 16) | (uint32_t(value.Data[3]) << 24),
            0xFEEF04BDu);
  ASSERT_TRUE(QueryVersionValue(block.data(), block.size(), "\\VarFileInfo\\Translation", value));
  ASSERT_EQ(value.Length, 4u);
  EXPECT_EQ(value.Data[0] | (value.Data[1] << 8), 0x0411);
  EXPECT_EQ(value.Data[2] | (value.Data[3] << 8), 0x03A4);
  ASSERT_TRUE(
      QueryVersionValue(block.data(), block.size(), "\\stringfileinfo\\041103a4\\PRODUCTNAME", value));
  EXPECT_TRUE(value.IsText);
  EXPECT_FALSE(
      QueryVersionValue(block.data(), block.size(), "\\StringFileInfo\\040904B0\\ProductName", value));
  EXPECT_FALSE(QueryVersionValue(block.data(), block.size(), "\\StringFileInfo\\041103A4\\Comments", value));
  EXPECT_EQ(VersionStringPath(0x0411, 0x03A4, "ProductName"), "\\StringFileInfo\\041103A4\\ProductName");
  EXPECT_EQ(VersionStringPath(0x0c0a, 0x04e4, "X"), "\\StringFileInfo\\0C0A04E4\\X");
}

TEST(VersionInfo, OnlyTheFirstTranslationCounts) {
  const std::vector<uint8_t> block = Block("two-tables.bin");
  TZoCVersionResourceRec rec = Filled();
  ReadVersionInfoBlock(QueryOf(block), rec);
  EXPECT_EQ(rec.ProductName, "小春");
  EXPECT_EQ(rec.ProductVersion, "2.0");
  EXPECT_EQ(rec.Comments, "試験用 ");
  EXPECT_EQ(rec.SpecialBuild, "nightly");
  EXPECT_EQ(rec.CompanyName, "") << "a key missing from the table clears what the record held";
  EXPECT_EQ(AboutBoxText(rec, "http://x/"), "試験用 小春 version2.0\r\rhttp://x/");
}

TEST(VersionInfo, NoTranslationTableRaisesAndLeavesTheRecord) {
  const std::vector<uint8_t> block = Block("no-translation.bin");
  TZoCVersionResourceRec rec = Filled();
  try {
    ReadVersionInfoBlock(QueryOf(block), rec);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "情報の取得に失敗しました");
  }
  EXPECT_EQ(rec.ProductName, "old ProductName");
}

TEST(VersionInfo, AValueIsCutAtTheLengthTheBlockReports) {
  const std::string text = "Kobaru";
  const std::u16string wide(u"Kobaru");
  TZoCVersionResourceRec rec;
  const uint8_t translation[4] = {0x11, 0x04, 0xA4, 0x03};
  ReadVersionInfoBlock(
      [&](const std::string& path, TVersionValue& value) {
        if (path == "\\VarFileInfo\\Translation") {
          value = TVersionValue{translation, 4, false, 4};
          return true;
        }
        if (path == "\\StringFileInfo\\041103A4\\ProductName") {
          value = TVersionValue{reinterpret_cast<const uint8_t*>(wide.data()), 3, true, wide.size() * 2 + 2};
          return true;
        }
        if (path == "\\StringFileInfo\\041103A4\\Comments") {
          // A length of 0 is no value, whatever the pointer shows.
          value = TVersionValue{reinterpret_cast<const uint8_t*>(wide.data()), 0, true, wide.size() * 2 + 2};
          return true;
        }
        return false;
      },
      rec);
  EXPECT_EQ(rec.ProductName, "Kob");
  EXPECT_EQ(rec.Comments, "");
  EXPECT_EQ(AboutBoxText(TZoCVersionResourceRec(), kHomePageUrl), " version\r\r" + std::string(kHomePageUrl));
}

TEST(VersionInfo, DamagedBlocksFindNothingAndNeverReadOutside) {
  const std::vector<uint8_t> good = Block("vemo.bin");
  TVersionValue value;
  EXPECT_FALSE(QueryVersionValue(nullptr, 0, "\\", value));
  // Every truncation and every single-byte change of the lengths must stay in
  // bounds (AddressSanitizer watches the sanitizer build).
  for (size_t cut = 0; cut < good.size(); cut += 7) {
    const std::vector<uint8_t> block(good.begin(), good.begin() + std::ptrdiff_t(cut));
    for (const char* path :
         {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\041103A4\\ProductVersion"})
      if (QueryVersionValue(block.data(), block.size(), path, value)) {
        EXPECT_LE(value.Data + value.Available, block.data() + block.size());
      }
  }
  for (size_t at = 0; at + 1 < good.size(); at += 2) {
    std::vector<uint8_t> block = good;
    block[at] = 0xFF;
    block[at + 1] = 0xFF;
    TZoCVersionResourceRec rec;
    try {
      ReadVersionInfoBlock(QueryOf(block), rec);
    } catch (const Exception&) {
    }
    if (QueryVersionValue(block.data(), block.size(), "\\StringFileInfo\\041103A4\\ProductVersion", value)) {
      EXPECT_LE(value.Data + value.Available, block.data() + block.size());
    }
  }
}

}  // namespace

#include "framework/CodePage932.h"
#include "framework/Streams.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(char(v));
  return out;
}

std::string Utf8Of(char32_t cp) {
  std::string out;
  AppendUtf8(out, cp);
  return out;
}

}  // namespace

TEST(CodePage932, DecodesSingleAndDoubleBytes) {
  EXPECT_EQ(Cp932ToUtf8("Interval=15\r\n"), "Interval=15\r\n");
  EXPECT_EQ(Cp932ToUtf8(Bytes({0x8A, 0x6D, 0x94, 0x46})), "確認");
  EXPECT_EQ(Cp932ToUtf8(Bytes({0xB1})), "ｱ");  // half-width katakana
  // The backslash stays a backslash, also as the trail byte of a character.
  EXPECT_EQ(Cp932ToUtf8(Bytes({'C', ':', 0x5C, 0x95, 0x5C, 0x5C})), "C:\\表\\");
  // The user-defined area.
  EXPECT_EQ(Cp932ToUtf8(Bytes({0xF0, 0x40})), "\xEE\x80\x80");
}

TEST(CodePage932, EncodesAsWindowsDoes) {
  EXPECT_EQ(Utf8ToCp932("確認"), Bytes({0x8A, 0x6D, 0x94, 0x46}));
  EXPECT_EQ(Utf8ToCp932("はい(&Y)"), Bytes({0x82, 0xCD, 0x82, 0xA2, '(', '&', 'Y', ')'}));
  EXPECT_EQ(Utf8ToCp932("C:\\表\\"), Bytes({'C', ':', 0x5C, 0x95, 0x5C, 0x5C}));
  // Characters with two codes: JIS X 0208 before NEC row 13, NEC row 13
  // before the IBM extension, the IBM extension before NEC's selection of it.
  EXPECT_EQ(Utf8ToCp932("≒"), Bytes({0x81, 0xE0}));
  EXPECT_EQ(Utf8ToCp932("Ⅰ"), Bytes({0x87, 0x54}));
  EXPECT_EQ(Utf8ToCp932("纊"), Bytes({0xFA, 0x5C}));
  EXPECT_EQ(Cp932ToUtf8(Bytes({0xED, 0x40})), "纊");
}

TEST(CodePage932, EveryEncodableCharacterDecodesBack) {
  int encodable = 0;
  for (char32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string bytes;
    if (!TryUtf8ToCp932(Utf8Of(cp), bytes)) continue;
    ++encodable;
    ASSERT_TRUE(bytes.size() == 1 || bytes.size() == 2) << std::hex << uint32_t(cp);
    ASSERT_EQ(bytes.size() == 2, IsCp932LeadByte(static_cast<unsigned char>(bytes[0])))
        << std::hex << uint32_t(cp);
    bool invalid = true;
    ASSERT_EQ(Cp932ToUtf8(bytes, &invalid), Utf8Of(cp)) << std::hex << uint32_t(cp);
    ASSERT_FALSE(invalid);
  }
  // JIS X 0208 alone holds more than 6,800 characters.
  EXPECT_GT(encodable, 7000);
}

TEST(CodePage932, InvalidSequencesBecomeReplacementCharacters) {
  bool invalid = false;
  // A lead byte at the end.
  EXPECT_EQ(Cp932ToUtf8(Bytes({'a', 0x82}), &invalid), "a\xEF\xBF\xBD");
  EXPECT_TRUE(invalid);
  // A lead byte before a line break: the break survives.
  EXPECT_EQ(Cp932ToUtf8(Bytes({0x82, '\r', '\n', 'b'}), &invalid), "\xEF\xBF\xBD\r\nb");
  EXPECT_TRUE(invalid);
  // An unassigned pair is one character.
  EXPECT_EQ(Cp932ToUtf8(Bytes({0x85, 0x40, 'x'}), &invalid), "\xEF\xBF\xBDx");
  EXPECT_TRUE(invalid);
  EXPECT_EQ(Cp932ToUtf8("plain", &invalid), "plain");
  EXPECT_FALSE(invalid);
}

TEST(CodePage932, EveryByteSequenceDecodesToValidUtf8) {
  // All two-byte inputs: the result is always valid UTF-8 (it converts back
  // without replacement characters of its own).
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; b += 3) {
      const std::string text = Cp932ToUtf8(Bytes({a, b}));
      size_t i = 0;
      while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
        ASSERT_LE(i + len, text.size());
        for (size_t k = 1; k < len; ++k) ASSERT_EQ(static_cast<unsigned char>(text[i + k]) & 0xC0, 0x80);
        i += len;
      }
    }
  }
}

TEST(CodePage932, UnrepresentableTextIsReported) {
  std::string out;
  EXPECT_FALSE(TryUtf8ToCp932("C:\\Photos\\\xF0\x9F\x98\x80", out));  // an emoji
  EXPECT_FALSE(TryUtf8ToCp932("€", out));
  EXPECT_FALSE(TryUtf8ToCp932("¥", out));  // Windows would quietly write a backslash
  EXPECT_FALSE(TryUtf8ToCp932("\xEF\xBF\xBD", out));
  EXPECT_FALSE(TryUtf8ToCp932("\xC3", out));          // cut UTF-8
  EXPECT_FALSE(TryUtf8ToCp932("\xED\xA0\x80", out));  // an encoded surrogate
  try {
    Utf8ToCp932("C:\\€uro");
    FAIL() << "no error";
  } catch (const ECodePageError& e) {
    EXPECT_NE(std::string(e.what()).find("C:\\€uro"), std::string::npos) << e.what();
  }
}

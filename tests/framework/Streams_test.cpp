#include "framework/Streams.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

TEST(Streams, Utf8AndUtf16RoundTripEveryPlane) {
  const std::string text = "a\xC3\xA9\xE5\x86\x99\xE7\x9C\x9F\xF0\x9F\x98\x80z";  // aé写真😀z
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, (std::u16string{u'a', u'\u00E9', u'\u5199', u'\u771F', 0xD83D, 0xDE00, u'z'}));
  EXPECT_EQ(Utf16ToUtf8(wide), text);
  // Broken sequences become U+FFFD instead of swallowing their neighbours.
  EXPECT_EQ(Utf8ToUtf16("a\xE5\x86z"), (std::u16string{u'a', 0xFFFD, 0xFFFD, u'z'}));
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
}

TEST(Streams, FilesWithUnicodeNamesOpen) {
  TTempDir dir;
  // Japanese, accented, and a character outside code page 932.
  for (const char* name : {"\xE5\x86\x99\xE7\x9C\x9F.jpg", "caf\xC3\xA9.bmp", "\xF0\x9F\x98\x80.jpeg"}) {
    const std::string file = dir.File(name);
    {
      TFileStream out(file, TFileStream::TMode::Write);
      out.Write("abc", 3);
      out.Close();
    }
    TFileStream in(file, TFileStream::TMode::Read);
    EXPECT_EQ(in.Size(), 3u) << name;
    char buffer[4] = {};
    EXPECT_EQ(in.Read(buffer, 4), 3u);
    EXPECT_STREQ(buffer, "abc");
  }
  EXPECT_THROW(TFileStream(dir.File("missing"), TFileStream::TMode::Read), EFileError);
}

TEST(Streams, ReadExactRefusesShortData) {
  const uint8_t data[] = {1, 2, 3};
  TMemoryStream stream(data, 3);
  uint8_t buffer[4];
  stream.Seek(1);
  EXPECT_THROW(stream.ReadExact(buffer, 3, "short"), EInvalidGraphic);
  stream.Seek(10);
  EXPECT_EQ(stream.Read(buffer, 1), 0u);
}

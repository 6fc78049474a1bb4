#include "framework/IniFiles.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/CodePage932.h"

namespace {

TMemIniFile Parse(const std::string& text) {
  TMemIniFile ini;
  ini.SetText(text);
  return ini;
}

}  // namespace

TEST(IniFilesRead, TrimsSkipsCommentsAndKeepsOrder) {
  const TMemIniFile ini = Parse(
      "stray=before any section\r\n"
      "; a comment\r\n"
      "   [ General ]   \r\n"
      "\r\n"
      "  Interval  =  20  \r\n"
      "\t;Interval=99\r\n"
      "[Folders]\n"
      "Count = 2\n"
      "0=C:\\A b\r"
      "1 =D:\\=x\n");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"General", "Folders"}));
  EXPECT_EQ(ini.ReadInteger("General", "Interval", 15), 20);
  EXPECT_EQ(ini.ReadSection("Folders"), (std::vector<std::string>{"Count", "0", "1"}));
  EXPECT_EQ(ini.ReadString("Folders", "0", ""), "C:\\A b");
  EXPECT_EQ(ini.ReadString("Folders", "1", ""), "D:\\=x");  // split at the first "="
  EXPECT_FALSE(ini.ValueExists("General", "stray"));
  EXPECT_FALSE(ini.ValueExists("", "stray"));
}

TEST(IniFilesRead, NamesIgnoreLetterCase) {
  const TMemIniFile ini = Parse("[general]\r\nINTERVAL=7\r\n");
  EXPECT_EQ(ini.ReadInteger("General", "Interval", 15), 7);
  EXPECT_TRUE(ini.SectionExists("GENERAL"));
  EXPECT_TRUE(ini.ValueExists("General", "interval"));
}

TEST(IniFilesRead, FirstOfRepeatedNamesWinsAndRepeatedHeadersContinueTheSection) {
  const TMemIniFile ini = Parse("[A]\r\nx=1\r\nx=2\r\n[B]\r\ny=3\r\n[a]\r\nz=4\r\n");
  EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "z", ""), "4");
  EXPECT_EQ(ini.GetText(), "[A]\r\nx=1\r\nx=2\r\nz=4\r\n\r\n[B]\r\ny=3\r\n\r\n");
}

TEST(IniFilesRead, DamagedLinesNeverBreakTheRest) {
  // No "=", a header without "]", a missing final line break.
  const TMemIniFile ini = Parse("[General\r\n[General]\r\nno equals sign\r\n[x\r\nInterval=9");
  EXPECT_EQ(ini.ReadInteger("General", "Interval", 15), 9);
  EXPECT_FALSE(ini.ValueExists("General", "no equals sign"));
  EXPECT_EQ(ini.ReadSection("General"), (std::vector<std::string>{"Interval"}));
  // The lines without "=" survive a save as they were.
  EXPECT_EQ(ini.GetText(), "[General]\r\nno equals sign\r\n[x\r\nInterval=9\r\n\r\n");
}

TEST(IniFilesRead, BinaryGarbageLoads) {
  std::string garbage;
  uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 134775813u + 1;
    garbage.push_back(char(seed >> 24));
  }
  TMemIniFile ini;
  ini.SetText("[General]\r\n" + garbage + "\r\n[Folders]\r\nCount=1\r\n0=C:\\x\r\n");
  EXPECT_EQ(ini.ReadInteger("Folders", "Count", 0), 1);
  EXPECT_EQ(ini.ReadString("Folders", "0", ""), "C:\\x");
  // Whatever was read can be written back.
  const std::string text = ini.GetText();
  TMemIniFile again;
  again.SetText(text);
  EXPECT_EQ(again.GetText(), text);
}

TEST(IniFilesRead, IntegersDecimalOrHexWithTheDefaultOtherwise) {
  const TMemIniFile ini = Parse(
      "[N]\r\na=42\r\nb=-17\r\nc=+8\r\nd=$1F\r\ne=0x10\r\nf=0XfF\r\ng=0x\r\nh=$\r\ni=12a\r\nj=\r\n"
      "k=2147483647\r\nl=-2147483648\r\nm=2147483648\r\nn=$FFFFFFFF\r\no=$100000000\r\np=-$10\r\nq= 1 2\r\n");
  const auto read = [&](const char* name) { return ini.ReadInteger("N", name, -99); };
  EXPECT_EQ(read("a"), 42);
  EXPECT_EQ(read("b"), -17);
  EXPECT_EQ(read("c"), 8);
  EXPECT_EQ(read("d"), 31);
  EXPECT_EQ(read("e"), 16);
  EXPECT_EQ(read("f"), 255);
  EXPECT_EQ(read("g"), -99);  // "0x" needs at least one more character
  EXPECT_EQ(read("h"), -99);
  EXPECT_EQ(read("i"), -99);
  EXPECT_EQ(read("j"), -99);
  EXPECT_EQ(read("k"), 2147483647);
  EXPECT_EQ(read("l"), -2147483647 - 1);
  EXPECT_EQ(read("m"), -99);
  EXPECT_EQ(read("n"), -1);
  EXPECT_EQ(read("o"), -99);
  EXPECT_EQ(read("p"), -99);
  EXPECT_EQ(read("q"), -99);
  EXPECT_EQ(read("absent"), -99);
}

TEST(IniFilesWrite, ReplacesInPlaceAppendsAndEndsEveryLineWithCrLf) {
  TMemIniFile ini =
      Parse("; comment\r\n[General]\r\ninterval = 5\r\nOther=x\r\n\r\n[Unknown]\r\nKeep=me\r\n");
  // The rewritten line is the one written, name and all.
  ini.WriteInteger("general", "Interval", 30);
  ini.WriteString("General", "New", "v");
  ini.WriteString("Folders", "Count", "0");
  EXPECT_EQ(ini.GetText(),
            "[General]\r\nInterval=30\r\nOther=x\r\nNew=v\r\n\r\n"
            "[Unknown]\r\nKeep=me\r\n\r\n"
            "[Folders]\r\nCount=0\r\n\r\n");
}

TEST(IniFilesWrite, SectionExistsNeedsAValue) {
  TMemIniFile ini = Parse("[Folders]\r\n[General]\r\nInterval=3\r\n");
  EXPECT_FALSE(ini.SectionExists("Folders"));
  EXPECT_TRUE(ini.SectionExists("General"));
  // The bare header still survives a save.
  EXPECT_EQ(ini.GetText(), "[Folders]\r\n\r\n[General]\r\nInterval=3\r\n\r\n");
  ini.WriteInteger("Folders", "Count", 0);
  EXPECT_TRUE(ini.SectionExists("Folders"));
}

TEST(IniFilesWrite, JapaneseTextIsCodePage932OnDisk) {
  TMemIniFile ini;
  ini.WriteString("Folders", "0", "C:\\写真\\表");
  const std::string text = ini.GetText();
  EXPECT_EQ(text, "[Folders]\r\n0=" + Utf8ToCp932("C:\\写真\\表") + "\r\n\r\n");
  EXPECT_NE(text.find("\x95\x5C\r\n"), std::string::npos);  // 表 ends in a backslash byte
  EXPECT_EQ(Parse(text).ReadString("Folders", "0", ""), "C:\\写真\\表");
}

TEST(IniFilesWrite, UnrepresentableTextFailsNamingIt) {
  TMemIniFile ini;
  ini.WriteString("Folders", "0", "C:\\ok");
  ini.WriteString("Folders", "1", "C:\\Ph\xF0\x9F\x98\x80tos");
  try {
    (void)ini.GetText();
    FAIL() << "no error";
  } catch (const ECodePageError& e) {
    EXPECT_NE(std::string(e.what()).find("C:\\Ph\xF0\x9F\x98\x80tos"), std::string::npos) << e.what();
  }
  TMemIniFile broken;
  broken.WriteString("S", "v", "two\r\nlines");
  EXPECT_THROW((void)broken.GetText(), ECodePageError);
}

TEST(IniFilesWrite, DamagedBytesSurviveUntilChanged) {
  // 0x82 before "=" is a lead byte without its trail byte; 0x85 0x40 is an
  // unassigned pair.
  const std::string damaged = "[Fo\x85\x40]\r\nk\x82=v\r\n[Folders]\r\n0=C:\\\x85\x40\r\n1=C:\\\x82\r\n";
  TMemIniFile ini;
  ini.SetText(damaged);
  EXPECT_EQ(ini.ReadString("Folders", "0", ""), "C:\\\xEF\xBF\xBD");
  EXPECT_EQ(ini.GetText(),
            "[Fo\x85\x40]\r\nk\x82=v\r\n\r\n[Folders]\r\n0=C:\\\x85\x40\r\n1=C:\\\x82\r\n\r\n");
  // Writing back what was read, names included, keeps the bytes; a new value replaces them.
  for (const std::string& section : ini.ReadSections()) {
    for (const std::string& name : ini.ReadSection(section)) {
      ini.WriteString(section, name, ini.ReadString(section, name, ""));
    }
  }
  ini.WriteString("Folders", "1", "C:\\new");
  EXPECT_EQ(ini.GetText(), "[Fo\x85\x40]\r\nk\x82=v\r\n\r\n[Folders]\r\n0=C:\\\x85\x40\r\n1=C:\\new\r\n\r\n");
}

TEST(IniFilesWrite, AValueKeepsItsDamagedBytesUnderAnotherNameAndARewriteTakesTheWholeLine) {
  // The folder before the damaged one is deleted: the damaged one moves from
  // "1" to "0", and a new "2" takes it too.
  TMemIniFile ini;
  ini.SetText("[Folders]\r\ncount=2\r\n0=C:\\gone\r\n1=C:\\\x85\x40\r\n");
  const std::string damaged = ini.ReadString("Folders", "1", "");
  ini.WriteInteger("Folders", "Count", 1);
  ini.WriteString("Folders", "0", damaged);
  ini.WriteString("Folders", "2", damaged);
  EXPECT_EQ(ini.GetText(),
            "[Folders]\r\nCount=1\r\n0=C:\\\x85\x40\r\n1=C:\\\x85\x40\r\n2=C:\\\x85\x40\r\n\r\n");
  // Two damaged runs that read alike are not told apart: neither is guessed.
  ini.SetText("[S]\r\na=\x85\x40\r\nb=\x85\x41\r\n");
  ini.WriteString("S", "c", ini.ReadString("S", "a", ""));
  EXPECT_THROW((void)ini.GetText(), ECodePageError);
}

TEST(IniFilesRead, ManyValuesLoadQuickly) {
  // Lookups are hashed: a large file with many values in one section stays fast.
  std::string text = "[Folders]\r\n";
  for (int i = 0; i < 100000; ++i) text += std::to_string(i) + "=C:\\f" + std::to_string(i) + "\r\n";
  TMemIniFile ini;
  ini.SetText(text);
  for (int i = 0; i < 100000; i += 997) {
    ASSERT_EQ(ini.ReadString("Folders", std::to_string(i), ""), "C:\\f" + std::to_string(i));
  }
  EXPECT_EQ(ini.GetText(), text + "\r\n");
}

TEST(IniFilesWrite, ADamagedHeaderEndingInALeadByteStaysAHeader) {
  // 0x9A is a lead byte; here the NUL after it keeps it from pairing with "]".
  // Written back without that NUL, it would swallow the bracket.
  const std::string damaged = std::string("[Name\x9A", 6) + std::string(1, '\0') + "]\r\nk=v\r\n";
  TMemIniFile ini;
  ini.SetText(damaged);
  ASSERT_EQ(ini.ReadSections().size(), 1u);
  const std::string text = ini.GetText();
  TMemIniFile again;
  again.SetText(text);
  EXPECT_EQ(again.ReadSections(), ini.ReadSections());
  EXPECT_EQ(again.ReadString(ini.ReadSections()[0], "k", ""), "v");
  EXPECT_EQ(again.GetText(), text);
}

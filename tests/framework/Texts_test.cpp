#include "framework/Texts.h"

#include <gtest/gtest.h>

#include "common/TextTable.h"
#include "framework/Exceptions.h"

TEST(Texts, FormatReplacesEachSpecifierByTheNextArgumentOnly) {
  struct TCase {
    const char* Pattern;
    std::vector<std::string> Args;
    const char* Expected;
  } cases[] = {
      {"%s: %d", {"a", "7"}, "a: 7"},
      {"100%% %s", {"%d%s"}, "100% %d%s"},
      {"%s and %s", {"one"}, "one and %s"},
      {"%x %", {"unused"}, "%x %"},
      {"", {"x"}, ""},
  };
  for (const TCase& c : cases) EXPECT_EQ(FormatPattern(c.Pattern, c.Args), c.Expected) << c.Pattern;
}

TEST(Texts, SettingNamesTheLanguageInAnyCaseAndOtherwiseFallsBack) {
  EXPECT_EQ(LanguageOfSetting("ja", lgEnglish), lgJapanese);
  EXPECT_EQ(LanguageOfSetting("EN", lgJapanese), lgEnglish);
  for (const char* other : {"", "de", "english", "j", "jp"}) {
    EXPECT_EQ(LanguageOfSetting(other, lgEnglish), lgEnglish) << other;
    EXPECT_EQ(LanguageOfSetting(other, lgJapanese), lgJapanese) << other;
  }
}

TEST(Texts, ErrorsCarryTheirNumberAndTheTextOfTheChosenLanguage) {
  const Exception japanese(IDS_LIST_INDEX, {42});
  EXPECT_EQ(japanese.TextId(), IDS_LIST_INDEX);
  EXPECT_STREQ(japanese.what(), "リストのインデックスが範囲を超えています (42)");
  SetTableLanguage(lgEnglish);
  const Exception english(IDS_VALUE_WRONG_TYPE, {"Interval"});
  const std::string menu = FormatText(IDS_MENU_ABOUT, {"Kobaru"});
  SetTableLanguage(lgJapanese);
  EXPECT_STREQ(english.what(), "'Interval' has the wrong data type");
  EXPECT_EQ(menu, "&About Kobaru...");
  EXPECT_EQ(Exception("plain").TextId(), 0);
}

#include "settings/LanguageSetting.h"

#include <gtest/gtest.h>

#include "support/StoreTestSupport.h"

using namespace store_test;

namespace {

const std::string kGeneralKey = "\\Software\\Orvane\\vemo\\General";

class LanguageSettingTest : public testing::Test {
protected:
  TStorageEnvironment Environment() {
    return TStorageEnvironment(Folder / "vemo.exe", Registry.Factory(), Files, Question);
  }

  TScratchFolder Folder;
  TMemoryRegistry Registry;
  TFaultyFileSystem Files;
  TScriptedQuestion Question;
};

}  // namespace

TEST_F(LanguageSettingTest, IsReadFromEitherPlaceWithoutAskingAndWrongTypesCountAsAbsent) {
  EXPECT_EQ(ReadLanguageSetting(Environment()), "");
  EXPECT_EQ(Question.Asked, 0);
  EXPECT_FALSE(Exists(Folder / "vemo.ini"));
  WriteBytes(Folder / "vemo.ini", "[General]\r\nLanguage=en\r\n");
  EXPECT_EQ(ReadLanguageSetting(Environment()), "en");
  Registry.SetValue(kGeneralKey, "Language", RegistryString("ja"));
  EXPECT_EQ(ReadLanguageSetting(Environment()), "ja");
  Registry.SetValue(kGeneralKey, "Language", RegistryDword(1));
  EXPECT_EQ(ReadLanguageSetting(Environment()), "");
}

TEST_F(LanguageSettingTest, TravelsWithAMoveOfTheSettingsBothWays) {
  WriteBytes(Folder / "vemo.ini", "[General]\r\nInterval=7\r\nLanguage=en\r\n");
  TZoIniFile2::MoveStorage(Environment(), spRegistry);
  TRegistryValue value;
  ASSERT_TRUE(Registry.GetValue(kGeneralKey, "Language", value));
  EXPECT_EQ(value.Type, uint32_t(rtString));
  EXPECT_EQ(ReadLanguageSetting(Environment()), "en");
  TZoIniFile2::MoveStorage(Environment(), spIniFile);
  EXPECT_EQ(ReadBytes(Folder / "vemo.ini"), "[General]\r\nLanguage=en\r\n\r\n");
  EXPECT_EQ(Question.Asked, 0);
}

#include "framework/Resources_win.h"

#include <gtest/gtest.h>

#include "common/TextTable.h"
#include "dialogs/dlgResource.h"

TEST(ResourceTexts, MatchTheTableInBothLanguagesWithTheirOwnTemplates) {
  const DLGTEMPLATE* configs[2] = {};
  for (TLanguage language : {lgJapanese, lgEnglish}) {
    UseResourceTexts(language);
    SetTableLanguage(language);
    for (TTextId id : TableTextIds()) EXPECT_EQ(ResourceText(id), TableText(id)) << id;
    EXPECT_EQ(LoadText(IDS_MENU_EXIT), TableText(IDS_MENU_EXIT));
    configs[language] = DialogTemplate(IDD_CONFIG);
    EXPECT_NE(configs[language], nullptr);
    EXPECT_NE(DialogTemplate(IDD_PREVIEW), nullptr);
  }
  EXPECT_NE(configs[lgJapanese], configs[lgEnglish]);
  EXPECT_EQ(ResourceText(1), "#1");
  // The suites after this one expect the Japanese templates and texts.
  UseResourceTexts(lgJapanese);
  UseTextTable(lgJapanese);
}

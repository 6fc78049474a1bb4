// The texts and dialog templates of the executable's resources, in the
// language chosen once at start-up.
#pragma once

#include <windows.h>

#include "framework/Texts.h"

// The language of Windows' own interface: Japanese where that is Japanese,
// English everywhere else.
TLanguage WindowsUiLanguage();
// Chooses the language for the run and makes the resources the text source.
// Call it once, before any other thread exists.
void UseResourceTexts(TLanguage language);
// The resource language the chosen language's texts and templates carry.
LANGID ChosenLanguageId();
// The text from the chosen language's string table; any thread may call it.
std::string ResourceText(TTextId id);
// The dialog template in the chosen language, for CreateDialogIndirectParam;
// null when the executable has none.
const DLGTEMPLATE* DialogTemplate(int id);

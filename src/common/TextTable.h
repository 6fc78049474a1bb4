// The texts of the resource file as a table compiled in, for programs that
// have no resources: the native build and the tests.
#pragma once

#include <vector>

#include "framework/Texts.h"

// The text in the table's language (Japanese until told otherwise).
std::string TableText(TTextId id);
void SetTableLanguage(TLanguage language);
// Makes the table the text source, in that language.
void UseTextTable(TLanguage language);
// Every number the table holds, in ascending order.
std::vector<TTextId> TableTextIds();

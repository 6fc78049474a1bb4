// Every test program reads its texts from the table made from the resource
// file, in Japanese unless a test says otherwise.
#include "common/TextTable.h"

namespace {

const bool kTextsInstalled = (UseTextTable(lgJapanese), true);

}  // namespace

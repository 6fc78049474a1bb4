#include "common/TextTable.h"

#include <algorithm>
#include <atomic>
#include <iterator>

namespace {

struct TTableEntry {
  TTextId Id;
  const char8_t* Japanese;
  const char8_t* English;
};

// Sorted by number: the generator writes them so.
constexpr TTableEntry kTexts[] = {
#include "TextTable.inc"
};

std::atomic<TLanguage> gTableLanguage{lgJapanese};

}  // namespace

std::string TableText(TTextId id) {
  const auto entry = std::lower_bound(std::begin(kTexts), std::end(kTexts), id,
                                      [](const TTableEntry& e, TTextId wanted) { return e.Id < wanted; });
  if (entry == std::end(kTexts) || entry->Id != id) return MissingText(id);
  const char8_t* text = gTableLanguage.load() == lgJapanese ? entry->Japanese : entry->English;
  return reinterpret_cast<const char*>(text);
}

void SetTableLanguage(TLanguage language) { gTableLanguage.store(language); }

void UseTextTable(TLanguage language) {
  SetTableLanguage(language);
  SetTextSource(&TableText);
}

std::vector<TTextId> TableTextIds() {
  std::vector<TTextId> ids;
  for (const TTableEntry& entry : kTexts) ids.push_back(entry.Id);
  return ids;
}

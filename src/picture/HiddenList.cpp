#include "picture/HiddenList.h"

#include "framework/Streams.h"
#include "picture/FolderList.h"

namespace {

// The path as its name compares: every UTF-16 unit folded. Bytes that are
// no UTF-8 name no character and match only exactly: they keep their bytes,
// behind a lone low surrogate that no converted name starts with.
std::u16string KeyOf(const std::string& path) {
  std::u16string key = Utf8ToUtf16(path);
  if (Utf16ToUtf8(key) != path) return u'\xDC00' + std::u16string(path.begin(), path.end());
  for (char16_t& unit : key) unit = UpcaseFileNameUnit(unit);
  return key;
}

}  // namespace

void THiddenList::Assign(const std::vector<std::string>& paths) {
  FPaths.clear();
  FKeys.clear();
  for (const std::string& path : paths) Add(path);
}

bool THiddenList::Add(const std::string& path) {
  if (!FKeys.insert(KeyOf(path)).second) return false;
  FPaths.push_back(path);
  return true;
}

bool THiddenList::Contains(const std::string& path) const {
  return !FKeys.empty() && FKeys.contains(KeyOf(path));
}

void PassOverHidden(TStringList& list, const THiddenList& hidden) {
  if (hidden.Count() == 0) return;
  for (int32_t i = list.Count() - 1; i >= 0; --i)
    if (hidden.Contains(list.Strings(i))) list.Delete(i);
}

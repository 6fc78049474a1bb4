#include "picture/FolderList.h"

#include <algorithm>
#include <iterator>

#include "framework/Streams.h"

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

struct TCasePair {
  char16_t Lower, Upper;
};
constexpr TCasePair kUpcase[] = {
#include "picture/UpcaseTable.inc"
};

}  // namespace

char16_t UpcaseFileNameUnit(char16_t unit) {
  if (unit < 0x80) return unit >= u'a' && unit <= u'z' ? char16_t(unit - u'a' + u'A') : unit;
  const auto* found = std::lower_bound(std::begin(kUpcase), std::end(kUpcase), unit,
                                       [](const TCasePair& pair, char16_t key) { return pair.Lower < key; });
  return found != std::end(kUpcase) && found->Lower == unit ? found->Upper : unit;
}

std::string LowerCaseFileName(const std::string& name) {
  std::string result = name;
  for (char& c : result) c = LowerAscii(c);
  return result;
}

bool SameFileName(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::u16string wideA = Utf8ToUtf16(a), wideB = Utf8ToUtf16(b);
  if (wideA.size() != wideB.size()) return false;
  // Bytes that are no UTF-8 name no character: such names match only exactly.
  if (Utf16ToUtf8(wideA) != a || Utf16ToUtf8(wideB) != b) return false;
  for (size_t i = 0; i < wideA.size(); ++i)
    if (UpcaseFileNameUnit(wideA[i]) != UpcaseFileNameUnit(wideB[i])) return false;
  return true;
}

bool TFolderList::Add(const std::string& folder) {
  if (folder.empty()) return false;
  if (IndexOf(folder) != -1) return false;
  FList.Add(folder);
  return true;
}

void TFolderList::Assign(const TFolderList& source) { FList.Assign(source.FList); }

int32_t TFolderList::IndexOf(const std::string& folder) const {
  for (int32_t i = 0; i < FList.Count(); ++i)
    if (SameFileName(FList.Strings(i), folder)) return i;
  return -1;
}

bool TFolderList::Equals(const TFolderList& other) const {
  if (Count() != other.Count()) return false;
  for (int32_t i = 0; i < Count(); ++i)
    if (other.IndexOf(FList.Strings(i)) == -1) return false;
  return true;
}

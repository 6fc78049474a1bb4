#include "picture/FolderList.h"

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

std::string LowerCaseFileName(const std::string& name) {
  std::string result = name;
  for (char& c : result) c = LowerAscii(c);
  return result;
}

bool SameFileName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
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

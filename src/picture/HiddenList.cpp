#include "picture/HiddenList.h"

#include "framework/Streams.h"
#include "picture/FolderList.h"

namespace {

// FNV-1a over the UTF-16 units of the path as its name compares, each unit
// folded. A path of ASCII alone (most of them) is hashed straight from its
// bytes, with no conversion and no allocation: the scan asks once a picture.
// Bytes that are no UTF-8 name no character and match only exactly, so
// they are hashed as they are, from another start.
uint64_t FoldedHash(const std::string& path) {
  constexpr uint64_t kPrime = 1099511628211u, kBasis = 14695981039346656037u;
  uint64_t hash = kBasis;
  size_t ascii = 0;
  for (; ascii < path.size() && (unsigned char)path[ascii] < 0x80; ++ascii) {
    const char c = path[ascii];
    hash = (hash ^ uint64_t(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c)) * kPrime;
  }
  if (ascii == path.size()) return hash;
  hash = kBasis;
  const std::u16string wide = Utf8ToUtf16(path);
  if (Utf16ToUtf8(wide) != path) {
    hash = ~hash;
    for (const char c : path) hash = (hash ^ uint64_t((unsigned char)c)) * kPrime;
    return hash;
  }
  for (const char16_t unit : wide) hash = (hash ^ uint64_t(UpcaseFileNameUnit(unit))) * kPrime;
  return hash;
}

}  // namespace

void THiddenList::Assign(const std::vector<std::string>& paths) {
  FPaths.clear();
  FIndex.clear();
  for (const std::string& path : paths) Add(path);
}

bool THiddenList::Add(const std::string& path) {
  if (Contains(path)) return false;
  FIndex.emplace(FoldedHash(path), Count());
  FPaths.push_back(path);
  return true;
}

bool THiddenList::Contains(const std::string& path) const {
  if (FIndex.empty()) return false;
  const auto [first, last] = FIndex.equal_range(FoldedHash(path));
  for (auto at = first; at != last; ++at)
    if (SameFileName(FPaths[size_t(at->second)], path)) return true;
  return false;
}

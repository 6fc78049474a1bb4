#include "common/ZoVersionInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/Exceptions.h"
#include "framework/Streams.h"

const std::array<const char*, kVersionKeyCount> kVersionKeys = {
    "Comments",     "CompanyName",    "FileDescription", "FileVersion",
    "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "PrivateBuild", "ProductName",    "ProductVersion",  "SpecialBuild"};

std::string& VersionField(TZoCVersionResourceRec& rec, size_t keyIndex) {
  switch (keyIndex) {
    case 0: return rec.Comments;
    case 1: return rec.CompanyName;
    case 2: return rec.FileDescription;
    case 3: return rec.FileVersion;
    case 4: return rec.InternalName;
    case 5: return rec.LegalCopyright;
    case 6: return rec.LegalTrademarks;
    case 7: return rec.OriginalFilename;
    case 8: return rec.PrivateBuild;
    case 9: return rec.ProductName;
    case 10: return rec.ProductVersion;
    case 11: return rec.SpecialBuild;
    default: break;
  }
  throw Exception(IDS_VERSION_ITEM_MISSING);
}

namespace {

uint16_t Word(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

size_t Align4(size_t offset) { return (offset + 3) & ~size_t(3); }

// One node of the block: wLength, wValueLength, wType, the key (UTF-16, ended
// by a zero), padding, the value, padding, the children.
struct TNode {
  size_t Start = 0, End = 0;
  std::u16string Key;
  size_t ValueStart = 0, ValueBytes = 0;
  uint16_t ValueLength = 0;
  bool IsText = false;
  size_t ChildrenStart = 0;
};

bool ReadNode(const uint8_t* block, size_t size, size_t start, size_t limit, TNode& node) {
  if (start + 6 > limit || limit > size) return false;
  const size_t length = Word(block + start);
  if (length < 6 || start + length > limit) return false;
  node.Start = start;
  node.End = start + length;
  node.ValueLength = Word(block + start + 2);
  node.IsText = Word(block + start + 4) == 1;
  node.Key.clear();
  size_t at = start + 6;
  for (;;) {
    if (at + 2 > node.End) return false;
    const char16_t c = char16_t(Word(block + at));
    at += 2;
    if (c == 0) break;
    node.Key.push_back(c);
  }
  node.ValueStart = std::min(Align4(at), node.End);
  // Text lengths count characters; some writers count bytes. The value never
  // reaches past its node either way.
  node.ValueBytes = std::min(size_t(node.ValueLength) * (node.IsText ? 2 : 1), node.End - node.ValueStart);
  node.ChildrenStart = std::min(Align4(node.ValueStart + node.ValueBytes), node.End);
  return true;
}

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool SameKey(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace

bool QueryVersionValue(const uint8_t* block, size_t size, const std::string& subBlock, TVersionValue& value) {
  value = TVersionValue();
  if (!block) return false;
  TNode node;
  if (!ReadNode(block, size, 0, size, node)) return false;
  size_t at = 0;
  while (at < subBlock.size()) {
    while (at < subBlock.size() && subBlock[at] == '\\') ++at;
    if (at >= subBlock.size()) break;
    const size_t end = std::min(subBlock.find('\\', at), subBlock.size());
    const std::u16string key = Utf8ToUtf16(subBlock.substr(at, end - at));
    at = end;
    bool found = false;
    for (size_t child = node.ChildrenStart; child + 6 <= node.End;) {
      TNode next;
      if (!ReadNode(block, size, child, node.End, next)) return false;
      if (SameKey(next.Key, key)) {
        node = next;
        found = true;
        break;
      }
      child = Align4(next.End);
    }
    if (!found) return false;
  }
  value.Data = block + node.ValueStart;
  value.Length = node.ValueLength;
  value.IsText = node.IsText;
  value.Available = node.End - node.ValueStart;
  return true;
}

std::string VersionStringPath(uint16_t language, uint16_t codePage, const std::string& key) {
  char prefix[40];
  std::snprintf(prefix, sizeof(prefix), "\\StringFileInfo\\%04X%04X\\", unsigned(language),
                unsigned(codePage));
  return prefix + key;
}

void ReadVersionInfoBlock(const TVersionQuery& query, TZoCVersionResourceRec& rec) {
  TVersionValue translation;
  // A table shorter than one entry cannot be read either.
  if (!query("\\VarFileInfo\\Translation", translation) || translation.Length < 4 ||
      translation.Available < 4 || !translation.Data)
    throw Exception(kVersionInfoFailedText);
  const uint16_t language = Word(translation.Data);
  const uint16_t codePage = Word(translation.Data + 2);
  for (size_t i = 0; i < kVersionKeyCount; ++i) {
    TVersionValue found;
    std::string text;
    if (query(VersionStringPath(language, codePage, kVersionKeys[i]), found) && found.Length > 0 &&
        found.Data) {
      std::u16string wide;
      const size_t limit = std::min(size_t(found.Length), found.Available / 2);
      for (size_t c = 0; c < limit; ++c) {
        const char16_t ch = char16_t(Word(found.Data + 2 * c));
        if (ch == 0) break;
        wide.push_back(ch);
      }
      text = Utf16ToUtf8(wide);
    }
    VersionField(rec, i) = text;
  }
}

std::string AboutBoxText(const TZoCVersionResourceRec& rec, const std::string& homePage) {
  return rec.Comments + rec.ProductName + " version" + rec.ProductVersion + "\r" + rec.LegalCopyright + "\r" +
         homePage;
}

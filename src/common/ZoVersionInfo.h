// Version resources: the record of the twelve standard strings, and a reader
// of the VS_VERSIONINFO block that Windows keeps in an executable (the wide
// layout of 32-bit programs), so that the strings can be read and checked
// without Windows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "framework/Texts.h"

// The twelve standard strings of a version resource, each named after its key.
struct TZoCVersionResourceRec {
  std::string Comments;
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string LegalTrademarks;
  std::string OriginalFilename;
  std::string PrivateBuild;
  std::string ProductName;
  std::string ProductVersion;
  std::string SpecialBuild;
};

// The keys in record order, and the field each one fills.
inline constexpr size_t kVersionKeyCount = 12;
extern const std::array<const char*, kVersionKeyCount> kVersionKeys;
std::string& VersionField(TZoCVersionResourceRec& rec, size_t keyIndex);

// The message raised when a version resource has no translation table.
inline constexpr TText kVersionInfoFailedText{IDS_VERSION_INFO_FAILED};

// A value found in a version block: its bytes and the length the block gives
// it (characters for text, bytes for binary data).
struct TVersionValue {
  const uint8_t* Data = nullptr;
  uint32_t Length = 0;
  bool IsText = false;
  // The bytes from Data to the end of the value's node: what may be read.
  size_t Available = 0;
};

// Looks a sub-block up as VerQueryValue does: "\" is the fixed information,
// "\VarFileInfo\Translation" the translation table, "\StringFileInfo\<lang
// and code page>\<key>" a string; keys compare with ASCII letter case ignored.
// False when the path names nothing. The block is checked as it is walked, so
// a damaged block finds nothing instead of reading outside it.
bool QueryVersionValue(const uint8_t* block, size_t size, const std::string& subBlock, TVersionValue& value);

// What ReadVersionInfoBlock asks: the value of a sub-block, as VerQueryValue
// gives it. False (or a length of 0) when there is none.
using TVersionQuery = std::function<bool(const std::string& subBlock, TVersionValue& value)>;

// Steps shared by every reader: the first entry of the translation table
// (raising kVersionInfoFailedText without one) picks the string table; each of
// the twelve keys is read from it, a missing one clearing its field. Text is
// UTF-16 in the block, UTF-8 in the record.
void ReadVersionInfoBlock(const TVersionQuery& query, TZoCVersionResourceRec& rec);

// "\StringFileInfo\041103A4\ProductName" for language 0x0411, code page 0x03A4.
std::string VersionStringPath(uint16_t language, uint16_t codePage, const std::string& key);

// The About box's text: comments, product name, " version", product version,
// then the copyright line and the home-page address, each on a line of its
// own (carriage returns between).
std::string AboutBoxText(const TZoCVersionResourceRec& rec, const std::string& homePage);

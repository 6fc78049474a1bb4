// The registered picture folders: an ordered list that never holds the same
// folder twice, two folders being the same when their paths are equal as file
// names with letter case ignored. Paths are kept as the user gave them.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Classes.h"
#include "framework/Graphics.h"

// File names as the system compares them: the ASCII letters A-Z become a-z and
// every other byte stays as it is. The bytes of a multi-byte character are
// never touched, so no character outside ASCII changes.
std::string LowerCaseFileName(const std::string& name);
bool SameFileName(const std::string& a, const std::string& b);

class TFolderList : public TObject {
public:
  TFolderList() = default;
  TFolderList(const TFolderList&) = delete;
  TFolderList& operator=(const TFolderList&) = delete;
  ~TFolderList() override = default;

  // Appends folder unless it is empty or already listed; says whether it did.
  bool Add(const std::string& folder);
  // Takes a copy of source's entries in source's order.
  void Assign(const TFolderList& source);
  void Clear() { FList.Clear(); }
  // Index outside 0 .. Count - 1 raises the list-index error.
  void Delete(int32_t index) { FList.Delete(index); }
  int32_t Count() const { return FList.Count(); }
  const std::string& Items(int32_t index) const { return FList.Strings(index); }
  // Index of the first entry that is folder as a file name, or -1.
  int32_t IndexOf(const std::string& folder) const;
  // The same folders, in any order.
  bool Equals(const TFolderList& other) const;

private:
  TStringList FList;
};

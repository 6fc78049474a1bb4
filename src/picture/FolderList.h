// The registered picture folders: an ordered list that never holds the same
// folder twice, two folders being the same when their paths are equal as file
// names with letter case ignored (SameFileName). Paths are kept as the user gave them.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Classes.h"
#include "framework/Graphics.h"

// The ASCII letters A-Z become a-z and every other byte stays as it is: for
// names whose letters are ASCII by rule, such as picture extensions.
std::string LowerCaseFileName(const std::string& name);
// One UTF-16 unit as Windows' file systems fold it: its simple upper case in
// the Basic Multilingual Plane; surrogates and caseless units stay.
char16_t UpcaseFileNameUnit(char16_t unit);
// Names as Windows' file systems compare them, whatever the code page: equal
// UTF-16 units after UpcaseFileNameUnit ("C:\Été" is "C:\ÉTÉ").
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

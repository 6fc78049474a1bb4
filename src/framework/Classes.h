// The framework's string list: an ordered list of strings, each carrying one
// attached object pointer. The list never owns the attached objects; whoever
// attaches an object keeps it alive for as long as it is attached.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Graphics.h"

// Raises the list-index error for index, as every framework list does.
[[noreturn]] void RaiseListIndexError(int32_t index);

class TStringList : public TObject {
public:
  TStringList() = default;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;
  ~TStringList() override = default;

  // Whether IndexOf tells letter case apart. Off by default, as in the
  // framework; only the ASCII letters A-Z fold, every other byte of the UTF-8
  // text must match exactly.
  bool CaseSensitive = false;

  int32_t Count() const { return int32_t(FItems.size()); }

  // Appends and returns the new entry's index.
  int32_t Add(const std::string& s) { return AddObject(s, nullptr); }
  int32_t AddObject(const std::string& s, TObject* object);
  // index 0 .. Count (Count appends); later entries move down by one.
  void Insert(int32_t index, const std::string& s) { InsertObject(index, s, nullptr); }
  void InsertObject(int32_t index, const std::string& s, TObject* object);
  // Removes the entry; later entries move up by one. The attached object is
  // left alone.
  void Delete(int32_t index);
  void Clear() { FItems.clear(); }
  // Swaps two entries together with their objects.
  void Exchange(int32_t index1, int32_t index2);
  // Replaces the entries by the other list's strings and object pointers.
  void Assign(const TStringList& source);
  // Room for count entries without reallocation.
  void Reserve(int32_t count);

  const std::string& Strings(int32_t index) const { return At(index).Text; }
  void SetStrings(int32_t index, const std::string& s) { At(index).Text = s; }
  TObject* Objects(int32_t index) const { return At(index).Object; }
  void SetObjects(int32_t index, TObject* object) { At(index).Object = object; }

  // Index of the first entry equal to s (see CaseSensitive), or -1.
  int32_t IndexOf(const std::string& s) const;
  // Index of the first entry carrying object, or -1.
  int32_t IndexOfObject(const TObject* object) const;

private:
  struct TItem {
    std::string Text;
    TObject* Object = nullptr;
  };

  TItem& At(int32_t index);
  const TItem& At(int32_t index) const;

  std::vector<TItem> FItems;
};

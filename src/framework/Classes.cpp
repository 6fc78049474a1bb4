#include "framework/Classes.h"

#include <cstdio>
#include <utility>

namespace {

bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

void RaiseListIndexError(int32_t index) { throw EListError(IDS_LIST_INDEX, {index}); }

TStringList::TItem& TStringList::At(int32_t index) {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return FItems[size_t(index)];
}

const TStringList::TItem& TStringList::At(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return FItems[size_t(index)];
}

int32_t TStringList::AddObject(const std::string& s, TObject* object) {
  const int32_t index = Count();
  InsertObject(index, s, object);
  return index;
}

void TStringList::InsertObject(int32_t index, const std::string& s, TObject* object) {
  if (index < 0 || index > Count()) RaiseListIndexError(index);
  // The index is held in 32 bits; a list that outgrew it could not be addressed.
  if (Count() == INT32_MAX) {
    throw EListError(IDS_LIST_CAPACITY, {INT32_MAX});
  }
  FItems.insert(FItems.begin() + index, TItem{s, object});
}

void TStringList::Delete(int32_t index) {
  At(index);
  FItems.erase(FItems.begin() + index);
}

void TStringList::Exchange(int32_t index1, int32_t index2) {
  TItem& a = At(index1);
  TItem& b = At(index2);
  std::swap(a, b);
}

void TStringList::Assign(const TStringList& source) {
  if (&source == this) return;
  FItems = source.FItems;
}

void TStringList::Reserve(int32_t count) {
  if (count > 0) FItems.reserve(size_t(count));
}

int32_t TStringList::IndexOf(const std::string& s) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    const std::string& item = FItems[i].Text;
    if (CaseSensitive ? item == s : SameTextAscii(item, s)) return int32_t(i);
  }
  return -1;
}

int32_t TStringList::IndexOfObject(const TObject* object) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Object == object) return int32_t(i);
  return -1;
}

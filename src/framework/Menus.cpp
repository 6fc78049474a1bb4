#include "framework/Menus.h"

#include "framework/Classes.h"

TMenuItem* TMenuItem::Items(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return FItems[size_t(index)].get();
}

int32_t TMenuItem::IndexOf(const TMenuItem* item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == item) return int32_t(i);
  return -1;
}

TMenuItem* TMenuItem::Add(std::unique_ptr<TMenuItem> item) { return Insert(Count(), std::move(item)); }

TMenuItem* TMenuItem::Insert(int32_t index, std::unique_ptr<TMenuItem> item) {
  if (!item) throw Exception(IDS_MENU_ITEM_MISSING);
  if (index < 0 || index > Count()) RaiseListIndexError(index);
  TMenuItem* raw = item.get();
  FItems.insert(FItems.begin() + index, std::move(item));
  raw->FParent = this;
  return raw;
}

void TMenuItem::Delete(int32_t index) {
  Items(index);
  FItems.erase(FItems.begin() + index);
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

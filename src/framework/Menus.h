// The framework's menu model: a tree of menu items, each owning its children.
// It holds only what a menu shows and does; the Win32 layer builds a real menu
// from it when the menu pops up (TrackPopupMenu) and calls Click on the chosen
// item.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Graphics.h"

class TImageList;
class TMenuItem;

using TMenuClickEvent = std::function<void(TMenuItem* Sender)>;

class TMenuItem : public TObject {
public:
  TMenuItem() = default;
  explicit TMenuItem(const std::string& caption) : Caption(caption) {}
  TMenuItem(const TMenuItem&) = delete;
  TMenuItem& operator=(const TMenuItem&) = delete;
  ~TMenuItem() override = default;

  // "-" makes the item a separator line.
  std::string Caption;
  bool Visible = true;
  bool Enabled = true;
  // The item a double click would choose; drawn bold.
  bool Default = false;
  // Index into the parent's SubMenuImages; -1 shows no image.
  int32_t ImageIndex = -1;
  int32_t Tag = 0;
  TMenuClickEvent OnClick;
  // The images of this item's children; not owned, may be null.
  TImageList* SubMenuImages = nullptr;

  bool IsLine() const { return Caption == "-"; }

  // The item that owns this one, or null for a menu's root.
  TMenuItem* Parent() const { return FParent; }

  int32_t Count() const { return int32_t(FItems.size()); }
  // Child index; outside 0 .. Count - 1 raises the list-index error.
  TMenuItem* Items(int32_t index) const;
  int32_t IndexOf(const TMenuItem* item) const;

  // Takes ownership of item and appends it (Add) or puts it at index 0 .. Count
  // (Insert). Returns the item.
  TMenuItem* Add(std::unique_ptr<TMenuItem> item);
  TMenuItem* Insert(int32_t index, std::unique_ptr<TMenuItem> item);
  // Destroys child index; later children move up by one.
  void Delete(int32_t index);
  // Destroys all children.
  void Clear() { FItems.clear(); }

  // What choosing the item does: calls OnClick with this item, if it is set.
  void Click();

private:
  TMenuItem* FParent = nullptr;
  std::vector<std::unique_ptr<TMenuItem>> FItems;
};

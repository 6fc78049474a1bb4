// The recent-picture history: the pictures last shown in the notification-area
// icon, newest first, each with a copy of its tile, kept in step with a set of
// menu items (the path as caption, the tile as a thumbnail: 20 x 20 at 96 dpi,
// the menu's image size at the display's DPI otherwise) under one parent item.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"

class THistory;

using THistorySelectEvent = std::function<void(THistory* Sender, const std::string& Path)>;

class THistory : public TObject {
public:
  // Places Capacity items under Parent: item 0, a separator, items 1 ..
  // Capacity - 1. Parent owns the items; the history must be destroyed before
  // Parent, and Parent's SubMenuImages points at the history's thumbnails while
  // the history lives.
  THistory(uint8_t Capacity, TMenuItem* Parent, THistorySelectEvent OnSelect);
  THistory(const THistory&) = delete;
  THistory& operator=(const THistory&) = delete;
  ~THistory() override;

  // Remembers path as the newest picture with a copy of tile; the oldest goes
  // when there are more than Capacity.
  void Add(const std::string& path, const TBitmap& tile);
  // Forgets entry index (0 the newest); outside the entries raises the
  // list-index error.
  void Delete(int32_t index);
  void Clear();
  // The click handler of every history item: hands the path of the entry the
  // item shows (found through its tag) to OnSelect, if that is set.
  void ItemClick(TMenuItem* Sender);

  uint8_t Capacity() const { return FCapacity; }
  int32_t Count() const { return FEntries.Count(); }
  const std::string& Paths(int32_t index) const { return FEntries.Strings(index); }
  // The copy of the tile kept for entry index.
  const TBitmap& Tiles(int32_t index) const;
  // Menu item i shows entry i while i < Count.
  TMenuItem* MenuItems(int32_t index) const;
  const TImageList& Images() const { return FImages; }

  // The thumbnails' side at 96 dpi.
  static constexpr int32_t kThumbnailSize = 20;
  // The menu's images become side x side (the display's scaling changed); the
  // thumbnails are made again, each tile still centred unscaled.
  void SetThumbnailSize(int32_t side);

private:
  void Refresh();
  void AddThumbnail(const TBitmap& tile);

  uint8_t FCapacity;
  // Strings are paths; each object is the entry's tile in FTiles.
  TStringList FEntries;
  // Owns the tile copies, index for index with FEntries.
  std::vector<std::unique_ptr<TBitmap>> FTiles;
  // Owned by the parent item.
  std::vector<TMenuItem*> FMenuItems;
  TMenuItem* FParent;
  TImageList FImages;
  THistorySelectEvent FOnSelect;
};

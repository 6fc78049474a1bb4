#include "picture/History.h"

#include <algorithm>
#include <utility>

THistory::THistory(uint8_t Capacity, TMenuItem* Parent, THistorySelectEvent OnSelect)
    : FCapacity(Capacity),
      FParent(Parent),
      FImages(kThumbnailSize, kThumbnailSize),
      FOnSelect(std::move(OnSelect)) {
  if (!FParent) throw Exception(IDS_HISTORY_ITEM_MISSING);
  FMenuItems.reserve(FCapacity);
  for (int32_t i = 0; i < FCapacity; ++i) {
    auto item = std::make_unique<TMenuItem>();
    item->OnClick = [this](TMenuItem* sender) { ItemClick(sender); };
    FMenuItems.push_back(FParent->Add(std::move(item)));
    if (i == 0) FParent->Add(std::make_unique<TMenuItem>("-"));
  }
  FParent->SubMenuImages = &FImages;
  Refresh();
}

THistory::~THistory() {
  // Leaving the menu consistent matters more than reporting a failure here:
  // the items stay with the parent after the history is gone.
  try {
    Clear();
  } catch (...) {
  }
  for (TMenuItem* item : FMenuItems) item->OnClick = nullptr;
  if (FParent->SubMenuImages == &FImages) FParent->SubMenuImages = nullptr;
}

const TBitmap& THistory::Tiles(int32_t index) const {
  return *static_cast<TBitmap*>(FEntries.Objects(index));
}

TMenuItem* THistory::MenuItems(int32_t index) const {
  if (index < 0 || index >= int32_t(FMenuItems.size())) RaiseListIndexError(index);
  return FMenuItems[size_t(index)];
}

void THistory::Add(const std::string& path, const TBitmap& tile) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(tile);
  TBitmap* raw = copy.get();
  FTiles.insert(FTiles.begin(), std::move(copy));
  try {
    FEntries.InsertObject(0, path, raw);
  } catch (...) {
    FTiles.erase(FTiles.begin());
    throw;
  }
  if (FEntries.Count() > FCapacity)
    Delete(FCapacity);
  else
    Refresh();
}

void THistory::Delete(int32_t index) {
  FEntries.Delete(index);
  FTiles.erase(FTiles.begin() + index);
  Refresh();
}

void THistory::Clear() {
  while (FEntries.Count() > 0) Delete(0);
}

void THistory::Refresh() {
  FImages.Clear();
  const int32_t count = FEntries.Count();
  const int32_t last = std::max(count - 1, int32_t(FCapacity) - 1);
  for (int32_t i = 0; i <= last; ++i) {
    // Entries beyond the capacity exist only inside Add, which never
    // refreshes before dropping them; this guard keeps that an invariant.
    if (i >= int32_t(FMenuItems.size())) break;
    TMenuItem* item = FMenuItems[size_t(i)];
    if (i < count) {
      item->Caption = FEntries.Strings(i);
      item->Visible = true;
      item->ImageIndex = i;
      item->Tag = i;
      AddThumbnail(*static_cast<TBitmap*>(FEntries.Objects(i)));
    } else {
      item->Visible = false;
    }
  }
  FParent->Enabled = count > 0;
}

void THistory::AddThumbnail(const TBitmap& tile) {
  const int32_t width = FImages.Width(), height = FImages.Height();
  // Centred, truncating towards zero: a 16 x 16 tile lands at (2, 2).
  const int32_t left = (width - tile.Width()) / 2, top = (height - tile.Height()) / 2;
  const TRect drawn{left, top, left + tile.Width(), top + tile.Height()};

  TBitmap image(width, height, pf24bit);
  image.Canvas().Brush.Color = clWhite;
  image.Canvas().FillRect(TRect{0, 0, width, height});
  image.Canvas().Draw(drawn.Left, drawn.Top, tile);

  TBitmap mask(width, height, pf1bit);
  mask.Canvas().Brush.Color = clWhite;
  mask.Canvas().FillRect(TRect{0, 0, width, height});
  mask.Canvas().Brush.Color = clBlack;
  mask.Canvas().FillRect(drawn);

  FImages.Add(image, &mask);
}

void THistory::SetThumbnailSize(int32_t side) {
  if (side <= 0 || (side == FImages.Width() && side == FImages.Height())) return;
  FImages.SetSize(side, side);
  Refresh();
}

void THistory::ItemClick(TMenuItem* Sender) {
  if (!FOnSelect || !Sender) return;
  // A copy: the handler may change the history while it runs.
  const std::string path = FEntries.Strings(Sender->Tag);
  FOnSelect(this, path);
}

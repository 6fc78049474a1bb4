#include "app/MainFormServices.h"

#include <utility>

// --- TOwnedIcon ------------------------------------------------------------------

void TOwnedIcon::Replace(const TBitmap& color, const TBitmap& mask) {
  Reset();
  FHandle = FFactory.CreateIcon(color, mask);
}

void TOwnedIcon::Reset() {
  if (FHandle == 0) return;
  const THandleValue old = std::exchange(FHandle, 0);
  FFactory.DestroyIcon(old);
}

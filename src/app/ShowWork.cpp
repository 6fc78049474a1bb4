#include "app/ShowWork.h"

#include "picture/OtherFormats.h"
#include "picture/ZoBLibResize.h"
#include "picture/vemoSub.h"

std::unique_ptr<TBitmap> NewTileBitmap(TPixelFormat pixelFormat, int32_t side) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pixelFormat);
  bitmap->SetSize(side, side);
  return bitmap;
}

std::unique_ptr<TBitmap> StretchedTile(const TBitmap& tile, int32_t side) {
  auto stretched = NewTileBitmap(pf24bit, side);
  if (std::unique_ptr<TBitmap> resized = ResizeBitmap(tile, side, side, rmNearestNeighbor, false))
    stretched->Canvas().Draw(0, 0, *resized);
  return stretched;
}

// --- TShowWork -----------------------------------------------------------------

void TShowWork::Start(TWorkSlot slot, std::function<void()> work, std::function<void()> done) {
  FTokens[slot].Cancel();
  const TCancelToken token;
  FTokens[slot] = token;
  Post(
      [token, work = std::move(work)] {
        const TCancelScope scope(token);
        if (!token.Cancelled()) work();
      },
      [token, done = std::move(done)] {
        if (!token.Cancelled()) done();
      });
}

void TShowWork::CancelAll() {
  for (const TCancelToken& token : FTokens) token.Cancel();
  FDeferred.clear();
}

void TShowWork::SetPaused(bool paused) {
  FPaused = paused;
  if (FPaused || FDeferred.empty()) return;
  auto deferred = std::exchange(FDeferred, {});
  for (auto& [work, done] : deferred) Post(std::move(work), std::move(done));
}

void TShowWork::Post(std::function<void()> work, std::function<void()> done) {
  if (FPaused) {
    FDeferred.emplace_back(std::move(work), std::move(done));
    return;
  }
  if (FWorker) {
    FWorker->Post(std::move(work), std::move(done));
    return;
  }
  work();
  done();
}

void TShowWork::Deliver() {
  if (FWorker) FWorker->Deliver();
}

// --- The work ------------------------------------------------------------------

void TScanJob::Run() {
  Filter.Hidden = Hidden.get();
  try {
    for (const std::string& folder : Folders) ScanFolder(folder, *List, *Enumerator, Filter);
  } catch (...) {
    Error = std::current_exception();
  }
}

void TPrepareJob::Run() {
  for (Index = Start;;) {
    if (TCancelScope::Cancelled()) return;
    ++Index;
    if (Index >= List->Count()) {
      AtEnd = true;
      return;
    }
    const std::string& path = List->Strings(Index);
    if (Hidden && Hidden->Contains(path)) continue;
    if (!(TrustFirst && Index == 0)) {
      const std::optional<uint32_t> attributes = FileAttributes(path);
      if (!attributes) continue;
      // Opening it would download it: passed over like a picture that
      // cannot be read, but nothing is wrong with it, so nothing is told.
      if (!TakeOnlineOnly && IsOnlineOnly(*attributes)) {
        ++OnlineOnly;
        continue;
      }
    }
    auto tile = NewTileBitmap(pf24bit, Side);
    try {
      MakeTile(path, *tile, uint16_t(Side));
      Tile = std::move(tile);
      return;
    } catch (const ECancelled&) {
      return;
    } catch (...) {
      // A picture that cannot be read is passed over; the next one is tried
      // at once, and the first failure worth a word is kept to be told.
      ++Failures;
      if (!Error && !IsPassedOver(std::current_exception())) Error = std::current_exception();
    }
  }
}

bool LeftInTheCloud(const TFileAttributesQuery& attributesOf, bool takeOnlineOnly, const std::string& path) {
  if (takeOnlineOnly || !attributesOf) return false;
  const std::optional<uint32_t> attributes = attributesOf(path);
  return attributes && IsOnlineOnly(*attributes);
}

void TRemakeJob::Run() {
  for (int i = 0; i < 2; ++i) {
    if (Paths[i].empty() || TCancelScope::Cancelled()) continue;
    if (LeftInTheCloud(FileAttributes, TakeOnlineOnly, Paths[i])) continue;
    auto tile = NewTileBitmap(pf24bit, Side);
    try {
      MakeTile(Paths[i], *tile, uint16_t(Side));
      Tiles[i] = std::move(tile);
    } catch (const std::exception&) {
      // One that can no longer be read keeps what it showed, stretched.
    }
  }
}

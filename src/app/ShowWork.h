// The show's background work: the scan of the folders, the next picture's
// tile and the tiles made again at a new icon size. Each kind has one slot;
// starting work in a slot calls off what ran there, and only the result of
// work that was not called off reaches the window's thread.
//
// The work objects own everything they read and write, so that nothing of
// the window is touched on the worker, and the cancellation token reaches the
// work one way only: the thread's TCancelScope, set around every piece.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Discovery.h"
#include "app/Worker.h"
#include "framework/CancelToken.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"

// The tile's side at 96 dpi; the icon follows the display's small-icon size.
inline constexpr int32_t kTileSide = 16;
inline constexpr int32_t kLargestTileSide = 256;

std::unique_ptr<TBitmap> NewTileBitmap(TPixelFormat pixelFormat, int32_t side = kTileSide);
// A tile shown at another size until it is made again there: stretched, as
// the system itself would show an icon of the wrong size.
std::unique_ptr<TBitmap> StretchedTile(const TBitmap& tile, int32_t side);

enum TWorkSlot : uint8_t { wsScan, wsPrepare, wsRemake };
inline constexpr int kWorkSlots = 3;

class TShowWork {
public:
  // Without a worker the work runs at once in the caller, as a worker that
  // is always instantly done.
  explicit TShowWork(TWorker* worker) : FWorker(worker) {}

  // Calls off what ran in the slot and starts work there; done runs on the
  // window's thread unless the work was called off meanwhile.
  void Start(TWorkSlot slot, std::function<void()> work, std::function<void()> done);
  void Cancel(TWorkSlot slot) { FTokens[slot].Cancel(); }
  void CancelAll();
  // While paused, work is kept back and started when the pause ends.
  void SetPaused(bool paused);
  // Runs, on the window's thread, what finished work hands back.
  void Deliver();

private:
  void Post(std::function<void()> work, std::function<void()> done);

  TWorker* FWorker;
  TCancelToken FTokens[kWorkSlots];
  bool FPaused = false;
  std::vector<std::pair<std::function<void()>, std::function<void()>>> FDeferred;
};

// The folders scanned into a new list; a scan that fails keeps its error.
struct TScanJob {
  std::vector<std::string> Folders;
  TFolderEnumerator* Enumerator = nullptr;
  // Says whether files kept only online are taken; counts those left out.
  TScanFilter Filter;
  std::shared_ptr<TStringList> List = std::make_shared<TStringList>();
  std::exception_ptr Error;

  void Run();
};

// Finds the first existing picture after Start in the list whose tile can be
// made, passing over the ones that cannot be read and, unless taken, the ones
// that have come to be kept only online since the scan.
struct TPrepareJob {
  std::shared_ptr<const TStringList> List;
  TFileAttributesQuery FileAttributes;
  bool TakeOnlineOnly = false;
  int32_t Start = -1;
  int32_t Side = kTileSide;
  // The first entry of a list just scanned is taken as found.
  bool TrustFirst = false;

  // Found: Index and Tile. Else AtEnd.
  int32_t Index = -1;
  bool AtEnd = false;
  std::unique_ptr<TBitmap> Tile;
  // Pictures passed over because they could not be read, and the first
  // error among them that is worth a word.
  int32_t Failures = 0;
  std::exception_ptr Error;
  // Pictures passed over, unopened and without a word, as kept only online.
  int32_t OnlineOnly = 0;

  void Run();
};

// The file at path is kept only online and stays unopened, unless the user
// takes such pictures.
bool LeftInTheCloud(const TFileAttributesQuery& attributesOf, bool takeOnlineOnly, const std::string& path);

// The current and next pictures' tiles at a new icon size; one gone back to
// the cloud since it was shown keeps its old tile, stretched.
struct TRemakeJob {
  int32_t Side = kTileSide;
  std::string Paths[2];
  TFileAttributesQuery FileAttributes;
  bool TakeOnlineOnly = false;
  std::unique_ptr<TBitmap> Tiles[2];

  void Run();
};

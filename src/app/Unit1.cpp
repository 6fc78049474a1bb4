#include "app/Unit1.h"

#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

#include "common/ZoCommon.h"
#include "picture/JpegDecoder.h"
#include "picture/Pinwheel.h"
#include "picture/ZoBLibResize.h"
#include "picture/vemoSub.h"

namespace {

// The default picture: a white four-armed pinwheel with soft grey edges on
// black, one grey level per pixel, rows from the top.
const uint8_t kPinwheel[kTileSide][kTileSide] = {
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   35,
    177, 135, 28,  0,   0,   0,   7,   170, 35,  0,   0,   0,   0,   0,   71,  248, 255, 255, 241, 71,
    0,   0,   0,   149, 248, 71,  0,   0,   0,   35,  248, 255, 255, 255, 255, 248, 35,  0,   0,   128,
    255, 248, 35,  0,   0,   170, 149, 128, 128, 177, 255, 255, 156, 0,   0,   128, 255, 255, 177, 0,
    0,   7,   0,   0,   0,   0,   64,  241, 212, 0,   0,   177, 255, 255, 135, 0,   0,   0,   0,   0,
    0,   0,   0,   99,  191, 0,   64,  255, 255, 241, 28,  0,   0,   0,   0,   35,  156, 212, 191, 149,
    149, 99,  241, 255, 248, 71,  0,   0,   0,   0,   71,  248, 255, 241, 99,  149, 149, 191, 212, 156,
    35,  0,   0,   0,   0,   28,  241, 255, 255, 64,  0,   191, 99,  0,   0,   0,   0,   0,   0,   0,
    0,   135, 255, 255, 177, 0,   0,   212, 241, 64,  0,   0,   0,   0,   7,   0,   0,   177, 255, 255,
    128, 0,   0,   156, 255, 255, 177, 128, 128, 149, 170, 0,   0,   35,  248, 255, 128, 0,   0,   35,
    248, 255, 255, 255, 255, 248, 35,  0,   0,   0,   71,  248, 149, 0,   0,   0,   71,  241, 255, 255,
    248, 71,  0,   0,   0,   0,   0,   35,  170, 7,   0,   0,   0,   28,  135, 177, 35,  0,   0,   0,
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
};

}  // namespace

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

// --- TVEMOMainForm ---------------------------------------------------------------

TVEMOMainForm::TVEMOMainForm(TMainFormServices services)
    : FServices(std::move(services)), FIcon(FServices.Icons) {
  Timer1.SetEnabled(false);
  Timer1.SetInterval(kTimerInterval);
  Timer1.OnTimer = [this] { Timer1Timer(); };
  TrayReAddTimer.SetEnabled(false);
  TrayReAddTimer.SetInterval(kAddRetryPause);
  TrayReAddTimer.OnTimer = [this] { TrayReAddTimerTimer(); };
  actStop.SetEnabled(false);
  actPlay.OnExecute = [this](TAction*) { Play(); };
  actStop.OnExecute = [this](TAction*) { Stop(false); };
  actExit.OnExecute = [this](TAction*) { FServices.Window.PostClose(); };

  auto item = [this](const char* caption) { return PopupMenu1.Add(std::make_unique<TMenuItem>(caption)); };
  auto linked = [&item](TAction& action) {
    TMenuItem* added = item("");
    action.Link(added);
    return added;
  };
  actOpen1 = item(LoadText(IDS_MENU_OPEN).c_str());
  actOpen1->Visible = false;
  actOpenFolder1 = item(LoadText(IDS_MENU_OPEN_FOLDER).c_str());
  actOpenFolder1->Visible = false;
  actPlay1 = linked(actPlay);
  actStop1 = linked(actStop);
  N2 = item("-");
  C1 = linked(actConfig);
  actAbout1 = linked(actAbout);
  actWebsite1 = linked(actWebsite);
  N3 = item("-");
  Exit1 = linked(actExit);
}

TVEMOMainForm::~TVEMOMainForm() {
  try {
    FormDestroy();
  } catch (...) {
    // The window is going whatever happens; nothing is left to report to.
  }
}

TAction* TVEMOMainForm::ActionById(uint16_t id) {
  for (TAction* action : {&actExit, &actPlay, &actStop, &actConfig, &actAbout, &actWebsite})
    if (action->Id() == id) return action;
  return nullptr;
}

std::unique_ptr<TBitmap> TVEMOMainForm::NewTileBitmap(TPixelFormat pixelFormat, int32_t side) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pixelFormat);
  bitmap->SetSize(side, side);
  return bitmap;
}

std::unique_ptr<TBitmap> TVEMOMainForm::MakeDefaultTile(int32_t side) {
  std::unique_ptr<TBitmap> tile = NewTileBitmap(pf24bit, side);
  tile->Canvas().Brush.Color = TileBackColor();
  tile->Canvas().FillRect(TRect{0, 0, side, side});
  TBitmap picture(side, side, pf24bit);
  const std::vector<uint8_t> drawn = side == kTileSide ? std::vector<uint8_t>() : PinwheelGreys(side);
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      const uint8_t grey = side == kTileSide ? kPinwheel[y][x] : drawn[size_t(y) * size_t(side) + size_t(x)];
      picture.SetPixelColor(x, y, RGBColor(grey, grey, grey));
    }
  tile->Canvas().Draw(0, 0, picture);
  return tile;
}

void TVEMOMainForm::FatalStartupError(const std::string& message) {
  Application().MessageBoxes().Show(message, MessageBoxCaption(mtError, Application().Title), mtError);
  FServices.Window.Handle();
  FServices.Window.PostClose();
}

void TVEMOMainForm::FormCreate() {
  FCreated = true;
  const std::string& title = Application().Title;
  actAbout.SetCaption(FormatText(IDS_MENU_ABOUT, {title}));

  if (int32_t(FServices.ShellVersion()) < kMinimumShellVersion) {
    FatalStartupError(std::string(kShellTooOldText1) + "\r" + FormatText(IDS_SHELL_TOO_OLD_QUIT, {title}));
    return;
  }

  FFolderList = std::make_unique<TFolderList>();
  FPlayList = std::make_unique<TStringList>();
  FCurrent = TVEMOImageRec{-1, std::string(), NewTileBitmap(pf24bit, FTileSide)};
  FNext = TVEMOImageRec{-1, std::string(), NewTileBitmap(pf24bit, FTileSide)};
  FBlendTile = NewTileBitmap(pf24bit, FTileSide);
  FHistory = std::make_unique<THistory>(kHistoryCapacity, &popHistory,
                                        [this](THistory* sender, const std::string& path) {
                                          if (OnHistoryClick) OnHistoryClick(sender, path);
                                        });
  FMaskBitmap = NewTileBitmap(pf1bit, FTileSide);
  FMaskBitmap->Canvas().Brush.Color = clBlack;
  FMaskBitmap->Canvas().FillRect(TRect{0, 0, FTileSide, FTileSide});
  FDefaultTile = MakeDefaultTile(FTileSide);

  // Unreadable settings must not leave the program without its icon: the
  // error is shown and start-up goes on with the default interval and
  // whatever folders were read.
  uint16_t interval = kDefaultInterval;
  Application().Guard([&] { FServices.LoadSettings(interval, *FFolderList); });
  FInterval = interval;
  FNewInterval = interval;

  FCurrent.Bitmap->Assign(*FDefaultTile);
  FNext.Bitmap->Assign(*FDefaultTile);
  FPlayList = std::make_shared<TStringList>();

  FElapsed = uint32_t(FInterval) * 1000;
  FLastTick = FServices.Clock.Now();
  SetClockRunning(false);
  UpdateIcon(*FCurrent.Bitmap);
  FTipText = title;
  const uint32_t error =
      AddTrayIcon(FServices.Tray, Handle(), FIcon.Handle(), FTipText, FIconData, kTrayCallbackOffset);
  if (error != 0) {
    FatalStartupError(std::string(kTrayAddFailedText1) + "\r" +
                      FormatText(IDS_TRAY_ADD_FAILED_QUIT, {int32_t(error)}));
    return;
  }
  FIconRegistered = true;
  // The icon is up before the folders are looked at, however long that takes.
  // An unreadable first picture is shown; the default picture stands in for
  // its tile, and the show will skip past it after Play.
  Application().Guard([this] { RebuildPlayList(); });
}

void TVEMOMainForm::FormDestroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  CancelWork();
  Timer1.SetEnabled(false);
  TrayReAddTimer.SetEnabled(false);
  if (FCreated) DeleteTrayIcon(FServices.Tray, FIconData);
  FIconRegistered = false;
  FIcon.Reset();
  FFolderList.reset();
  FPlayList.reset();
  FCurrent.Bitmap.reset();
  FNext.Bitmap.reset();
  FMaskBitmap.reset();
  FDefaultTile.reset();
  FHistory.reset();
  FBlendTile.reset();
}

void TVEMOMainForm::TaskbarCreated() {
  if (!FIconRegistered || FIcon.Handle() == 0) return;
  // A failure here leaves things as a failed add at start-up would, except
  // that the program keeps running: the next shell restart tries again.
  FillTrayAddRecord(Handle(), FIcon.Handle(), FTipText, FIconData, kTrayCallbackOffset);
  TrayReAddTimer.SetEnabled(FTrayReAdd.Start(FServices.Tray, FIconData));
}

void TVEMOMainForm::TrayReAddTimerTimer() {
  // The icon of now: the slideshow may have moved on since the last try.
  FillTrayAddRecord(Handle(), FIcon.Handle(), FTipText, FIconData, kTrayCallbackOffset);
  TrayReAddTimer.SetEnabled(FTrayReAdd.Step(FServices.Tray, FIconData));
}

// --- Slideshow engine -------------------------------------------------------------

void TVEMOMainForm::SetClockRunning(bool on) {
  if (on) {
    Timer1.SetEnabled(true);
    FLastTick += FServices.Clock.Now() - FPauseTick;
  } else {
    Timer1.SetEnabled(false);
    FPauseTick = FServices.Clock.Now();
  }
}

bool TVEMOMainForm::IsFading() const {
  const uint32_t start = uint32_t(FInterval) * 1000;
  return start < FElapsed && FElapsed < start + 1000;
}

void TVEMOMainForm::AdoptNewInterval() {
  if (!IsFading()) FInterval = FNewInterval;
}

void TVEMOMainForm::SetSettings(uint16_t interval, const TFolderList& folders) {
  FNewInterval = interval;
  if (!FFolderList->Equals(folders)) FFolderList->Assign(folders);
}

void TVEMOMainForm::ApplySettings(TConfigChanges changes) {
  if (IsFading()) return;
  if (changes & ccInterval) AdoptNewInterval();
  if (changes & ccFolders) RebuildPlayList();
}

void TVEMOMainForm::Timer1Timer() {
  if (!FPlayList) return;
  const uint32_t now = FServices.Clock.Now();
  const uint32_t before = FElapsed;
  FElapsed += now - FLastTick;
  FLastTick = now;

  if (FNothingToShow) {
    FNothingToShow = false;
    Stop(true);
    ShowNothingToShow();
    return;
  }
  const uint32_t fadeStart = uint32_t(FInterval) * 1000;
  if (!FNextReady) {
    // The picture on show stays until the next tile is made; time does not
    // run into the fade, which then takes its full second.
    if (before >= fadeStart + 1000) {
      FElapsed = before;
      return;
    }
    if (FElapsed > fadeStart) FElapsed = fadeStart;
  }
  if (FElapsed >= fadeStart + 1000) {
    Advance();
    if (FNothingToShow) {
      FNothingToShow = false;
      Stop(true);
      ShowNothingToShow();
    }
    return;
  }
  if (IsFading()) {
    const float ratio = float(double(FElapsed - fadeStart) / 1000.0);
    BlendBitmaps(*FBlendTile, *FCurrent.Bitmap, *FNext.Bitmap, ratio);
    UpdateIcon(*FBlendTile);
    ModifyTrayIcon(FServices.Tray, Handle(), FIcon.Handle());
    return;
  }
  AdoptNewInterval();
  if (FStopPending) SetClockRunning(false);
}

bool TVEMOMainForm::WaitingForTile() const {
  return IsPlaying() && !FNextReady && FElapsed >= uint32_t(FInterval) * 1000;
}

void TVEMOMainForm::Advance() {
  FCurrent.Index = FNext.Index;
  FCurrent.Path = FNext.Path;
  FCurrent.Bitmap->Assign(*FNext.Bitmap);
  FHistory->Add(FCurrent.Path, *FCurrent.Bitmap);
  UpdateIcon(*FCurrent.Bitmap);
  FTipText = FCurrent.Path;
  SetTrayTip(FServices.Tray, Handle(), FIcon.Handle(), FTipText);

  // The next tile is made while this picture stands.
  FElapsed = 0;
  PrepareNext(FNext.Index, true, false);
}

// --- Work for the worker ------------------------------------------------------------

// What the worker needs to find and prepare the next picture, and what it found.
// Owned by the work itself, so that nothing of the window is touched there.
struct TVEMOMainForm::TPrepareJob {
  std::shared_ptr<const TStringList> List;
  std::function<bool(const std::string&)> FileExists;
  TCancelFlag Cancel;
  int32_t Start = -1;
  int32_t Index = -1;
  int32_t Side = kTileSide;
  // The first entry of a list just scanned is taken as found.
  bool TrustFirst = false;
  bool AtEnd = false;
  std::unique_ptr<TBitmap> Tile;
  std::exception_ptr Error;

  void Run() {
    for (;;) {
      if (Cancel->load()) return;
      ++Index;
      if (Index >= List->Count()) {
        AtEnd = true;
        return;
      }
      if ((TrustFirst && Index == 0) || FileExists(List->Strings(Index))) break;
    }
    const TJpegCancelScope stopDecoding(*Cancel);
    try {
      MakeTile(List->Strings(Index), *Tile, uint16_t(Side));
    } catch (...) {
      Error = std::current_exception();
    }
  }
};

void TVEMOMainForm::Post(std::function<void()> work, std::function<void()> done) {
  if (FServices.Worker) {
    FServices.Worker->Post(std::move(work), std::move(done));
    return;
  }
  work();
  done();
}

void TVEMOMainForm::DeliverWork() {
  if (FServices.Worker) FServices.Worker->Deliver();
}

void TVEMOMainForm::CancelWork() {
  ++FScanTicket;
  ++FPrepareTicket;
  if (FScanCancel) FScanCancel->store(true);
  if (FPrepareCancel) FPrepareCancel->store(true);
  FScanning = false;
}

void TVEMOMainForm::RebuildPlayList() { StartRebuild(false); }

void TVEMOMainForm::StartRebuild(bool advancing) {
  CancelWork();
  FPlayList = std::make_shared<TStringList>();
  FNextReady = false;
  FNothingToShow = false;
  FScanning = true;
  FScanCancel = std::make_shared<std::atomic<bool>>(false);

  auto list = std::make_shared<TStringList>();
  std::vector<std::string> folders;
  for (int32_t i = 0; i < FFolderList->Count(); ++i) folders.push_back(FFolderList->Items(i));
  const uint64_t ticket = FScanTicket;
  Post(
      [list, folders = std::move(folders), cancel = FScanCancel, &enumerator = FServices.Folders] {
        const std::function<bool()> cancelled = [&cancel] { return cancel->load(); };
        for (const std::string& folder : folders) ScanFolder(folder, *list, enumerator, cancelled);
      },
      [this, list, ticket, advancing] {
        if (ticket != FScanTicket) return;
        FScanning = false;
        // Shuffled here, on the window's thread, so the one generator's draws
        // stay in the same sequence whatever the worker does.
        ShuffleStrings(*list);
        FPlayList = list;
        PrepareNext(-1, advancing, true);
      });
}

void TVEMOMainForm::PrepareNext(int32_t index, bool advancing, bool fresh) {
  ++FPrepareTicket;
  if (FPrepareCancel) FPrepareCancel->store(true);
  FPrepareCancel = std::make_shared<std::atomic<bool>>(false);
  FNextReady = false;

  auto job = std::make_shared<TPrepareJob>();
  job->List = FPlayList;
  job->FileExists = FServices.FileExists;
  job->Cancel = FPrepareCancel;
  job->Start = index;
  job->Index = index;
  job->Side = FTileSide;
  job->Tile = NewTileBitmap(pf24bit, FTileSide);
  // A list rebuilt for a picture change is searched like any other; one
  // rebuilt for start-up or new folders offers its first picture untested.
  job->TrustFirst = fresh && !advancing;
  const uint64_t ticket = FPrepareTicket;
  Post([job] { job->Run(); },
       [this, job, ticket, advancing, fresh] {
         if (ticket == FPrepareTicket) PrepareDone(*job, advancing, fresh);
       });
}

void TVEMOMainForm::PrepareDone(TPrepareJob& job, bool advancing, bool fresh) {
  // The icon's size changed while the tile was made: it is made again.
  if (job.Side != FTileSide) {
    PrepareNext(job.Start, advancing, fresh);
    return;
  }
  const uint32_t changePoint = uint32_t(FInterval) * 1000 + 1000;
  if (job.AtEnd) {
    if (!fresh) {
      StartRebuild(advancing);
      return;
    }
    FNext.Index = -1;
    FNext.Path.clear();
    FNext.Bitmap->Assign(*FDefaultTile);
    FNextReady = true;
    if (advancing) {
      // The change that found nothing leaves the time past the change point.
      FNothingToShow = true;
      FElapsed = changePoint;
    } else if (IsPlaying() && FCurrent.Index == -1) {
      // Play was chosen before the first scan ended, and it found nothing.
      FNothingToShow = true;
    }
    return;
  }
  FNext.Index = job.Index;
  FNext.Path = job.List->Strings(job.Index);
  FNextReady = true;
  if (job.Error) {
    // The slot names the failing picture but keeps its previous tile. After
    // a change the time stays past the change point, so the next tick moves
    // on at once and the failing picture is passed over.
    if (advancing) FElapsed = changePoint;
    std::rethrow_exception(job.Error);
  }
  FNext.Bitmap->Assign(*job.Tile);
}

void TVEMOMainForm::Play() {
  // A command may still arrive after a refused start-up, before its close.
  if (IsPlaying() || !FPlayList) return;
  // While a scan runs the show starts, and waits for the first tile.
  if (FPlayList->Count() == 0 && !FScanning) {
    ShowNothingToShow();
    return;
  }
  FStopPending = false;
  SetClockRunning(true);
  actPlay.SetEnabled(false);
  actStop.SetEnabled(true);
}

void TVEMOMainForm::Stop(bool atOnce) {
  if (!IsPlaying()) return;
  if (atOnce)
    SetClockRunning(false);
  else
    FStopPending = true;
  actPlay.SetEnabled(true);
  actStop.SetEnabled(false);
}

void TVEMOMainForm::ShowNothingToShow() {
  std::string text = FFolderList->Count() == 0 ? kNoFoldersText : kNoPicturesText;
  text += kStoppingText;
  ShowTrayBalloon(FServices.Tray, Handle(), Application().Title, text, kNiifWarning);
}

void TVEMOMainForm::UpdateIcon(const TBitmap& tile) { FIcon.Replace(tile, *FMaskBitmap); }

// --- Display scaling ----------------------------------------------------------------

void TVEMOMainForm::SetTileSide(int32_t side) {
  side = side < kTileSide ? kTileSide : side > kLargestTileSide ? kLargestTileSide : side;
  if (side == FTileSide) return;
  FTileSide = side;
  if (!FCurrent.Bitmap || !FNext.Bitmap || FDestroyed) return;

  auto mask = NewTileBitmap(pf1bit, side);
  mask->Canvas().Brush.Color = clBlack;
  mask->Canvas().FillRect(TRect{0, 0, side, side});
  auto defaultTile = MakeDefaultTile(side);
  // A slot's picture is made again at the new size; one that can no longer
  // be read keeps what it showed, stretched.
  auto remade = [&](const TVEMOImageRec& slot) {
    auto tile = NewTileBitmap(pf24bit, side);
    if (slot.Path.empty()) {
      tile->Assign(*defaultTile);
      return tile;
    }
    try {
      MakeTile(slot.Path, *tile, uint16_t(side));
    } catch (const std::exception&) {
      std::unique_ptr<TBitmap> stretched = ResizeBitmap(*slot.Bitmap, side, side, rmNearestNeighbor, false);
      if (stretched) tile->Canvas().Draw(0, 0, *stretched);
    }
    return tile;
  };
  auto current = remade(FCurrent);
  auto next = remade(FNext);
  FMaskBitmap = std::move(mask);
  FDefaultTile = std::move(defaultTile);
  FCurrent.Bitmap = std::move(current);
  FNext.Bitmap = std::move(next);
  FBlendTile = NewTileBitmap(pf24bit, side);

  if (IsFading()) {
    const float ratio = float(double(FElapsed - uint32_t(FInterval) * 1000) / 1000.0);
    BlendBitmaps(*FBlendTile, *FCurrent.Bitmap, *FNext.Bitmap, ratio);
    UpdateIcon(*FBlendTile);
  } else {
    UpdateIcon(*FCurrent.Bitmap);
  }
  if (FIconRegistered) ModifyTrayIcon(FServices.Tray, Handle(), FIcon.Handle());
}

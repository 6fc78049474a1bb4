#include "app/Unit1.h"

#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

#include "common/ZoCommon.h"
#include "picture/JpegDecoder.h"
#include "picture/OtherFormats.h"
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
  actNext.SetEnabled(false);
  actNext.OnExecute = [this](TAction*) { NextPicture(); };
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
  actNext1 = linked(actNext);
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
  for (TAction* action : {&actExit, &actPlay, &actStop, &actNext, &actConfig, &actAbout, &actWebsite})
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
  FMaskBitmap = NewMask(FTileSide);
  FDefaultTile = MakeDefaultTile(FTileSide);

  // Unreadable settings must not leave the program without its icon: the
  // error is shown and start-up goes on with the default interval and
  // whatever folders were read.
  TLoadedSettings loaded;
  Application().Guard([&] {
    loaded = FServices.LoadSettings();
    if (loaded.Error) std::rethrow_exception(loaded.Error);
  });
  FFolderList->Assign(loaded.Settings.Folders);
  FInterval = loaded.Settings.Interval;
  FNewInterval = loaded.Settings.Interval;

  FCurrent.Bitmap->Assign(*FDefaultTile);
  FNext.Bitmap->Assign(*FDefaultTile);
  FPlayList = std::make_shared<TStringList>();

  FElapsed = FadeStart();
  FLastTick = FServices.Clock.Now();
  FPauseTick = FLastTick;
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
  CancelWork();
  FDeferred.clear();
  SetPhase(spStopped);
  UpdateClock();
  FDestroyed = true;
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

void TVEMOMainForm::SetPhase(TShowPhase phase) {
  FPhase = phase;
  FStopPending = phase == spStopping;
}

void TVEMOMainForm::FollowTime() {
  if (FPhase != spStopped && FPhase != spStopping) {
    const bool waited = FPhase == spWaiting;
    if (!NextReady() && FElapsed >= FadeStart())
      SetPhase(spWaiting);
    else
      SetPhase(IsFading() ? spFading : spStanding);
    // No tick counted the time spent waiting, which the picture's time does
    // not include: the clock goes on from here (or from the hold's start).
    if (waited && FPhase != spWaiting) FLastTick = FClockRunning ? FServices.Clock.Now() : FPauseTick;
  }
  ArmTimer();
}

void TVEMOMainForm::ArmTimer() {
  bool armed = FClockRunning;
  uint32_t interval = kTimerInterval;
  if (armed && FPhase == spStanding) {
    const uint32_t time = FElapsed + (FServices.Clock.Now() - FLastTick);
    interval = time < FadeStart() ? FadeStart() - time : 1;
  } else if (armed && FPhase == spWaiting) {
    // A failed scan is tried again by the tick; other work wakes the show.
    armed = FNextState == nsRescan;
  }
  if (!armed) {
    Timer1.SetEnabled(false);
    return;
  }
  // The one timer for the fade's start counts from now; the tick through a
  // fade keeps its beat.
  if (FPhase == spStanding) {
    Timer1.Restart(interval);
    return;
  }
  Timer1.SetInterval(interval);
  Timer1.SetEnabled(true);
}

void TVEMOMainForm::UpdateClock() {
  const bool run = FPhase != spStopped && FHolds == 0 && !FDestroyed;
  if (run != FClockRunning) {
    // The time the clock stood is left out of the picture's time.
    if (run)
      FLastTick += FServices.Clock.Now() - FPauseTick;
    else
      FPauseTick = FServices.Clock.Now();
    FClockRunning = run;
  }
  ArmTimer();
}

void TVEMOMainForm::Hold(THoldReason reason, bool on) {
  if (on)
    FHolds = uint8_t(FHolds | reason);
  else
    FHolds = uint8_t(FHolds & ~reason);
  UpdateClock();
  if (Paused() || FDeferred.empty()) return;
  auto deferred = std::move(FDeferred);
  FDeferred.clear();
  for (auto& [work, done] : deferred) Post(std::move(work), std::move(done));
}

void TVEMOMainForm::AdoptNewInterval() {
  if (!IsFading()) FInterval = FNewInterval;
}

void TVEMOMainForm::SetSettings(const TSettings& settings) {
  FNewInterval = settings.Interval;
  if (!FFolderList->Equals(settings.Folders)) FFolderList->Assign(settings.Folders);
}

void TVEMOMainForm::ApplySettings(TConfigChanges changes) {
  if (changes & ccInterval) AdoptNewInterval();
  // Folders changed during a fade enter the play list at its next rebuild.
  if ((changes & ccFolders) && !IsFading()) RebuildPlayList();
  FollowTime();
}

void TVEMOMainForm::Timer1Timer() {
  if (!FPlayList || FPhase == spStopped) return;
  const uint32_t now = FServices.Clock.Now();
  const uint32_t before = FElapsed;
  FElapsed += now - FLastTick;
  FLastTick = now;

  if (!NextReady()) {
    // The picture on show stays until the next tile is made; time does not
    // run into the fade, which then takes its full second. A failed scan is
    // tried again once the picture's time is up.
    if (FNextState == nsRescan && FElapsed >= FadeStart()) StartRebuild(true);
    if (before >= ChangePoint()) {
      FElapsed = before;
      FollowTime();
      return;
    }
    if (FElapsed > FadeStart()) FElapsed = FadeStart();
  }
  if (FElapsed >= ChangePoint()) {
    if (FNextState == nsNothing)
      StopForNothingToShow();
    else
      Advance();
    FollowTime();
    return;
  }
  if (IsFading()) {
    FollowTime();
    ShowFrame();
    return;
  }
  AdoptNewInterval();
  if (FPhase == spStopping)
    StopNow();
  else
    FollowTime();
}

void TVEMOMainForm::ShowFrame() {
  if (IsFading()) {
    const float ratio = float(double(FElapsed - FadeStart()) / double(kFadeLength));
    BlendBitmaps(*FBlendTile, *FCurrent.Bitmap, *FNext.Bitmap, ratio);
    UpdateIcon(*FBlendTile);
  } else {
    UpdateIcon(*FCurrent.Bitmap);
  }
  if (FIconRegistered) ModifyTrayIcon(FServices.Tray, Handle(), FIcon.Handle());
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
  TCancelToken Token;
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
      if (Token.Cancelled()) return;
      ++Index;
      if (Index >= List->Count()) {
        AtEnd = true;
        return;
      }
      if ((TrustFirst && Index == 0) || FileExists(List->Strings(Index))) break;
    }
    const TCancelScope scope(Token);
    try {
      MakeTile(List->Strings(Index), *Tile, uint16_t(Side));
    } catch (...) {
      Error = std::current_exception();
    }
  }
};

struct TVEMOMainForm::TScanJob {
  std::vector<std::string> Folders;
  TFolderEnumerator* Enumerator = nullptr;
  TCancelToken Token;
  // The list before the scan, kept for a scan that fails.
  std::shared_ptr<TStringList> Previous;
  std::shared_ptr<TStringList> List = std::make_shared<TStringList>();
  std::exception_ptr Error;

  void Run() {
    const std::function<bool()> cancelled = [this] { return Token.Cancelled(); };
    try {
      for (const std::string& folder : Folders) ScanFolder(folder, *List, *Enumerator, cancelled);
    } catch (...) {
      Error = std::current_exception();
    }
  }
};

// The current and next pictures' tiles at a new icon size.
struct TVEMOMainForm::TRemakeJob {
  TCancelToken Token;
  int32_t Side = kTileSide;
  std::string Paths[2];
  std::unique_ptr<TBitmap> Tiles[2];
  bool Delivered = false;

  void Run() {
    const TCancelScope scope(Token);
    for (int i = 0; i < 2; ++i) {
      if (Paths[i].empty() || Token.Cancelled()) continue;
      auto tile = NewTileBitmap(pf24bit, Side);
      try {
        MakeTile(Paths[i], *tile, uint16_t(Side));
        Tiles[i] = std::move(tile);
      } catch (const std::exception&) {
        // One that can no longer be read keeps what it showed, stretched.
      }
    }
  }
};

void TVEMOMainForm::Post(std::function<void()> work, std::function<void()> done) {
  if (Paused()) {
    FDeferred.emplace_back(std::move(work), std::move(done));
    return;
  }
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
  FScanToken.Cancel();
  FPrepareToken.Cancel();
  FRemakeToken.Cancel();
}

void TVEMOMainForm::RebuildPlayList() { StartRebuild(false); }

void TVEMOMainForm::StartRebuild(bool advancing) {
  CancelWork();
  auto job = std::make_shared<TScanJob>();
  job->Previous = std::exchange(FPlayList, std::make_shared<TStringList>());
  FNextState = nsScanning;
  FScanToken = job->Token;
  job->Enumerator = &FServices.Folders;
  for (int32_t i = 0; i < FFolderList->Count(); ++i) job->Folders.push_back(FFolderList->Items(i));
  FollowTime();
  Post([job] { job->Run(); },
       [this, job, advancing] {
         if (!job->Token.Cancelled()) ScanDone(*job, advancing);
       });
}

void TVEMOMainForm::ScanDone(TScanJob& job, bool advancing) {
  if (job.Error) {
    FPlayList = job.Previous;
    FNextState = nsRescan;
    FollowTime();
    std::rethrow_exception(job.Error);
  }
  // Shuffled here, on the window's thread, so the one generator's draws stay
  // in the same sequence whatever the worker does.
  ShuffleStrings(*job.List);
  FPlayList = job.List;
  PrepareNext(-1, advancing, true);
}

void TVEMOMainForm::PrepareNext(int32_t index, bool advancing, bool fresh) {
  FPrepareToken.Cancel();
  auto job = std::make_shared<TPrepareJob>();
  FPrepareToken = job->Token;
  FNextState = nsPreparing;
  job->List = FPlayList;
  job->FileExists = FServices.FileExists;
  job->Start = index;
  job->Index = index;
  job->Side = FTileSide;
  job->Tile = NewTileBitmap(pf24bit, FTileSide);
  // A list rebuilt for a picture change is searched like any other; one
  // rebuilt for start-up or new folders offers its first picture untested.
  job->TrustFirst = fresh && !advancing;
  FollowTime();
  Post([job] { job->Run(); },
       [this, job, advancing, fresh] {
         // Work for an older list is of no use any more.
         if (!job->Token.Cancelled() && job->List == FPlayList) PrepareDone(*job, advancing, fresh);
       });
}

void TVEMOMainForm::PrepareDone(TPrepareJob& job, bool advancing, bool fresh) {
  // The icon's size changed while the tile was made: it is made again.
  if (job.Side != FTileSide) {
    PrepareNext(job.Start, advancing, fresh);
    return;
  }
  if (job.AtEnd) {
    if (!fresh) {
      StartRebuild(advancing);
      return;
    }
    FNext.Index = -1;
    FNext.Path.clear();
    FNext.Bitmap->Assign(*FDefaultTile);
    FNextState = nsNothing;
    // The change that found nothing leaves the time past the change point.
    if (advancing) FElapsed = ChangePoint();
    // After a change, or with Play chosen before the first scan ended, the
    // show stops whether or not a menu holds its clock.
    if (IsPlaying() && (advancing || FCurrent.Index == -1)) StopForNothingToShow();
    FollowTime();
    return;
  }
  FNext.Index = job.Index;
  FNext.Path = job.List->Strings(job.Index);
  FNextState = nsReady;
  if (job.Error) {
    // The slot names the failing picture but keeps its previous tile. After
    // a change the time stays past the change point, so the next tick moves
    // on at once and the failing picture is passed over.
    if (advancing) FElapsed = ChangePoint();
    FollowTime();
    if (!IsPassedOver(job.Error)) std::rethrow_exception(job.Error);
    return;
  }
  FNext.Bitmap->Assign(*job.Tile);
  FollowTime();
}

void TVEMOMainForm::Play() {
  // A command may still arrive after a refused start-up, before its close.
  if (IsPlaying() || !FPlayList) return;
  // While a scan runs the show starts, and waits for the first tile.
  // After a failed scan it starts too: the fade's start scans again.
  const bool listComing = FNextState == nsScanning || FNextState == nsRescan;
  if ((FPlayList->Count() == 0 && !listComing) || FNextState == nsNothing) {
    ShowNothingToShow();
    return;
  }
  SetPhase(spStanding);
  UpdateClock();
  FollowTime();
  EnableCommands(true);
}

void TVEMOMainForm::Stop(bool atOnce) {
  if (!IsPlaying()) return;
  // Outside a fade nothing is left to finish, and no tick may come before
  // the fade's start.
  if (atOnce || FPhase != spFading) {
    StopNow();
    return;
  }
  SetPhase(spStopping);
  ArmTimer();
  EnableCommands(false);
}

void TVEMOMainForm::StopNow() {
  SetPhase(spStopped);
  UpdateClock();
  EnableCommands(false);
}

void TVEMOMainForm::EnableCommands(bool playing) {
  actPlay.SetEnabled(!playing);
  actStop.SetEnabled(playing);
  actNext.SetEnabled(playing);
}

void TVEMOMainForm::NextPicture() {
  // A fade under way is the change already; a stop chosen ends the show.
  if ((FPhase != spStanding && FPhase != spWaiting) || FElapsed >= FadeStart()) return;
  FElapsed = FadeStart();
  FLastTick = FClockRunning ? FServices.Clock.Now() : FPauseTick;
  FollowTime();
}

void TVEMOMainForm::StopForNothingToShow() {
  StopNow();
  ShowNothingToShow();
}

void TVEMOMainForm::ShowNothingToShow() {
  std::string text = FFolderList->Count() == 0 ? kNoFoldersText : kNoPicturesText;
  text += kStoppingText;
  ShowTrayBalloon(FServices.Tray, Handle(), Application().Title, text, kNiifWarning);
}

void TVEMOMainForm::UpdateIcon(const TBitmap& tile) { FIcon.Replace(tile, *FMaskBitmap); }

// --- Display scaling ----------------------------------------------------------------

std::unique_ptr<TBitmap> TVEMOMainForm::NewMask(int32_t side) {
  auto mask = NewTileBitmap(pf1bit, side);
  mask->Canvas().Brush.Color = clBlack;
  mask->Canvas().FillRect(TRect{0, 0, side, side});
  return mask;
}

void TVEMOMainForm::SetTileSide(int32_t side) {
  side = side < kTileSide ? kTileSide : side > kLargestTileSide ? kLargestTileSide : side;
  if (side == FTileSide) return;
  FTileSide = side;
  if (!FCurrent.Bitmap || !FNext.Bitmap || FDestroyed) return;

  // Until the worker has made the tiles at the new size, the old ones are
  // shown stretched, as the system itself would show an icon of the wrong
  // size; the default tile is drawn at once.
  FMaskBitmap = NewMask(side);
  FDefaultTile = MakeDefaultTile(side);
  auto stretched = [&](const TVEMOImageRec& slot) {
    auto tile = NewTileBitmap(pf24bit, side);
    if (slot.Path.empty()) {
      tile->Assign(*FDefaultTile);
    } else if (std::unique_ptr<TBitmap> resized =
                   ResizeBitmap(*slot.Bitmap, side, side, rmNearestNeighbor, false)) {
      tile->Canvas().Draw(0, 0, *resized);
    }
    return tile;
  };
  FCurrent.Bitmap = stretched(FCurrent);
  FNext.Bitmap = stretched(FNext);
  FBlendTile = NewTileBitmap(pf24bit, side);

  FRemakeToken.Cancel();
  auto job = std::make_shared<TRemakeJob>();
  FRemakeToken = job->Token;
  job->Side = side;
  job->Paths[0] = FCurrent.Path;
  // A next tile still being made is made at the new size anyway.
  if (FNextState == nsReady) job->Paths[1] = FNext.Path;
  Post([job] { job->Run(); },
       [this, job] {
         job->Delivered = true;
         if (!job->Token.Cancelled() && job->Side == FTileSide) RemakeDone(*job);
       });
  // Made in place, the new tiles are on show already.
  if (!job->Delivered) ShowFrame();
}

void TVEMOMainForm::RemakeDone(TRemakeJob& job) {
  TVEMOImageRec* slots[2] = {&FCurrent, &FNext};
  for (int i = 0; i < 2; ++i)
    if (job.Tiles[i] && slots[i]->Path == job.Paths[i] && (i == 0 || FNextState == nsReady))
      slots[i]->Bitmap = std::move(job.Tiles[i]);
  ShowFrame();
}

#include "app/Unit1.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "common/ZoCommon.h"
#include "picture/Pinwheel.h"
#include "picture/vemoSub.h"

namespace {

std::unique_ptr<TBitmap> NewMask(int32_t side) {
  auto mask = NewTileBitmap(pf1bit, side);
  mask->Canvas().Brush.Color = clBlack;
  mask->Canvas().FillRect(TRect{0, 0, side, side});
  return mask;
}

}  // namespace

// --- TVEMOMainForm ---------------------------------------------------------------

TVEMOMainForm::TVEMOMainForm(TMainFormServices services)
    : FServices(std::move(services)), FWork(FServices.Worker), FIcon(FServices.Icons) {
  Timer1.SetEnabled(false);
  Timer1.SetInterval(kTimerInterval);
  Timer1.OnTimer = [this] { Timer1Timer(); };
  TrayReAddTimer.SetEnabled(false);
  TrayReAddTimer.SetInterval(kAddRetryPause);
  TrayReAddTimer.OnTimer = [this] { TrayReAddTimerTimer(); };
  actStop.SetEnabled(false);
  actNext.SetEnabled(false);
  actNext.OnExecute = [this](TAction*) { NextPicture(); };
  actPrevious.SetEnabled(false);
  actPrevious.OnExecute = [this](TAction*) { PreviousPicture(); };
  actNeverShow.SetEnabled(false);
  actPlay.OnExecute = [this](TAction*) { Play(); };
  actStop.OnExecute = [this](TAction*) { Stop(false); };
  actExit.OnExecute = [this](TAction*) { FServices.Window.PostClose(); };
  actTaskbar.OnExecute = [this](TAction*) { ShowTaskbarHint(); };

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
  actPrevious1 = linked(actPrevious);
  actNext1 = linked(actNext);
  actNeverShow1 = linked(actNeverShow);
  N2 = item("-");
  actTaskbar1 = linked(actTaskbar);
  actTaskbar1->Visible = false;
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

std::array<TAction*, 10> TVEMOMainForm::Actions() {
  return {&actExit,  &actPlay,    &actStop,     &actNext,      &actConfig,
          &actAbout, &actWebsite, &actPrevious, &actNeverShow, &actTaskbar};
}

TAction* TVEMOMainForm::ActionById(uint16_t id) {
  for (TAction* action : Actions())
    if (action->Id() == id) return action;
  return nullptr;
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

  FCurrent = TVEMOImageRec{-1, std::string(), MakeDefaultTile(FTileSide)};
  FNext = TVEMOImageRec{-1, std::string(), MakeDefaultTile(FTileSide)};
  FBlendTile = NewTileBitmap(pf24bit, FTileSide);
  FHistory = std::make_unique<THistory>(kHistoryCapacity, &popHistory,
                                        [this](THistory* sender, const std::string& path) {
                                          if (OnHistoryClick) OnHistoryClick(sender, path);
                                        });
  FMaskBitmap = NewMask(FTileSide);
  FDefaultTile = MakeDefaultTile(FTileSide);
  // An error box holds the show like any dialog of the icon.
  Application().OnErrorBox = [this](bool up) { Hold(hrMenu, up); };

  // Unreadable settings must not leave the program without its icon: the
  // error is shown and start-up goes on with the default interval and
  // whatever folders were read.
  TLoadedSettings loaded;
  Application().Guard([&] {
    loaded = FServices.LoadSettings();
    if (loaded.Error) std::rethrow_exception(loaded.Error);
  });
  // Closed from outside while the first-run question or the error was up:
  // the teardown has run inside that box, and nothing is left to start.
  if (FDestroyed) return;
  FSettings = loaded.Settings;
  FHidden = std::make_shared<const THiddenList>(FSettings.Hidden);
  FShow.Reset(loaded.Settings.Interval, Now());

  FPlayList = std::make_shared<TStringList>();

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
  // Right after the first-run question: a new icon is hidden by default, and
  // a user who sees nothing appear would think the program does not work.
  if (loaded.FirstRun)
    Application().Guard([this] {
      if (FServices.TrayFacts && IconPlaceOf(FServices.TrayFacts()) != ipOnTaskbar) ShowTaskbarHint();
    });
  // The icon is up before the folders are looked at, however long that takes.
  Application().Guard([this] { RebuildPlayList(); });
}

void TVEMOMainForm::FormDestroy() {
  if (FDestroyed) return;
  FWork.CancelAll();
  FShow.StopNow(Now());
  FDestroyed = true;
  if (FCreated) Application().OnErrorBox = nullptr;
  Timer1.SetEnabled(false);
  TrayReAddTimer.SetEnabled(false);
  for (TAction* action : Actions()) action->SetEnabled(false);
  if (FCreated) DeleteTrayIcon(FServices.Tray, FIconData);
  FIconRegistered = false;
  FIcon.Reset();
  FPlayList.reset();
  FCurrent = {};
  FNext = {};
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

// --- Slideshow -------------------------------------------------------------------

void TVEMOMainForm::Follow() {
  if (FDestroyed || !FPlayList) return;
  const uint32_t now = Now();
  if (FShow.ChangeDue(now)) {
    if (FShow.Target() >= 0)
      WalkTo(FShow.Target());
    else
      FShow.NextState() == nsNothing ? StopForNothingToShow(true) : Advance();
  } else if (FShow.RescanDue(now)) {
    StartRebuild(true);
  }
  Rearm();
}

void TVEMOMainForm::Rearm() {
  if (FDestroyed) return;
  const uint32_t now = Now();
  actPlay.SetEnabled(FShow.CanPlay());
  actStop.SetEnabled(FShow.CanStop());
  actNext.SetEnabled(FShow.CanNext(now));
  actPrevious.SetEnabled(FShow.CanPrevious(now, FHistory ? FHistory->Count() : 0));
  actNeverShow.SetEnabled(!FCurrent.Path.empty());
  const std::optional<uint32_t> wake = FShow.WakeIn(now);
  wake ? Timer1.Restart(std::max<uint32_t>(*wake, 1)) : Timer1.SetEnabled(false);
}

void TVEMOMainForm::Timer1Timer() {
  if (FDestroyed || !FPlayList) return;
  Follow();
  if (FShow.IsFading(Now())) ShowFrame();
}

void TVEMOMainForm::ShowFrame() {
  const uint32_t now = Now();
  const TShowPhase phase = FShow.Phase(now);
  if ((phase == spFading || phase == spStopping) && FShow.IsFading(now)) {
    const TBitmap& to = FShow.Target() >= 0 ? EntryTile(FShow.Target()) : *FNext.Bitmap;
    BlendBitmaps(*FBlendTile, *FCurrent.Bitmap, to, FShow.FadeRatio(now));
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
  ShowCurrent();
  // The next tile is made while this picture stands.
  FShow.Changed(Now());
  PrepareNext(FNext.Index, true, false);
}

void TVEMOMainForm::ShowCurrent() {
  UpdateIcon(*FCurrent.Bitmap);
  // A long path keeps the file's name, which the plain cut would lose.
  FTipText = FCurrent.Path.empty() ? Application().Title : ShortenedTip(FCurrent.Path);
  SetTrayTip(FServices.Tray, Handle(), FIcon.Handle(), FTipText);
}

void TVEMOMainForm::ShowDefaultTile() {
  FCurrent.Index = -1;
  FCurrent.Path.clear();
  FCurrent.Bitmap->Assign(*FDefaultTile);
  ShowCurrent();
}

void TVEMOMainForm::Hold(THoldReason reason, bool on) {
  if (FDestroyed) return;
  FShow.Hold(reason, on, Now());
  FWork.SetPaused(FShow.Paused());
  Follow();
}

void TVEMOMainForm::Play() {
  // A command may still arrive after a refused start-up, before its close.
  if (FDestroyed || !FPlayList || IsPlaying()) return;
  // While a scan runs the show starts, and waits for the first tile.
  // After a failed scan it starts too: the fade's start scans again.
  const bool listComing = FShow.NextState() == nsScanning || FShow.NextState() == nsRescan;
  if ((FPlayList->Count() == 0 && !listComing) || !FShow.Play(Now())) {
    ShowNothingToShow();
    return;
  }
  Follow();
}

void TVEMOMainForm::Stop(bool atOnce) {
  if (FDestroyed) return;
  atOnce ? FShow.StopNow(Now()) : FShow.Stop(Now());
  Follow();
}

void TVEMOMainForm::NextPicture() {
  if (FDestroyed || !FShow.Next(Now())) return;
  Follow();
}

// --- The walk and the hidden pictures --------------------------------------------

void TVEMOMainForm::PreviousPicture() {
  if (FDestroyed || !FHistory || !FShow.Previous(Now(), FHistory->Count())) return;
  Follow();
}

const TBitmap& TVEMOMainForm::EntryTile(int32_t index) {
  const TBitmap& tile = FHistory->Tiles(index);
  if (tile.Width() == FTileSide) return tile;
  // Asked every tick of a fade to it: stretched once, not twenty times.
  const std::string& path = FHistory->Paths(index);
  if (!FStretchedEntry || FStretchedEntry->Width() != FTileSide || FStretchedPath != path) {
    FStretchedEntry = StretchedTile(tile, FTileSide);
    FStretchedPath = path;
  }
  return *FStretchedEntry;
}

void TVEMOMainForm::WalkTo(int32_t index) {
  // The play list's place stays where the walk began: the next slot keeps
  // its picture, and nothing enters the recent pictures.
  FCurrent.Path = FHistory->Paths(index);
  FCurrent.Bitmap->Assign(EntryTile(index));
  if (FCurrent.Index == -1) FCurrent.Index = std::max(FNext.Index, 0);
  ShowCurrent();
  FShow.Changed(Now());
}

void TVEMOMainForm::HidePicture(const std::string& path) {
  if (FDestroyed || !FHistory || path.empty() || FHidden->Contains(path)) return;
  auto hidden = std::make_shared<THiddenList>(*FHidden);
  hidden->Add(path);
  FHidden = std::move(hidden);
  FSettings.Hidden.push_back(path);
  const uint32_t now = Now();
  for (int32_t i = FHistory->Count() - 1; i >= 0; --i)
    if (SameFileName(FHistory->Paths(i), path)) {
      FHistory->Delete(i);
      FShow.Forget(i, FHistory->Count(), now);
    }
  // A next picture made before it was hidden is looked for again, unless the
  // fade into it has begun.
  if (FShow.NextState() == nsReady && SameFileName(FNext.Path, path) && !FShow.IsFading(now))
    PrepareNext(FNext.Index, false, false);
  if (SameFileName(FCurrent.Path, path)) {
    if (IsPlaying()) {
      // Outside a fade the change starts at once; a fade under way goes on.
      FShow.Next(now);
    } else if (FShow.Target() >= 0) {
      WalkTo(FShow.Target());
    } else if (FShow.NextState() == nsReady) {
      Advance();
    } else {
      ShowDefaultTile();
    }
  }
  Follow();
}

void TVEMOMainForm::StopForNothingToShow(bool atChange) {
  if (atChange) {
    // The fade ran into the default tile: the change ends on it.
    ShowDefaultTile();
  }
  FShow.StopForNothing(Now());
  Rearm();
  ShowNothingToShow();
}

void TVEMOMainForm::ShowNothingToShow() {
  // Pictures there are, only not here: saying there are none would send the
  // user looking in the wrong place.
  std::string text = FPassFailures > 0                ? LoadText(IDS_NONE_READABLE)
                     : FPassOnlineOnly > 0            ? std::string(kOnlineOnlyText)
                     : FSettings.Folders.Count() == 0 ? std::string(kNoFoldersText)
                                                      : std::string(kNoPicturesText);
  text += kStoppingText;
  ShowBalloon(Application().Title, text, kNiifWarning, std::string());
}

void TVEMOMainForm::ShowBalloon(const std::string& title, const std::string& text, uint32_t infoFlags,
                                const std::string& clickTarget) {
  // A click goes by the balloon shown last.
  FBalloonTarget = clickTarget;
  ShowTrayBalloon(FServices.Tray, Handle(), title, text, infoFlags);
}

void TVEMOMainForm::Report(const std::exception_ptr& error) {
  Application().Guard([&error] { std::rethrow_exception(error); });
}

// --- Settings ------------------------------------------------------------------------

void TVEMOMainForm::ApplySettings(const TSettings& settings) {
  if (FDestroyed) return;
  const bool fading = FShow.IsFading(Now());
  FShow.SetNewInterval(settings.Interval, Now());
  const bool listChanged =
      !FSettings.Folders.Equals(settings.Folders) || FSettings.OnlineOnly != settings.OnlineOnly;
  // Pictures shown again come back at the next scan.
  if (settings.Hidden != FSettings.Hidden) FHidden = std::make_shared<const THiddenList>(settings.Hidden);
  FSettings = settings;
  // Folders changed during a fade enter the play list at its next rebuild.
  if (listChanged && !fading) RebuildPlayList();
  Follow();
}

// --- Where the icon is ----------------------------------------------------------------

void TVEMOMainForm::ShowTaskbarHint() {
  if (FDestroyed || !FIconRegistered || !FServices.TrayFacts) return;
  const TTrayHint hint = TrayHintFor(FamilyOf(FServices.TrayFacts().Version));
  ShowBalloon(hint.Title, hint.Text, kNiifInfo, hint.Target);
}

void TVEMOMainForm::UpdateTaskbarItem() {
  actTaskbar1->Visible = !FDestroyed && FServices.TrayFacts && TaskbarItemWanted(FServices.TrayFacts());
}

// --- Work for the worker ------------------------------------------------------------

void TVEMOMainForm::RebuildPlayList() { StartRebuild(false); }

void TVEMOMainForm::StartRebuild(bool advancing) {
  // A new list makes the next picture of the old one useless: calling off
  // the prepare slot is what keeps a tile of an older list out.
  FWork.Cancel(wsPrepare);
  auto job = std::make_shared<TScanJob>();
  job->Enumerator = &FServices.Folders;
  job->Filter.TakeOnlineOnly = FSettings.OnlineOnly;
  for (int32_t i = 0; i < FSettings.Folders.Count(); ++i) job->Folders.push_back(FSettings.Folders.Items(i));
  job->Hidden = FHidden;
  std::shared_ptr<TStringList> previous = std::exchange(FPlayList, std::make_shared<TStringList>());
  FShow.SetNextState(nsScanning, Now());
  Rearm();
  FWork.Start(
      wsScan, [job] { job->Run(); },
      [this, job, previous, advancing] { ScanDone(*job, previous, advancing); });
}

void TVEMOMainForm::ScanDone(TScanJob& job, std::shared_ptr<TStringList> previous, bool advancing) {
  if (job.Error) {
    // The list before stays. A scan tried at the change point is tried again
    // a whole interval later, not at once: a folder that fails keeps failing.
    FPlayList = std::move(previous);
    FShow.SetNextState(nsRescan, Now());
    if (advancing) FShow.RestartTime(Now());
    Follow();
    Report(job.Error);
    return;
  }
  // Shuffled here, on the window's thread, so the one generator's draws stay
  // in the same sequence whatever the worker does.
  ShuffleStrings(*job.List);
  FPlayList = job.List;
  FPassFailures = 0;
  FPassReported = false;
  FPassOnlineOnly = job.Filter.LeftOut;
  PrepareNext(-1, advancing, true);
}

void TVEMOMainForm::PrepareNext(int32_t index, bool advancing, bool fresh) {
  auto job = std::make_shared<TPrepareJob>();
  job->List = FPlayList;
  job->FileAttributes = FServices.FileAttributes;
  job->TakeOnlineOnly = FSettings.OnlineOnly;
  job->Hidden = FHidden;
  job->Start = index;
  job->Side = FTileSide;
  // A list rebuilt for a picture change is searched like any other; one
  // rebuilt for start-up or new folders offers its first picture untested.
  job->TrustFirst = fresh && !advancing;
  FShow.SetNextState(nsPreparing, Now());
  Rearm();
  FWork.Start(
      wsPrepare, [job] { job->Run(); },
      [this, job, advancing, fresh] { PrepareDone(*job, advancing, fresh); });
}

void TVEMOMainForm::PrepareDone(TPrepareJob& job, bool advancing, bool fresh) {
  // The icon's size changed while the tile was made: it is made again.
  if (job.Side != FTileSide) {
    PrepareNext(job.Start, advancing, fresh);
    return;
  }
  // One error box a pass: the pictures after the first that cannot be read
  // are passed over without a word.
  FPassFailures += job.Failures;
  FPassOnlineOnly += job.OnlineOnly;
  std::exception_ptr told;
  if (job.Error && !FPassReported) {
    FPassReported = true;
    told = job.Error;
  }
  if (job.AtEnd && !fresh) {
    StartRebuild(advancing);
  } else if (job.AtEnd) {
    FNext.Index = -1;
    FNext.Path.clear();
    FNext.Bitmap->Assign(*FDefaultTile);
    FShow.SetNextState(nsNothing, Now());
    // After a change, or with Play chosen before the first scan ended, the
    // show stops whether or not a menu holds its clock; the picture on show
    // stays, and a later Play changes it at once.
    if (IsPlaying() && advancing) {
      StopForNothingToShow(false);
    } else if (IsPlaying() && FCurrent.Index == -1) {
      FShow.StopNow(Now());
      ShowNothingToShow();
    }
    Follow();
  } else {
    FNext.Index = job.Index;
    FNext.Path = job.List->Strings(job.Index);
    FNext.Bitmap->Assign(*job.Tile);
    FShow.SetNextState(nsReady, Now());
    Follow();
  }
  if (told) Report(told);
}

// --- Display scaling ----------------------------------------------------------------

void TVEMOMainForm::SetTileSide(int32_t side) {
  side = std::clamp(side, kTileSide, kLargestTileSide);
  if (side == FTileSide) return;
  FTileSide = side;
  if (!FCurrent.Bitmap || !FNext.Bitmap || FDestroyed) return;

  // Until the worker has made the tiles at the new size, the old ones are
  // shown stretched, as the system itself would show an icon of the wrong
  // size; the default tile is drawn at once.
  FMaskBitmap = NewMask(side);
  FDefaultTile = MakeDefaultTile(side);
  auto stretched = [&](const TVEMOImageRec& slot) {
    return slot.Path.empty() ? MakeDefaultTile(side) : StretchedTile(*slot.Bitmap, side);
  };
  FCurrent.Bitmap = stretched(FCurrent);
  FNext.Bitmap = stretched(FNext);
  FBlendTile = NewTileBitmap(pf24bit, side);

  auto job = std::make_shared<TRemakeJob>();
  job->Side = side;
  job->FileAttributes = FServices.FileAttributes;
  job->TakeOnlineOnly = FSettings.OnlineOnly;
  job->Paths[0] = FCurrent.Path;
  // A next tile still being made is made at the new size anyway.
  if (FShow.NextState() == nsReady) job->Paths[1] = FNext.Path;
  auto delivered = std::make_shared<bool>(false);
  FWork.Start(
      wsRemake, [job] { job->Run(); },
      [this, job, delivered] {
        *delivered = true;
        if (job->Side == FTileSide) RemakeDone(*job);
      });
  // Made in place, the new tiles are on show already.
  if (!*delivered) ShowFrame();
}

void TVEMOMainForm::RemakeDone(TRemakeJob& job) {
  TVEMOImageRec* slots[2] = {&FCurrent, &FNext};
  for (int i = 0; i < 2; ++i)
    if (job.Tiles[i] && slots[i]->Path == job.Paths[i] && (i == 0 || FShow.NextState() == nsReady))
      slots[i]->Bitmap = std::move(job.Tiles[i]);
  ShowFrame();
}

// --- What the user asked of Windows ---------------------------------------------------

bool TVEMOMainForm::LeftInTheCloud(const std::string& path) const {
  return ::LeftInTheCloud(FServices.FileAttributes, FSettings.OnlineOnly, path);
}

void TVEMOMainForm::SetAnimate(bool animate) {
  if (FDestroyed || animate == FShow.Animate()) return;
  const bool wasFading = FShow.IsFading(Now());
  FShow.SetAnimate(animate, Now());
  // A blended frame on show goes back to the current picture.
  if (wasFading && FCurrent.Bitmap) ShowFrame();
  Follow();
}

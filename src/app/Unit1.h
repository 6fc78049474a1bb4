// The main window: TVEMOMainForm owns everything the slideshow needs for the
// whole run (folder list, play list, picture slots, tiles, history, icon and
// notification record, the show's timer, the actions and menus) and runs the
// start-up and the teardown. The schedule itself is TShow's: the window turns
// its answers into the icon, the tooltip, the history and the timer. It is
// written against the small interfaces of MainFormServices.h.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/MainFormServices.h"
#include "app/Show.h"
#include "app/ShowWork.h"
#include "framework/Menus.h"
#include "framework/Texts.h"
#include "picture/FolderList.h"
#include "picture/HiddenList.h"
#include "picture/History.h"
#include "settings/Settings.h"

// The notification-area callback message is WM_USER + this (WM_TRAYICON).
inline constexpr uint32_t kTrayCallbackOffset = 100;
inline constexpr uint32_t WM_TRAYICON = kWmUser + kTrayCallbackOffset;
inline constexpr uint8_t kHistoryCapacity = 16;
// Shell32 5.0 (MAKELONG(0, 5)): the oldest shell the program runs on.
inline constexpr int32_t kMinimumShellVersion = 0x00050000;

// Command numbers of the actions, as a Win32 menu reports them in WM_COMMAND.
enum TCommandId : uint16_t {
  cmdExit = 101,
  cmdPlay = 102,
  cmdStop = 103,
  cmdConfig = 104,
  cmdAbout = 105,
  cmdWebsite = 106,
  cmdNext = 107,
  cmdPrevious = 108,
  cmdNeverShow = 109,
  // Far from the others, which other commands may join.
  cmdTaskbar = 120,
};

// Texts the window shows.
inline constexpr TText kShellTooOldText1{IDS_SHELL_TOO_OLD};
inline constexpr TText kTrayAddFailedText1{IDS_TRAY_ADD_FAILED};
inline constexpr TText kNoFoldersText{IDS_NO_FOLDERS};
inline constexpr TText kNoPicturesText{IDS_NO_PICTURES};
inline constexpr TText kStoppingText{IDS_STOPPING};
inline constexpr TText kOnlineOnlyText{IDS_ONLY_ONLINE};

class TVEMOMainForm {
public:
  explicit TVEMOMainForm(TMainFormServices services);
  // Runs FormDestroy when it has not run yet.
  ~TVEMOMainForm();
  TVEMOMainForm(const TVEMOMainForm&) = delete;
  TVEMOMainForm& operator=(const TVEMOMainForm&) = delete;

  // --- Components -----------------------------------------------------------------
  TTimer Timer1;
  // Paces the re-add of the icon while a restarted shell is still busy.
  TTimer TrayReAddTimer;
  TAction actExit{cmdExit, LoadText(IDS_MENU_EXIT)};
  TAction actPlay{cmdPlay, LoadText(IDS_MENU_PLAY)};
  TAction actStop{cmdStop, LoadText(IDS_MENU_STOP)};
  TAction actNext{cmdNext, LoadText(IDS_MENU_NEXT)};
  TAction actPrevious{cmdPrevious, LoadText(IDS_MENU_PREVIOUS)};
  // Installed by the tray commands, which keep the list of hidden pictures.
  TAction actNeverShow{cmdNeverShow, LoadText(IDS_MENU_NEVER_SHOW)};
  TAction actConfig{cmdConfig, LoadText(IDS_MENU_SETTINGS)};
  TAction actAbout{cmdAbout, ""};
  TAction actWebsite{cmdWebsite, LoadText(IDS_MENU_WEBSITE)};
  TAction actTaskbar{cmdTaskbar, LoadText(IDS_MENU_TASKBAR)};
  // The right-click menu (root item) and the left-click history menu.
  TMenuItem PopupMenu1;
  TMenuItem popHistory;
  // PopupMenu1's items, owned by it: two hidden items without a command, then
  // Play, Stop, Previous, Next, Never show, a line, the taskbar hint (hidden
  // unless wanted), Settings, About, the home page, a line and Exit, each
  // following its action.
  TMenuItem* actOpen1 = nullptr;
  TMenuItem* actOpenFolder1 = nullptr;
  TMenuItem* actPlay1 = nullptr;
  TMenuItem* actStop1 = nullptr;
  TMenuItem* actPrevious1 = nullptr;
  TMenuItem* actNext1 = nullptr;
  TMenuItem* actNeverShow1 = nullptr;
  TMenuItem* N2 = nullptr;
  TMenuItem* actTaskbar1 = nullptr;
  TMenuItem* C1 = nullptr;
  TMenuItem* actAbout1 = nullptr;
  TMenuItem* actWebsite1 = nullptr;
  TMenuItem* N3 = nullptr;
  TMenuItem* Exit1 = nullptr;

  // --- Events -----------------------------------------------------------------------
  // The start-up sequence; run by the framework once the window exists.
  void FormCreate();
  // The teardown; works however far FormCreate got. Every command is off
  // afterwards, so that a click still on its way does nothing.
  void FormDestroy();
  void Timer1Timer();
  // The shell restarted (the registered "TaskbarCreated" message): the icon is
  // added again with the image and tooltip it had; a busy shell is asked again
  // from TrayReAddTimer, never waited for.
  void TaskbarCreated();
  void TrayReAddTimerTimer();
  // WM_TRAYICON; the tray commands install their handler here.
  std::function<void(uint32_t event)> OnTrayIcon;
  void WMTrayIcon(uint32_t event) {
    if (OnTrayIcon) OnTrayIcon(event);
  }
  // A picture chosen in the history menu; the tray commands install it.
  std::function<void(THistory* history, const std::string& path)> OnHistoryClick;
  // The action with that command number, or null.
  TAction* ActionById(uint16_t id);

  // --- Slideshow --------------------------------------------------------------------
  const TShow& Show() const { return FShow; }
  bool IsPlaying() const { return FShow.IsPlaying(); }
  void Hold(THoldReason reason, bool on);
  void Play();
  // Outside a fade the show stops at once; a fade under way still ends on the
  // next picture, where the show stops.
  void Stop(bool atOnce);
  // Starts the change to the next picture now, as if the interval had ended.
  void NextPicture();
  // Fades back to the recent picture before the one on show.
  void PreviousPicture();
  // path joins the hidden pictures (unless it is there already) and leaves
  // the recent ones; when it is on show, the show moves on as Next does, or,
  // stopped, cuts to what comes next.
  void HidePicture(const std::string& path);
  void ShowNothingToShow();
  // Scans the folders anew (cancelling a scan still running) and has the new
  // list's first picture prepared as the next one.
  void RebuildPlayList();
  // Runs the window's side of the worker's finished work.
  void DeliverWork() { FWork.Deliver(); }
  // Shows the message and closes the window: start-up cannot go on.
  void FatalStartupError(const std::string& message);
  // FormDestroy has run: nothing of the show is left to touch.
  bool Destroyed() const { return FDestroyed; }

  // --- What the window shows ----------------------------------------------------------
  // Empty while a scan runs.
  TStringList* PlayList() const { return FPlayList.get(); }
  const TVEMOImageRec& Current() const { return FCurrent; }
  const TVEMOImageRec& Next() const { return FNext; }
  THistory* History() const { return FHistory.get(); }
  const TBitmap* DefaultTile() const { return FDefaultTile.get(); }
  THandleValue Icon() const { return FIcon.Handle(); }
  const TNotifyIconData& IconData() const { return FIconData; }
  // The tooltip the icon has now.
  const std::string& TipText() const { return FTipText; }
  bool IconRegistered() const { return FIconRegistered; }

  // --- Settings -------------------------------------------------------------------------
  // The settings as last loaded or applied. Their interval is the one last
  // set; the one in force is the show's.
  const TSettings& Settings() const { return FSettings; }
  // The settings as the user confirmed (and the store took) them: the
  // interval goes into force at once outside a fade and at its end inside
  // one; changed folders are scanned at once outside a fade and enter the
  // play list at its next rebuild inside one.
  void ApplySettings(const TSettings& settings);
  // The pictures never shown again, as FSettings.Hidden lists them.
  const THiddenList& Hidden() const { return *FHidden; }

  // --- Where the icon is ---------------------------------------------------------------
  // The balloon that says where Windows keeps the icon and how to keep it on
  // the taskbar; a click on it opens BalloonTarget().
  void ShowTaskbarHint();
  // What a click on the balloon shown last opens: empty for Settings.
  const std::string& BalloonTarget() const { return FBalloonTarget; }
  // The taskbar item is shown only while Windows says the icon is hidden;
  // asked each time the menu opens, since the user may have moved it since.
  void UpdateTaskbarItem();

  // --- Display scaling ------------------------------------------------------------------
  int32_t TileSide() const { return FTileSide; }
  // The notification area's icon size changed (side is clamped to 16 ..
  // 256): every tile is made again at that size and the icon, mid-fade
  // included, shows the new tiles at once. Before FormCreate it only sets the
  // size the tiles will be made at.
  void SetTileSide(int32_t side);

  // --- What the user asked of Windows -------------------------------------------------
  // The file at path is kept only online and must stay unopened.
  bool LeftInTheCloud(const std::string& path) const;
  // Animation effects on or off: off, the change is a cut. A fade under way
  // stands on the current picture at once.
  void SetAnimate(bool animate);

private:
  std::array<TAction*, 10> Actions();
  TApplication& Application() const { return FServices.Application; }
  THandleValue Handle() const { return FServices.Window.Handle(); }
  uint32_t Now() const { return FServices.Clock.Now(); }
  // Does what the schedule says is due now (the change, or a failed scan
  // tried again), then sets the commands and the timer to match.
  void Follow();
  void Rearm();
  void Advance();
  // The change of a walk: entry index of the recent pictures goes on show.
  void WalkTo(int32_t index);
  // The icon and the tooltip show FCurrent.
  void ShowCurrent();
  // No picture is current: the icon shows the default tile.
  void ShowDefaultTile();
  // Entry index's tile at the icon's size now (stretched until remade).
  const TBitmap& EntryTile(int32_t index);
  void StartRebuild(bool advancing);
  void ScanDone(TScanJob& job, std::shared_ptr<TStringList> previous, bool advancing);
  // Has the first readable picture after index in the play list prepared;
  // fresh: the list was just scanned, so reaching its end again means there
  // is nothing to show.
  void PrepareNext(int32_t index, bool advancing, bool fresh);
  void PrepareDone(TPrepareJob& job, bool advancing, bool fresh);
  void RemakeDone(TRemakeJob& job);
  // atChange: the fade into the default tile has run, and the icon shows
  // that tile; else the picture on show stays.
  void StopForNothingToShow(bool atChange);
  // The icon shows the fade's frame of now while the show fades, else the
  // current tile.
  void ShowFrame();
  void UpdateIcon(const TBitmap& tile) { FIcon.Replace(tile, *FMaskBitmap); }
  void Report(const std::exception_ptr& error);
  void ShowBalloon(const std::string& title, const std::string& text, uint32_t infoFlags,
                   const std::string& clickTarget);

  TMainFormServices FServices;
  TShow FShow;
  TShowWork FWork;
  bool FCreated = false;
  bool FDestroyed = false;

  TSettings FSettings;
  // Shared with the worker that looks through it; replaced, never changed,
  // once scanned.
  std::shared_ptr<TStringList> FPlayList;
  TVEMOImageRec FCurrent;
  TVEMOImageRec FNext;
  std::unique_ptr<TBitmap> FBlendTile;
  std::unique_ptr<TBitmap> FMaskBitmap;
  std::unique_ptr<TBitmap> FDefaultTile;
  std::unique_ptr<THistory> FHistory;
  // The recent picture of FStretchedPath, stretched to the icon's size
  // while its own tile is of an older one.
  std::unique_ptr<TBitmap> FStretchedEntry;
  std::string FStretchedPath;
  // Shared with the worker's jobs: replaced, never changed.
  std::shared_ptr<const THiddenList> FHidden = std::make_shared<const THiddenList>();
  TOwnedIcon FIcon;
  TNotifyIconData FIconData;
  std::string FTipText;
  TTrayIconReAdd FTrayReAdd;
  bool FIconRegistered = false;
  int32_t FTileSide = kTileSide;
  // This pass through the play list: pictures passed over as unreadable, and
  // whether the first of them was told.
  int32_t FPassFailures = 0;
  bool FPassReported = false;
  // This pass: pictures left out or passed over as kept only online.
  int32_t FPassOnlineOnly = 0;
  std::string FBalloonTarget;
};

// The main window: TVEMOMainForm owns everything the slideshow needs for the
// whole run (folder list, play list, picture slots, tiles, history, icon and
// notification record, the show's timer, the actions and menus) and runs the
// start-up, the slideshow clock and the teardown.
//
// It is written against small interfaces (clock, notification area, icon
// maker, message boxes, the shell version, file existence, the settings), so
// that the same logic runs in the program (Unit1_win.cpp realises them with
// Win32) and under native tests with fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Discovery.h"
#include "app/Show.h"
#include "app/Worker.h"
#include "common/Texts.h"
#include "common/ZoTrayIcon.h"
#include "framework/CancelToken.h"
#include "framework/Classes.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "picture/FolderList.h"
#include "picture/History.h"
#include "settings/Settings.h"

// The notification-area callback message is WM_USER + this (WM_TRAYICON).
inline constexpr uint32_t kTrayCallbackOffset = 100;
inline constexpr uint32_t WM_TRAYICON = kWmUser + kTrayCallbackOffset;
// The tile's side at 96 dpi; SetTileSide follows the display's small-icon size.
inline constexpr int32_t kTileSide = 16;
inline constexpr int32_t kLargestTileSide = 256;
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
};

// Texts the window shows.
inline constexpr TText kShellTooOldText1{IDS_SHELL_TOO_OLD};
inline constexpr TText kShellTooOldText2{IDS_SHELL_TOO_OLD_QUIT};
inline constexpr TText kTrayAddFailedText1{IDS_TRAY_ADD_FAILED};
inline constexpr TText kTrayAddFailedText2{IDS_TRAY_ADD_FAILED_QUIT};
inline constexpr TText kNoFoldersText{IDS_NO_FOLDERS};
inline constexpr TText kNoPicturesText{IDS_NO_PICTURES};
inline constexpr TText kStoppingText{IDS_STOPPING};

// The millisecond clock (timeGetTime): unsigned, wrapping after 2^32 ms.
class TMillisecondClock {
public:
  virtual ~TMillisecondClock() = default;
  virtual uint32_t Now() = 0;
};

// Makes and destroys the icons the notification area is given: an icon of a
// colour tile and a mask (CreateIconIndirect / DestroyIcon).
class TIconFactory {
public:
  virtual ~TIconFactory() = default;
  // Raises when no icon can be made.
  virtual THandleValue CreateIcon(const TBitmap& color, const TBitmap& mask) = 0;
  virtual void DestroyIcon(THandleValue icon) = 0;
};

// The window the form lives in.
class TWindowHost {
public:
  virtual ~TWindowHost() = default;
  // The window's handle, created if there is none yet.
  virtual THandleValue Handle() = 0;
  // Posts WM_CLOSE to the window; it closes when the message loop gets there.
  virtual void PostClose() = 0;
};

// Everything the main window uses from outside itself.
struct TMainFormServices {
  TApplication& Application;
  TWindowHost& Window;
  TMillisecondClock& Clock;
  TNotificationArea& Tray;
  TIconFactory& Icons;
  // The shell library's version, MAKELONG(minor, major).
  std::function<uint32_t()> ShellVersion;
  // The stored interval and folders, as far as they could be read
  // (LoadSettings).
  std::function<TLoadedSettings()> LoadSettings;
  // Whether an existing file (not a folder) is at the path.
  std::function<bool(const std::string&)> FileExists;
  // The scan of the folders.
  TFolderEnumerator& Folders;
  // Where folders are scanned and tiles made. Without one, that work runs at
  // once in the caller, as a worker that is always instantly done.
  TWorker* Worker = nullptr;
};

// A picture slot.
struct TVEMOImageRec {
  int32_t Index = -1;
  std::string Path;
  std::unique_ptr<TBitmap> Bitmap;
};

// The icon handle now given to the notification area; there is never more
// than one.
class TOwnedIcon {
public:
  explicit TOwnedIcon(TIconFactory& factory) : FFactory(factory) {}
  TOwnedIcon(const TOwnedIcon&) = delete;
  TOwnedIcon& operator=(const TOwnedIcon&) = delete;
  ~TOwnedIcon() { Reset(); }

  THandleValue Handle() const { return FHandle; }
  // Destroys the icon held; then makes the new one.
  void Replace(const TBitmap& color, const TBitmap& mask);
  void Reset();

private:
  TIconFactory& FFactory;
  THandleValue FHandle = 0;
};

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
  TAction actConfig{cmdConfig, LoadText(IDS_MENU_SETTINGS)};
  TAction actAbout{cmdAbout, ""};
  TAction actWebsite{cmdWebsite, LoadText(IDS_MENU_WEBSITE)};
  // The right-click menu (root item) and the left-click history menu.
  TMenuItem PopupMenu1;
  TMenuItem popHistory;
  // PopupMenu1's items, owned by it: two hidden items without a command, then
  // Play, Stop, Next, a line, Settings, About, the home page, a line and Exit, each
  // following its action.
  TMenuItem* actOpen1 = nullptr;
  TMenuItem* actOpenFolder1 = nullptr;
  TMenuItem* actPlay1 = nullptr;
  TMenuItem* actStop1 = nullptr;
  TMenuItem* actNext1 = nullptr;
  TMenuItem* N2 = nullptr;
  TMenuItem* C1 = nullptr;
  TMenuItem* actAbout1 = nullptr;
  TMenuItem* actWebsite1 = nullptr;
  TMenuItem* N3 = nullptr;
  TMenuItem* Exit1 = nullptr;

  // --- Events -----------------------------------------------------------------------
  // The start-up sequence; run by the framework once the window exists.
  void FormCreate();
  // The teardown; works however far FormCreate got.
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

  // --- Slideshow engine -------------------------------------------------------------
  // Whether the show plays: from Play until the clock stops, held or not.
  bool IsPlaying() const { return FPhase != spStopped; }
  // Whether the clock runs: the show plays and nothing holds it.
  bool ClockRunning() const { return FClockRunning; }
  void Hold(THoldReason reason, bool on);
  // The hold of a menu or dialog of the icon.
  void SetClockRunning(bool on) { Hold(hrMenu, !on); }
  TShowPhase Phase() const { return FPhase; }
  // The picture's time at which the fade starts (the interval's end), and the
  // change point one fade later.
  uint32_t FadeStart() const { return uint32_t(FInterval) * 1000; }
  uint32_t ChangePoint() const { return FadeStart() + kFadeLength; }
  bool IsFading() const { return FadeStart() < FElapsed && FElapsed < ChangePoint(); }
  void Play();
  // Outside a fade the clock stops at once; a fade under way still ends on
  // the next picture, and the clock stops on the tick after the change.
  void Stop(bool atOnce);
  // Starts the change to the next picture now, as if the interval had ended.
  void NextPicture();
  // Makes the next picture current and has the one after it prepared.
  void Advance();
  void ShowNothingToShow();
  void UpdateIcon(const TBitmap& tile);
  // Scans the folders anew (cancelling a scan still running) and has the new
  // list's first picture prepared as the next one.
  void RebuildPlayList();
  // Runs the window's side of the worker's finished work.
  void DeliverWork();
  TNextState NextState() const { return FNextState; }
  // Whether the next slot holds its picture's tile (or the default tile when
  // there is nothing to show).
  bool NextReady() const { return FNextState == nsReady || FNextState == nsNothing; }
  bool Scanning() const { return FNextState == nsScanning; }
  // Playing, the current picture's time is up, and the next tile is still
  // being made: the picture stays, and the fade runs in full once it is made.
  bool WaitingForTile() const { return FPhase == spWaiting; }
  // FormDestroy has run: nothing of the show is left to touch.
  bool Destroyed() const { return FDestroyed; }

  // --- Start-up helpers ---------------------------------------------------------------
  static std::unique_ptr<TBitmap> NewTileBitmap(TPixelFormat pixelFormat, int32_t side = kTileSide);
  static std::unique_ptr<TBitmap> MakeDefaultTile(int32_t side = kTileSide);
  void FatalStartupError(const std::string& message);

  // --- State, read by the Win32 half and by tests -------------------------------------
  // Empty while a scan runs.
  TStringList* PlayList() const { return FPlayList.get(); }
  const TVEMOImageRec& Current() const { return FCurrent; }
  const TVEMOImageRec& Next() const { return FNext; }
  THistory* History() const { return FHistory.get(); }
  const TBitmap* DefaultTile() const { return FDefaultTile.get(); }
  const TBitmap* BlendTile() const { return FBlendTile.get(); }
  const TBitmap* MaskBitmap() const { return FMaskBitmap.get(); }
  THandleValue Icon() const { return FIcon.Handle(); }
  const TNotifyIconData& IconData() const { return FIconData; }
  // The tooltip the icon has now.
  const std::string& TipText() const { return FTipText; }
  bool IconRegistered() const { return FIconRegistered; }
  uint32_t Elapsed() const { return FElapsed; }
  bool StopPending() const { return FStopPending; }

  // --- Settings -------------------------------------------------------------------------
  // The interval in force, and the one last set: the one saved, which a fade
  // lets into force only when it ends.
  uint16_t Interval() const { return FInterval; }
  uint16_t NewInterval() const { return FNewInterval; }
  // Null before FormCreate and after FormDestroy.
  const TFolderList* FolderList() const { return FFolderList.get(); }
  // The settings as the user confirmed them: the interval becomes the one
  // last set and the folders replace the list; nothing takes effect yet.
  void SetSettings(const TSettings& settings);
  // Lets the changed settings take effect: outside a fade the interval goes
  // into force and changed folders are scanned at once. Inside one, the tick
  // takes the interval over when the fade ends, and the folders enter the
  // play list at its next rebuild.
  void ApplySettings(TConfigChanges changes);

  // --- Display scaling ------------------------------------------------------------------
  int32_t TileSide() const { return FTileSide; }
  // The notification area's icon size changed (side is clamped to 16 ..
  // 256): every tile is made again at that size and the icon, mid-fade
  // included, shows the new tiles at once. Before FormCreate it only sets the
  // size the tiles will be made at.
  void SetTileSide(int32_t side);

private:
  struct TPrepareJob;
  struct TScanJob;
  struct TRemakeJob;

  TApplication& Application() const { return FServices.Application; }
  THandleValue Handle() const { return FServices.Window.Handle(); }
  void Post(std::function<void()> work, std::function<void()> done);
  // advancing: the work follows a picture change, whose failure or lack of
  // pictures is dealt with as at the change itself.
  void StartRebuild(bool advancing);
  void ScanDone(TScanJob& job, bool advancing);
  // Finds the first existing picture after index in the play list and makes
  // its tile; fresh: the list was just scanned, so reaching its end again
  // means there is nothing to show.
  void PrepareNext(int32_t index, bool advancing, bool fresh);
  void PrepareDone(TPrepareJob& job, bool advancing, bool fresh);
  void RemakeDone(TRemakeJob& job);
  void CancelWork();
  // The interval last set goes into force unless a fade is running.
  void AdoptNewInterval();
  void SetPhase(TShowPhase phase);
  // The phase that follows from the picture's time and the next slot, for a
  // show that plays and has no stop pending.
  void FollowTime();
  // The clock runs exactly while the show plays and nothing holds it.
  void UpdateClock();
  // Sets Timer1 for the next moment the show changes: the fade's start while
  // a picture stands, every kTimerInterval through a fade, none while the
  // show waits for work, whose result wakes it.
  void ArmTimer();
  // The show stands while nobody can see it: no work is started then.
  bool Paused() const { return (FHolds & ~hrMenu) != 0; }
  void EnableCommands(bool playing);
  void StopNow();
  void StopForNothingToShow();
  // The icon shows the fade's frame of now, or the current tile outside one.
  void ShowFrame();
  static std::unique_ptr<TBitmap> NewMask(int32_t side);

  TMainFormServices FServices;
  bool FCreated = false;
  bool FDestroyed = false;

  std::unique_ptr<TFolderList> FFolderList;
  // Shared with the worker that looks through it; replaced, never changed,
  // once scanned.
  std::shared_ptr<TStringList> FPlayList;
  uint32_t FElapsed = 0;
  TVEMOImageRec FCurrent;
  TVEMOImageRec FNext;
  std::unique_ptr<TBitmap> FBlendTile;
  std::unique_ptr<TBitmap> FMaskBitmap;
  std::unique_ptr<TBitmap> FDefaultTile;
  TShowPhase FPhase = spStopped;
  // In step with the phase: spStopping.
  bool FStopPending = false;
  uint8_t FHolds = 0;
  bool FClockRunning = false;
  // Work posted during a pause, started when it ends.
  std::vector<std::pair<std::function<void()>, std::function<void()>>> FDeferred;
  uint32_t FLastTick = 0;
  uint32_t FPauseTick = 0;
  uint16_t FInterval = 0;
  uint16_t FNewInterval = 0;
  std::unique_ptr<THistory> FHistory;
  TOwnedIcon FIcon;
  TNotifyIconData FIconData;
  std::string FTipText;
  TTrayIconReAdd FTrayReAdd;
  bool FIconRegistered = false;

  TNextState FNextState = nsScanning;
  // Each piece of work has its own token; a superseded one is cancelled, and
  // its result dropped.
  TCancelToken FScanToken;
  TCancelToken FPrepareToken;
  TCancelToken FRemakeToken;
  int32_t FTileSide = kTileSide;
};

// What the notification-area icon does: the handler of its callback message
// (WMTrayIcon), the two popup menus, the Settings, About and home-page
// commands and the choice of a recent picture. Installed on the main window,
// whose Play, Stop and Exit commands it leaves as they are.
//
// Everything outside the main window (cursor, foreground, menus, dialogs,
// settings store) comes through TTrayServices, so that the order of the steps
// can be checked against fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/Unit1.h"
#include "dialogs/dlgConfig.h"
#include "dialogs/dlgImage.h"
#include "framework/Menus.h"
#include "settings/Settings.h"
#include "settings/ZoRegIni.h"

// The icon's events, as the callback message's lParam carries them.
inline constexpr uint32_t kTrayLeftButtonDown = 513;   // WM_LBUTTONDOWN
inline constexpr uint32_t kTrayLeftDoubleClick = 515;  // WM_LBUTTONDBLCLK
inline constexpr uint32_t kTrayRightButtonUp = 517;    // WM_RBUTTONUP
inline constexpr uint32_t kTrayBalloonClick = 1029;    // NIN_BALLOONUSERCLICK
// From the keyboard (version 3): the menu key or Shift+F10, and Enter or Space.
inline constexpr uint32_t kTrayContextMenu = 123;  // WM_CONTEXTMENU
inline constexpr uint32_t kTrayKeySelect = 1025;   // NIN_KEYSELECT
// The shell may report one key press as two NIN_KEYSELECTs: a second within
// this many milliseconds of the end of the first one's menu is the same press.
inline constexpr uint32_t kTrayKeySelectEcho = 500;

class TTrayServices {
public:
  virtual ~TTrayServices() = default;
  // The mouse cursor's screen position.
  virtual TPoint CursorPos() = 0;
  // Where a menu opened from the keyboard goes: by the icon (the centre of
  // its rectangle on the screen). False when the shell cannot say.
  virtual bool IconAnchor(TPoint& at) = 0;
  // A millisecond clock.
  virtual uint32_t Now() = 0;
  // Brings the main window to the foreground (before a popup menu).
  virtual void SetForeground() = 0;
  // Shows the menu at the point; the chosen item is clicked after the
  // handler that opened the menu has returned.
  virtual void PopupMenu(TMenuItem& menu, const TPoint& at) = 0;
  // neverShow hides the picture previewed (its own right-click menu).
  virtual void ShowPreviewDialog(const TPoint& at, const std::string& path,
                                 const std::function<void(const std::string&)>& neverShow) = 0;
  virtual TConfigDialogResult ShowConfigDialog(TConfigDialogParams params) = 0;
  virtual void ShowAboutBox() = 0;
  virtual void OpenHomePage() = 0;
  // Opens a URI or a shell name (ms-settings:..., shell:::{...}) as the
  // shell's Run would; raises when nothing opens.
  virtual void OpenShellTarget(const std::string& target) = 0;
  // The settings store: the place it is kept in, saving the settings into
  // the place in use, and moving the store to settings.Storage with the
  // settings saved into the new place.
  virtual bool QueryStorage(TStoragePlace& place) = 0;
  virtual void MoveSettings(const TSettings& settings) = 0;
  virtual void SaveSettings(const TSettings& settings) = 0;
};

class TTrayCommands {
public:
  // Installs the handlers on form: WMTrayIcon, HistoryClick and the Settings,
  // About and home-page commands. form and services must outlive this object,
  // which takes the handlers away again when it goes.
  TTrayCommands(TVEMOMainForm& form, TTrayServices& services);
  ~TTrayCommands();
  TTrayCommands(const TTrayCommands&) = delete;
  TTrayCommands& operator=(const TTrayCommands&) = delete;

  void WMTrayIcon(uint32_t event);
  void actConfigExecute();
  void actAboutExecute() { FServices.ShowAboutBox(); }
  void actWebsiteExecute() { FServices.OpenHomePage(); }
  void HistoryClick(THistory* history, const std::string& path);
  // Keeps path out of the show from now on and saves the list at once: a
  // full list, or in the INI file a path its code page cannot hold, is
  // refused with a message; a save that fails is shown, and the picture
  // stays hidden for this run.
  void NeverShow(const std::string& path);

  // Where the history menu was opened last.
  const TPoint& HistoryPoint() const { return FHistoryPoint; }

private:
  // Moves the store into settings.Storage and saves the settings there; back
  // into before when that fails.
  void MoveSettings(const TSettings& settings, TStoragePlace before);
  // The settings in force, in the place the store is kept in now.
  TSettings CurrentSettings();
  // The preview of a picture the user chose, unless it is kept only online.
  void Preview(const TPoint& at, const std::string& path);

  TVEMOMainForm& FForm;
  TTrayServices& FServices;
  TPoint FHistoryPoint;
  // A key selection is being handled, or ended at FKeySelectEnd.
  bool FInKeySelect = false;
  bool FKeySelectEnded = false;
  uint32_t FKeySelectEnd = 0;
};

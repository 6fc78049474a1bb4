#include "app/TrayCommands_win.h"

#include "common/ZoCommon.h"
#include "common/ZoShell.h"
#include "dialogs/dlgConfig_win.h"
#include "dialogs/dlgImage_win.h"
#include "framework/Menus_win.h"

TPoint TWinTrayServices::CursorPos() {
  POINT point = {0, 0};
  GetCursorPos(&point);
  return TPoint{point.x, point.y};
}

void TWinTrayServices::SetForeground() { SetForegroundWindow(FWindow); }

void TWinTrayServices::PopupMenu(TMenuItem& menu, const TPoint& at) {
  TMenuItem* chosen = TrackMenu(menu, FWindow, at.X, at.Y);
  // The command runs once this handler has returned and the clock runs again.
  PostMenuClick(FApplication, menu, chosen);
}

void TWinTrayServices::ShowPreviewDialog(const TPoint& at, const std::string& path) {
  ::ShowPreviewDialog(FApplication, at, path);
}

TConfigChanges TWinTrayServices::ShowConfigDialog(const TConfigDialogParams& params) {
  return ::ShowConfigDialog(FWindow, FApplication, params);
}

void TWinTrayServices::ShowAboutBox() { ::ShowAboutBox(FApplication); }

void TWinTrayServices::OpenHomePage() { ::OpenHomePage(reinterpret_cast<uintptr_t>(FWindow)); }

bool TWinTrayServices::QueryStorage(TStoragePlace& place) {
  return TZoIniFile2::QueryStorage(FEnvironment, place);
}

void TWinTrayServices::MoveStorage(TStoragePlace newPlace) {
  TZoIniFile2::MoveStorage(FEnvironment, newPlace);
}

void TWinTrayServices::SaveSettings(const TSettingsState& state) { ::SaveSettings(FEnvironment, state); }

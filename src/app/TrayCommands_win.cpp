#include "app/TrayCommands_win.h"

// The shell's header needs the Windows types first.
#include <shellapi.h>

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

bool TWinTrayServices::IconAnchor(TPoint& at) {
  // Windows 7 and later say where the icon is; older shells have no such call.
  using TGetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
  const auto getRect = TSystemLibrary::Named(L"shell32.dll").Function<TGetRect>("Shell_NotifyIconGetRect");
  if (!getRect) return false;
  NOTIFYICONIDENTIFIER icon = {};
  icon.cbSize = sizeof(icon);
  icon.hWnd = FWindow;
  icon.uID = 0;
  RECT rect = {};
  if (FAILED(getRect(&icon, &rect)) || rect.right <= rect.left || rect.bottom <= rect.top) return false;
  at = TPoint{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  return true;
}

uint32_t TWinTrayServices::Now() { return GetTickCount(); }

void TWinTrayServices::SetForeground() { SetForegroundWindow(FWindow); }

void TWinTrayServices::PopupMenu(TMenuItem& menu, const TPoint& at) {
  TMenuItem* chosen = TrackMenu(menu, FWindow, at.X, at.Y);
  // The command runs once this handler has returned and the clock runs again.
  PostMenuClick(FApplication, menu, chosen);
}

void TWinTrayServices::ShowPreviewDialog(const TPoint& at, const std::string& path,
                                         const std::function<void(const std::string&)>& neverShow) {
  ::ShowPreviewDialog(FApplication, at, path, neverShow);
}

TConfigDialogResult TWinTrayServices::ShowConfigDialog(TConfigDialogParams params) {
  return ::ShowConfigDialog(FWindow, FApplication, params);
}

void TWinTrayServices::ShowAboutBox() { ::ShowAboutBox(FApplication); }

void TWinTrayServices::OpenHomePage() { ::OpenHomePage(reinterpret_cast<uintptr_t>(FWindow)); }

void TWinTrayServices::OpenShellTarget(const std::string& target) {
  const std::wstring file = WideOf(target);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  // The shell's own box would say less than ours: which settings failed.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = FWindow;
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) throw Exception(IDS_HINT_OPEN_FAILED, {SystemErrorText(GetLastError())});
}

bool TWinTrayServices::QueryStorage(TStoragePlace& place) {
  return TZoIniFile2::QueryStorage(FEnvironment, place);
}

void TWinTrayServices::MoveSettings(const TSettings& settings) { ::MoveSettings(FEnvironment, settings); }

void TWinTrayServices::SaveSettings(const TSettings& settings) { ::SaveSettings(FEnvironment, settings); }

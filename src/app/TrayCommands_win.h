// The tray commands' services in the program: the cursor, the foreground
// window, real popup menus, the dialogs, the About box, the home page and the
// settings store. Included only by Windows code.
#pragma once

#include <windows.h>

#include "app/TrayCommands.h"
#include "framework/Forms.h"
#include "settings/ZoRegIni.h"

class TWinTrayServices : public TTrayServices {
public:
  // window is the main window: it owns the menus and the settings dialog.
  TWinTrayServices(TApplication& application, HWND window, const TStorageEnvironment& environment)
      : FApplication(application), FWindow(window), FEnvironment(environment) {}

  TPoint CursorPos() override;
  bool IconAnchor(TPoint& at) override;
  uint32_t Now() override;
  void SetForeground() override;
  void PopupMenu(TMenuItem& menu, const TPoint& at) override;
  void ShowPreviewDialog(const TPoint& at, const std::string& path,
                         const std::function<void(const std::string&)>& neverShow) override;
  TConfigDialogResult ShowConfigDialog(TConfigDialogParams params) override;
  void ShowAboutBox() override;
  void OpenHomePage() override;
  void OpenShellTarget(const std::string& target) override;
  bool QueryStorage(TStoragePlace& place) override;
  void MoveSettings(const TSettings& settings) override;
  void SaveSettings(const TSettings& settings) override;

private:
  TApplication& FApplication;
  HWND FWindow;
  const TStorageEnvironment& FEnvironment;
};

// The program entry of vemo.exe, where its parts are put together.
#include <windows.h>
// The common-controls header needs the Windows types first.
#include <commctrl.h>

#include <optional>

#include "app/ScriptCommand_win.h"
#include "app/TrayCommands_win.h"
#include "app/TrayHint_win.h"
#include "app/Unit1_win.h"
#include "app/Worker.h"
#include "common/DarkMode_win.h"
#include "common/ZoShell.h"
#include "framework/Forms_win.h"
#include "framework/Resources_win.h"
#include "picture/SystemDecoders_win.h"
#include "settings/Settings.h"
#include "settings/ZoRegIni_win.h"

namespace {

// The whole program after COM is up: the application object, the main window,
// the form's start-up, the message loop and the teardown.
int RunProgram() {
  // Before any text is made: the user's stored choice, else Windows' own
  // language (always so on a first run, which has no settings yet).
  UseResourceTexts(LanguageOfSetting(LoadLanguage(DefaultStorageEnvironment()), WindowsUiLanguage()));
  TWinMessageBoxes boxes;
  TApplication application(boxes);
  application.ShowMainForm = false;
  application.Title = "Kobaru";
  application.ExeName = ApplicationExeName();

  TMainWindow window(application);
  // Scans and tiles are made on the worker; it wakes the window's thread with
  // a posted message when it has something to hand over.
  const HWND mainWindow = window.Hwnd();
  std::unique_ptr<TWorker> worker =
      NewThreadWorker([mainWindow] { PostMessageW(mainWindow, WM_WORKERDONE, 0, 0); });
  TWinClock clock;
  std::unique_ptr<TNotificationArea> tray = NewShellNotificationArea();
  TWinIconFactory icons;
  TMainFormServices services{application,
                             window,
                             clock,
                             *tray,
                             icons,
                             [] { return GetShell32Version(); },
                             [] { return LoadSettings(DefaultStorageEnvironment(), GetSpecialFolderPath); },
                             ExistingFileAttributes,
                             PlatformFolderEnumerator(),
                             worker.get(),
                             [&application] { return ReadTrayFacts(application.ExeName); }};
  int exitCode = 0;
  {
    TVEMOMainForm form(services);
    // The icon's events, the menus, the dialogs and the settings command.
    TWinTrayServices trayServices(application, window.Hwnd(), DefaultStorageEnvironment());
    TTrayCommands trayCommands(form, trayServices);
    try {
      window.Attach(form);
      // The first tiles are made at the icon size the display has now.
      FollowDisplayScale(form);
      form.FormCreate();
      FollowDisplayScale(form);
    } catch (const std::exception& error) {
      // Whatever start-up could not survive is shown, and the program ends
      // through the same close and teardown as after a refusal.
      application.ShowException(error);
      if (window.Alive()) window.PostClose();
    }
    // Closed during start-up when asked to (an installer, /exit): a normal end.
    if (!window.Alive()) return form.Destroyed() ? 0 : 1;
    exitCode = RunMessageLoop();
    window.Destroy();
  }
  return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A script's command goes to the copies already running; this process
  // shows nothing and only says whether any of them got it.
  if (const std::optional<TCommandId> command = ScriptCommandOfCommandLine(GetCommandLineW()))
    return SendToRunningCopies(*command) > 0 ? 0 : 1;
  // The shell's folder objects need COM, apartment-threaded, on this thread
  // before the main window exists.
  // Before any folder is listed, so that every listing shows cloud files.
  ExposeCloudPlaceholders();
  TComApartment com;
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  // Before the first menu, so that every menu opens in the user's mode.
  FollowAppTheme();
  try {
    InstallSystemPictureFormats();
    return RunProgram();
  } catch (const std::exception& error) {
    // Nothing is there yet to show it (the main window itself may be what
    // failed), so a plain box says why the program cannot run.
    MessageBoxW(nullptr, WideOf(error.what()).c_str(), L"Kobaru", MB_OK | MB_ICONERROR);
    return 1;
  }
}

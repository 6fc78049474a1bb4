// The program entry of vemo.exe.
#include <windows.h>
// The common-controls header needs the Windows types first.
#include <commctrl.h>

#include <optional>

#include "app/ScriptCommand_win.h"
#include "app/Unit1_win.h"
#include "common/DarkMode_win.h"
#include "framework/Forms_win.h"
#include "picture/SystemDecoders_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A script's command goes to the copies already running; this process
  // shows nothing and only says whether any of them got it.
  if (const std::optional<TCommandId> command = ScriptCommandOfCommandLine(GetCommandLineW()))
    return SendToRunningCopies(*command) > 0 ? 0 : 1;
  // The shell's folder objects need COM, apartment-threaded, on this thread
  // before the main window exists.
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

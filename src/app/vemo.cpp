// The program entry of vemo.exe.
#include <windows.h>
// The common-controls header needs the Windows types first.
#include <commctrl.h>

#include "app/Unit1_win.h"
#include "framework/Forms_win.h"
#include "picture/FolderList.h"
#include "settings/ZoRegIni_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // One running copy per program name in a session: a second start would put
  // a second icon beside the first, and both would keep the same settings.
  const std::wstring instanceName =
      L"Local\\Orvane." + WideOf(LowerCaseFileName(TZoIniFile2::GetAppName(DefaultStorageEnvironment())));
  const TKernelHandle running(CreateMutexW(nullptr, FALSE, instanceName.c_str()));
  if (running && GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  // The shell's folder objects need COM, apartment-threaded, on this thread
  // before the main window exists.
  TComApartment com;
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  return RunProgram();
}

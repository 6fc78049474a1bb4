// How long vemo.exe's main window leaves a message unanswered, and how long
// after its start its icon appears, under Wine (driven by bench/stall.sh).
//
//   vemo_stall_probe EXE PLAY_AFTER_MS DURATION_MS
//
// Starts EXE in its own folder (its settings beside it), sends its main window
// WM_NULL every 10 ms through SendMessageTimeout and notes the longest wait
// for an answer, before Play and after it. Play is chosen PLAY_AFTER_MS after
// the icon appeared (never when negative); the run ends DURATION_MS after the
// start. Prints one line: icon_ms=... stall_startup_ms=... stall_play_ms=...
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start) {
  return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

HWND TrayWindow() {
  if (HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr)) return tray;
  if (HWND tray = FindWindowW(nullptr, L"Wine System Tray")) return tray;
  return FindWindowW(L"Shell_TrayWnd", nullptr);
}

bool TrayShown() {
  HWND tray = TrayWindow();
  return tray && IsWindowVisible(tray);
}

struct TFind {
  DWORD Process;
  HWND Found;
};

BOOL CALLBACK FindMain(HWND window, LPARAM context) {
  auto* find = reinterpret_cast<TFind*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (process == find->Process && std::wcscmp(name, L"TVEMOMainForm") == 0) {
    find->Found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: vemo_stall_probe EXE PLAY_AFTER_MS DURATION_MS\n");
    return 2;
  }
  const std::filesystem::path exe = argv[1];
  const double playAfter = _wtof(argv[2]), duration = _wtof(argv[3]);
  // No icon of an earlier run may still be up.
  for (int i = 0; i < 500 && TrayShown(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));

  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const TClock::time_point start = TClock::now();
  if (!CreateProcessW(exe.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      exe.parent_path().wstring().c_str(), &startup, &info)) {
    std::fprintf(stderr, "cannot start the program\n");
    return 1;
  }
  TFind find{info.dwProcessId, nullptr};
  while (!find.Found && MsSince(start) < duration) {
    EnumWindows(FindMain, reinterpret_cast<LPARAM>(&find));
    if (!find.Found) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  double iconMs = -1, playedAt = -1, stallStartup = 0, stallPlay = 0;
  TClock::time_point next = TClock::now();
  while (find.Found && MsSince(start) < duration) {
    const TClock::time_point sent = TClock::now();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(find.Found, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
    const double answer = MsSince(sent);
    (playedAt < 0 ? stallStartup : stallPlay) = std::max(playedAt < 0 ? stallStartup : stallPlay, answer);
    if (iconMs < 0 && TrayShown()) iconMs = MsSince(start);
    if (playedAt < 0 && playAfter >= 0 && iconMs >= 0 && MsSince(start) >= iconMs + playAfter) {
      PostMessageW(find.Found, WM_COMMAND, 102, 0);  // Play
      playedAt = MsSince(start);
    }
    next += std::chrono::milliseconds(10);
    std::this_thread::sleep_until(std::max(next, TClock::now()));
  }
  if (find.Found) PostMessageW(find.Found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(info.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::printf("icon_ms=%.0f stall_startup_ms=%.0f stall_play_ms=%.0f\n", iconMs, stallStartup,
              playAfter >= 0 ? stallPlay : 0.0);
  return 0;
}

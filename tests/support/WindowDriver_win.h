// Driving real windows from a test: starting programs, finding their windows,
// reading their texts, pressing their buttons from another thread while the
// window's own thread runs its modal loop, and screenshots of what the screen
// shows.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/BmpFile.h"
#include "framework/Forms_win.h"
#include "framework/Graphics.h"
#include "support/WaitUntil.h"

namespace vemo_test {

using namespace std::chrono_literals;

// A program started for the test; it is ended with the test if it still runs.
class TProcess {
public:
  TProcess(const std::filesystem::path& exe, const std::wstring& arguments,
           const std::filesystem::path& folder) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.wstring().c_str(), &startup, &FInfo))
      throw std::runtime_error("cannot start " + Utf8Of(exe.wstring()));
  }
  ~TProcess() {
    if (!Wait(0)) {
      TerminateProcess(FInfo.hProcess, 99);
      WaitForSingleObject(FInfo.hProcess, 5000);
    }
    CloseHandle(FInfo.hThread);
    CloseHandle(FInfo.hProcess);
  }
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;

  bool Wait(DWORD ms) { return WaitForSingleObject(FInfo.hProcess, ms) == WAIT_OBJECT_0; }
  DWORD ExitCode() {
    DWORD code = 0;
    GetExitCodeProcess(FInfo.hProcess, &code);
    return code;
  }
  DWORD Id() const { return FInfo.dwProcessId; }
  // Waits until the program's start-up is over and it waits for input.
  bool WaitIdle(DWORD ms) { return WaitForInputIdle(FInfo.hProcess, ms) == 0; }
  // User and kernel time the process has used, in milliseconds.
  double CpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(FInfo.hProcess, &created, &exited, &kernel, &user)) return -1;
    auto ms = [](const FILETIME& t) {
      return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
  }

private:
  PROCESS_INFORMATION FInfo = {};
};

// The top-level window of the class that belongs to the process, shown or not.
inline HWND TopWindowOf(DWORD processId, const wchar_t* className) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, className, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId) return window;
  }
  return nullptr;
}

struct TFoundWindow {
  const wchar_t* ClassName;
  const wchar_t* Caption;
  DWORD ProcessId;
  HWND Found = nullptr;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TFoundWindow*>(data);
  if (!IsWindowVisible(window)) return TRUE;
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  if (search->Caption && std::wstring(text) != search->Caption) return TRUE;
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  if (search->ClassName && std::wstring(name) != search->ClassName) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (search->ProcessId && owner != search->ProcessId) return TRUE;
  search->Found = window;
  return FALSE;
}

// A visible top-level window with the caption (and class, when given) of the
// process (any process when 0).
inline HWND FindVisibleWindow(const wchar_t* caption, const wchar_t* className = nullptr,
                              DWORD processId = 0) {
  TFoundWindow search{className, caption, processId};
  EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

inline HWND WaitForWindow(const wchar_t* caption, const wchar_t* className = nullptr, DWORD processId = 0,
                          std::chrono::milliseconds limit = 15s) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindVisibleWindow(caption, className, processId)) != nullptr; }, limit);
  return found;
}

inline std::string TextOf(HWND window) {
  // WM_GETTEXT works across processes, GetWindowText does not for controls.
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<wchar_t> text(size_t(length > 0 ? length : 0) + 1, L'\0');
  SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return Utf8Of(text.data());
}

// Whether the key below HKEY_CURRENT_USER exists.
inline bool UserKeyExists(const wchar_t* path) {
  TRegKey key;
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &opened);
  return key.Adopt(result, opened);
}

// The message box's text (its static control, id 0xFFFF).
inline std::string MessageBoxText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

// What the screen shows inside the rectangle, as a 24-bit bitmap.
inline std::unique_ptr<TBitmap> ScreenArea(const RECT& rect) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return nullptr;
  const BITMAPINFO info = DibHeader(width, height);
  void* bits = nullptr;
  TGdiBitmap target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!target) return nullptr;
  {
    TScreenDC screen;
    const TMemoryDC memory(CreateCompatibleDC(screen.Get()));
    const TSelectedObject selected(memory.Get(), target.Get());
    BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY);
    GdiFlush();
  }
  auto shot = std::make_unique<TBitmap>(width, height, pf24bit);
  const size_t stride = TBitmap::StrideFor(width, pf24bit);
  for (int y = 0; y < height; ++y)
    std::memcpy(shot->ScanLine(y), static_cast<const uint8_t*>(bits) + size_t(y) * stride, stride);
  return shot;
}

inline std::unique_ptr<TBitmap> WindowShot(HWND window) {
  RECT rect;
  if (!window || !GetWindowRect(window, &rect)) return nullptr;
  return ScreenArea(rect);
}

inline bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  const size_t stride = TBitmap::StrideFor(a.Width(), a.PixelFormat());
  for (int32_t y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), stride) != 0) return false;
  return true;
}

// The window once its drawing has settled: two shots in a row alike.
inline std::unique_ptr<TBitmap> SettledShot(HWND window, std::chrono::milliseconds limit = 5s) {
  std::unique_ptr<TBitmap> last = WindowShot(window), shot;
  WaitUntil(
      [&] {
        shot = WindowShot(window);
        const bool settled = shot && last && SamePixels(*shot, *last);
        last = std::move(shot);
        return settled;
      },
      limit, 50ms);
  return last;
}

// Waits until the window's thread has handled everything sent to it so far
// and is back in its message loop.
inline bool RoundTrip(HWND window, std::chrono::milliseconds limit = 10s) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, UINT(limit.count()), &ignored) != 0;
}

// A lambda cannot be a 32-bit stdcall callback, so the child walk is a
// function of its own.
inline BOOL CALLBACK NoteChildPaintPending(HWND child, LPARAM found) {
  if (GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(found) = true;
  return TRUE;
}

// Whether the window or one of its children still has something to paint.
inline bool PaintPending(HWND window) {
  bool pending = GetUpdateRect(window, nullptr, FALSE) != FALSE;
  EnumChildWindows(window, &NoteChildPaintPending, reinterpret_cast<LPARAM>(&pending));
  return pending;
}

// The window once everything sent to it so far has been handled and painted
// (its thread back in its loop with nothing left to paint), and the screen
// shows that drawing.
inline std::unique_ptr<TBitmap> PaintedShot(HWND window) {
  RoundTrip(window);
  WaitUntil([&] { return !PaintPending(window); }, 5s);
  RoundTrip(window);
  return SettledShot(window);
}

// Saves a screenshot as BMP into the build tree's test output, never into
// the source tree, whatever the working folder.
inline void SaveShot(const TBitmap* shot, const std::string& name) {
  if (!shot) return;
  const std::filesystem::path folder = std::filesystem::path(VEMO_TEST_OUTPUT_DIR) / "screenshots";
  std::filesystem::create_directories(folder);
  SaveBitmapToFile(Utf8Of((folder / name).wstring()), *shot);
}

// How many pixels of the bitmap differ from the colour.
inline int CountOtherThan(const TBitmap& bitmap, TColor color) {
  int count = 0;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x)
      if (bitmap.PixelColor(x, y) != color) ++count;
  return count;
}

// Wine draws the notification area in a window of its own when no desktop
// tray takes the icons.
inline HWND TrayWindow() {
  if (HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr)) return tray;
  if (HWND tray = FindWindowW(nullptr, L"Wine System Tray")) return tray;
  return FindWindowW(L"Shell_TrayWnd", nullptr);
}

inline bool TrayShown() {
  HWND tray = TrayWindow();
  return tray && IsWindowVisible(tray);
}

// Whether tile's pixels stand in shot with their top left at (left, top).
inline bool TileAt(const TBitmap& shot, int32_t left, int32_t top, const TBitmap& tile) {
  if (left < 0 || top < 0 || left + tile.Width() > shot.Width() || top + tile.Height() > shot.Height())
    return false;
  for (int32_t y = 0; y < tile.Height(); ++y)
    for (int32_t x = 0; x < tile.Width(); ++x)
      if (shot.PixelColor(left + x, top + y) != tile.PixelColor(x, y)) return false;
  return true;
}

// Where tile stands in shot, searched from the top left.
inline bool FindTile(const TBitmap& shot, const TBitmap& tile, int32_t& left, int32_t& top) {
  for (top = 0; top + tile.Height() <= shot.Height(); ++top)
    for (left = 0; left + tile.Width() <= shot.Width(); ++left)
      if (TileAt(shot, left, top, tile)) return true;
  return false;
}

// The tile the tool (vemo-tile.exe) makes of a picture, made in folder; at
// the tool's own size, or side x side.
inline std::unique_ptr<TBitmap> ToolTile(const std::filesystem::path& tool,
                                         const std::filesystem::path& picture,
                                         const std::filesystem::path& folder, int32_t side = 0) {
  const std::filesystem::path out = folder / "tool-tile.bmp";
  const std::wstring size = side > 0 ? L"--size " + std::to_wstring(side) + L" " : L"";
  TProcess process(tool, size + L"\"" + picture.wstring() + L"\" \"" + out.wstring() + L"\"", folder);
  if (!process.Wait(30000) || process.ExitCode() != 0) throw std::runtime_error("vemo-tile failed");
  auto tile = std::make_unique<TBitmap>();
  LoadBitmapFromFile(Utf8Of(out.wstring()), *tile);
  return tile;
}

}  // namespace vemo_test

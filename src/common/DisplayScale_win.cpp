#include "common/DisplayScale_win.h"

#include "framework/Forms_win.h"

namespace {

#ifndef MDT_EFFECTIVE_DPI
constexpr int MDT_EFFECTIVE_DPI = 0;
#endif

int32_t SystemDpi() {
  using TGetDpiForSystem = UINT(WINAPI*)();
  // Windows 10 1607 and later.
  if (const auto getDpiForSystem =
          TSystemLibrary::Named(L"user32.dll").Function<TGetDpiForSystem>("GetDpiForSystem")) {
    const UINT dpi = getDpiForSystem();
    if (dpi > 0) return int32_t(dpi);
  }
  TScreenDC screen;
  const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int32_t NotificationAreaDpi() {
  // Windows 8.1 and later: the DPI of the task bar's own monitor.
  using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  const auto getDpiForMonitor =
      TSystemLibrary::Named(L"shcore.dll").Function<TGetDpiForMonitor>("GetDpiForMonitor");
  if (getDpiForMonitor) {
    const HWND taskBar = FindWindowW(L"Shell_TrayWnd", nullptr);
    const HMONITOR monitor = taskBar ? MonitorFromWindow(taskBar, MONITOR_DEFAULTTOPRIMARY)
                                     : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT x = 0, y = 0;
    if (monitor && SUCCEEDED(getDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)) && x > 0)
      return int32_t(x);
  }
  return SystemDpi();
}

int32_t WindowDpi(HWND window) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  if (const auto getDpiForWindow =
          TSystemLibrary::Named(L"user32.dll").Function<TGetDpiForWindow>("GetDpiForWindow")) {
    const UINT dpi = window ? getDpiForWindow(window) : 0;
    if (dpi > 0) return int32_t(dpi);
  }
  return SystemDpi();
}

int32_t SmallIconSide(int32_t dpi) {
  using TGetSystemMetricsForDpi = int(WINAPI*)(int, UINT);
  if (const auto forDpi =
          TSystemLibrary::Named(L"user32.dll").Function<TGetSystemMetricsForDpi>("GetSystemMetricsForDpi")) {
    const int side = forDpi(SM_CXSMICON, UINT(dpi));
    if (side > 0) return side;
  }
  const int side = GetSystemMetrics(SM_CXSMICON);
  return side > 0 ? side : 16;
}

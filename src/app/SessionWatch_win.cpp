#include "app/SessionWatch_win.h"

#include <cstring>
#include <utility>

#ifndef WM_WTSSESSION_CHANGE
#define WM_WTSSESSION_CHANGE 0x02B1
#endif
#ifndef NOTIFY_FOR_THIS_SESSION
#define NOTIFY_FOR_THIS_SESSION 0
#endif
#ifndef PBT_POWERSETTINGCHANGE
#define PBT_POWERSETTINGCHANGE 0x8013
#endif

namespace {

// Windows 8 reports a dimmed display apart from one that is off; Windows 7
// knows only the monitor's power.
const GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

using TWtsRegister = BOOL(WINAPI*)(HWND, DWORD);
using TWtsUnregister = BOOL(WINAPI*)(HWND);
using TRegisterPowerSetting = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
using TUnregisterPowerSetting = BOOL(WINAPI*)(HPOWERNOTIFY);

const TSystemLibrary& Wtsapi() { return TSystemLibrary::Named(L"wtsapi32.dll"); }
const TSystemLibrary& User32() { return TSystemLibrary::Named(L"user32.dll"); }

bool IsWindows8OrLater() {
  // A function Windows 8 brought, rather than a version number, which an
  // unmanifested or compatibility-shimmed process is lied to about.
  return User32().Function<FARPROC>("SetCoalescableTimer") != nullptr;
}

}  // namespace

void UnregisterSessionReports(HWND window) {
  if (auto unregister = Wtsapi().Function<TWtsUnregister>("WTSUnRegisterSessionNotification"))
    unregister(window);
}

void UnregisterDisplayReports(HPOWERNOTIFY registration) {
  if (auto unregister = User32().Function<TUnregisterPowerSetting>("UnregisterPowerSettingNotification"))
    unregister(registration);
}

TSessionWatch::TSessionWatch(HWND window, std::function<void(THoldReason reason, bool on)> hold)
    : FHolds(std::move(hold)) {
  if (auto registerReports = Wtsapi().Function<TWtsRegister>("WTSRegisterSessionNotification"))
    if (registerReports(window, NOTIFY_FOR_THIS_SESSION)) FSessionReports.Reset(window);
  FDisplaySetting = IsWindows8OrLater() ? kConsoleDisplayState : kMonitorPowerOn;
  // The system answers at once with the display's present state.
  if (auto registerSetting = User32().Function<TRegisterPowerSetting>("RegisterPowerSettingNotification"))
    FDisplayReports.Reset(registerSetting(window, &FDisplaySetting, DEVICE_NOTIFY_WINDOW_HANDLE));
}

void TSessionWatch::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WTSSESSION_CHANGE) {
    FHolds.SessionChange(uint32_t(wParam));
    return;
  }
  if (message != WM_POWERBROADCAST) return;
  if (wParam != PBT_POWERSETTINGCHANGE) {
    FHolds.PowerEvent(uint32_t(wParam));
    return;
  }
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
  if (!setting || !IsEqualGUID(setting->PowerSetting, FDisplaySetting) || setting->DataLength < sizeof(DWORD))
    return;
  DWORD state = 0;
  std::memcpy(&state, setting->Data, sizeof(state));
  FHolds.DisplayState(state);
}

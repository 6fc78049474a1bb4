#include "app/SessionWatch_win.h"

#include <wtsapi32.h>

#include <cstddef>
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
// The power facts, in TPowerFact's order, with their documented values:
// GUID_ACDC_POWER_SOURCE, GUID_POWER_SAVING_STATUS (Windows 10 on) and
// GUID_ENERGY_SAVER_STATUS (Windows 11 24H2 on), the last two missing from
// Debian's mingw-w64 headers. A system that does not know one simply never
// reports it.
const GUID kPowerSettings[kPowerFacts] = {
    {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}},
    {0xe00958c0, 0xc213, 0x4ace, {0xac, 0x77, 0xfe, 0xcc, 0xed, 0x2e, 0xee, 0xa5}},
    {0x550e8400, 0xe29b, 0x41d4, {0xa7, 0x16, 0x44, 0x66, 0x55, 0x44, 0x00, 0x00}},
};

// What WTSQuerySessionInformationW hands out for WTSSessionInfoEx (WTSINFOEXW
// with its level 1), as documented; Debian's mingw-w64 headers lack it.
constexpr WTS_INFO_CLASS kWtsSessionInfoEx = WTS_INFO_CLASS(25);
struct TWtsInfoExLevel1 {
  ULONG SessionId;
  WTS_CONNECTSTATE_CLASS SessionState;
  LONG SessionFlags;
  WCHAR WinStationName[WINSTATIONNAME_LENGTH + 1];
  WCHAR UserName[USERNAME_LENGTH + 1];
  WCHAR DomainName[DOMAIN_LENGTH + 1];
  LARGE_INTEGER LogonTime;
  LARGE_INTEGER ConnectTime;
  LARGE_INTEGER DisconnectTime;
  LARGE_INTEGER LastInputTime;
  LARGE_INTEGER CurrentTime;
  DWORD IncomingBytes;
  DWORD OutgoingBytes;
  DWORD IncomingFrames;
  DWORD OutgoingFrames;
  DWORD IncomingCompressedBytes;
  DWORD OutgoingCompressedBytes;
};
struct TWtsInfoEx {
  DWORD Level;
  union {
    TWtsInfoExLevel1 WTSInfoExLevel1;
  } Data;
};

using TWtsQuerySession = BOOL(WINAPI*)(HANDLE, DWORD, WTS_INFO_CLASS, LPWSTR*, DWORD*);
using TWtsFreeMemory = void(WINAPI*)(PVOID);
using TWtsRegister = BOOL(WINAPI*)(HWND, DWORD);
using TWtsUnregister = BOOL(WINAPI*)(HWND);
using TRegisterPowerSetting = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
using TUnregisterPowerSetting = BOOL(WINAPI*)(HPOWERNOTIFY);

const TSystemLibrary& Wtsapi() { return TSystemLibrary::Named(L"wtsapi32.dll"); }
const TSystemLibrary& User32() { return TSystemLibrary::Named(L"user32.dll"); }

void FreeWtsMemory(void* memory) {
  if (auto release = Wtsapi().Function<TWtsFreeMemory>("WTSFreeMemory")) release(memory);
}
using TWtsMemory = TOwnedHandle<void*, &FreeWtsMemory>;

// Windows 7 or Server 2008 R2 (6.1), by the system's own version, which no
// compatibility setting disguises.
bool IsWindows7() {
  static const bool windows7 = [] {
    const OSVERSIONINFOW version = SystemVersion();
    return version.dwMajorVersion == 6 && version.dwMinorVersion == 1;
  }();
  return windows7;
}

bool IsWindows8OrLater() {
  // A function Windows 8 brought, rather than a version number, which an
  // unmanifested or compatibility-shimmed process is lied to about.
  return User32().Function<FARPROC>("SetCoalescableTimer") != nullptr;
}

}  // namespace

std::optional<TSessionState> QuerySessionState() {
  auto query = Wtsapi().Function<TWtsQuerySession>("WTSQuerySessionInformationW");
  if (!query) return std::nullopt;
  LPWSTR buffer = nullptr;
  DWORD size = 0;
  if (!query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, kWtsSessionInfoEx, &buffer, &size))
    return std::nullopt;
  const TWtsMemory owned(buffer);
  const auto* info = reinterpret_cast<const TWtsInfoEx*>(buffer);
  // Only the fields before the names are read.
  if (!info || size < offsetof(TWtsInfoEx, Data.WTSInfoExLevel1.WinStationName) || info->Level != 1)
    return std::nullopt;
  TSessionState state;
  state.LockFlags = uint32_t(info->Data.WTSInfoExLevel1.SessionFlags);
  state.Connected = info->Data.WTSInfoExLevel1.SessionState != WTSDisconnected;
  state.LockFlagsReversed = IsWindows7();
  return state;
}

void UnregisterSessionReports(HWND window) {
  if (auto unregister = Wtsapi().Function<TWtsUnregister>("WTSUnRegisterSessionNotification"))
    unregister(window);
}

void UnregisterPowerReports(HPOWERNOTIFY registration) {
  if (auto unregister = User32().Function<TUnregisterPowerSetting>("UnregisterPowerSettingNotification"))
    unregister(registration);
}

TSessionWatch::TSessionWatch(HWND window, std::function<void(THoldReason reason, bool on)> hold,
                             TSessionQuery query)
    : FHolds(std::move(hold), std::move(query)) {
  if (auto registerReports = Wtsapi().Function<TWtsRegister>("WTSRegisterSessionNotification"))
    if (registerReports(window, NOTIFY_FOR_THIS_SESSION)) FSessionReports.Reset(window);
  // Asked once the reports come, so that no change between the two is lost,
  // and through the queue: the start-up that follows sets the show up afresh.
  PostMessageW(window, WM_WTSSESSION_CHANGE, kWtsFirstLook, 0);
  FDisplaySetting = IsWindows8OrLater() ? kConsoleDisplayState : kMonitorPowerOn;
  // The system answers each at once with the setting's present state.
  if (auto registerSetting = User32().Function<TRegisterPowerSetting>("RegisterPowerSettingNotification")) {
    FDisplayReports.Reset(registerSetting(window, &FDisplaySetting, DEVICE_NOTIFY_WINDOW_HANDLE));
    for (int fact = 0; fact < kPowerFacts; ++fact)
      FPowerReports[fact].Reset(registerSetting(window, &kPowerSettings[fact], DEVICE_NOTIFY_WINDOW_HANDLE));
  }
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
  if (!setting || setting->DataLength < sizeof(DWORD)) return;
  DWORD state = 0;
  std::memcpy(&state, setting->Data, sizeof(state));
  if (IsEqualGUID(setting->PowerSetting, FDisplaySetting)) FHolds.DisplayState(state);
  for (int fact = 0; fact < kPowerFacts; ++fact)
    if (IsEqualGUID(setting->PowerSetting, kPowerSettings[fact]))
      FHolds.PowerSetting(TPowerFact(fact), state);
}

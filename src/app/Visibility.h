// Whether anybody can see the icon: the session's lock and connection, the
// display's power and the machine's sleep, as Windows reports them, turned
// into the show's holds. Portable, so that the bookkeeping is tested natively;
// the Windows side only hands the reports in.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "app/Show.h"

// WM_WTSSESSION_CHANGE's events.
inline constexpr uint32_t kWtsConsoleConnect = 1;
inline constexpr uint32_t kWtsConsoleDisconnect = 2;
inline constexpr uint32_t kWtsRemoteConnect = 3;
inline constexpr uint32_t kWtsRemoteDisconnect = 4;
inline constexpr uint32_t kWtsSessionLock = 7;
inline constexpr uint32_t kWtsSessionUnlock = 8;
// WM_POWERBROADCAST's events.
inline constexpr uint32_t kPbtSuspend = 4;
inline constexpr uint32_t kPbtResumeSuspend = 7;
inline constexpr uint32_t kPbtResumeAutomatic = 18;
// The display's power state (GUID_CONSOLE_DISPLAY_STATE, and the older
// GUID_MONITOR_POWER_ON, which knows only off and on).
inline constexpr uint32_t kDisplayOff = 0;
inline constexpr uint32_t kDisplayOn = 1;
inline constexpr uint32_t kDisplayDimmed = 2;

class TVisibilityHolds {
public:
  // Told each time a hold is taken or given back, never twice alike in a row.
  explicit TVisibilityHolds(std::function<void(THoldReason reason, bool on)> hold) : FHold(std::move(hold)) {}

  void SessionChange(uint32_t event);
  void DisplayState(uint32_t state);
  void PowerEvent(uint32_t event);

private:
  void Update(THoldReason reason, bool on);

  std::function<void(THoldReason, bool)> FHold;
  // A session comes back from a disconnection still locked when it was, so
  // the two are kept apart and the hold lasts while either does.
  bool FLocked = false;
  bool FDisconnected = false;
  uint8_t FHeld = 0;
};

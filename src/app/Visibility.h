// Whether anybody can see the icon: the session's lock and connection, the
// display's power and the machine's sleep, as Windows reports them, turned
// into the show's holds. Portable, so that the bookkeeping is tested natively;
// the Windows side only hands the reports in.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "app/Show.h"

// WM_WTSSESSION_CHANGE's events.
inline constexpr uint32_t kWtsConsoleConnect = 1;
inline constexpr uint32_t kWtsConsoleDisconnect = 2;
inline constexpr uint32_t kWtsRemoteConnect = 3;
inline constexpr uint32_t kWtsRemoteDisconnect = 4;
inline constexpr uint32_t kWtsSessionLock = 7;
inline constexpr uint32_t kWtsSessionUnlock = 8;
// No report of the system's: the first look at the session, which the watch
// posts to itself so that it comes after the start-up has set the show up.
inline constexpr uint32_t kWtsFirstLook = 0;
// The session's lock state as WTSQuerySessionInformation (WTSSessionInfoEx)
// reports it.
inline constexpr uint32_t kWtsSessionStateLock = 0;
inline constexpr uint32_t kWtsSessionStateUnlock = 1;
inline constexpr uint32_t kWtsSessionStateUnknown = 0xFFFFFFFF;
// WM_POWERBROADCAST's events.
inline constexpr uint32_t kPbtSuspend = 4;
inline constexpr uint32_t kPbtResumeSuspend = 7;
inline constexpr uint32_t kPbtResumeAutomatic = 18;
// The display's power state (GUID_CONSOLE_DISPLAY_STATE, and the older
// GUID_MONITOR_POWER_ON, which knows only off and on).
inline constexpr uint32_t kDisplayOff = 0;
inline constexpr uint32_t kDisplayOn = 1;
inline constexpr uint32_t kDisplayDimmed = 2;

// What Windows says of its power, as far as saving energy goes: the power
// source (GUID_ACDC_POWER_SOURCE: 0 AC, 1 battery, 2 a short-term source such
// as a UPS), battery saver (GUID_POWER_SAVING_STATUS, Windows 10 on: 0 off, 1
// on) and energy saver (GUID_ENERGY_SAVER_STATUS, Windows 11 24H2 on: 0 off,
// 1 standard, 2 high). Until told, the machine is taken to be on AC.
enum TPowerFact : uint8_t { pfPowerSource, pfBatterySaver, pfEnergySaver };
inline constexpr int kPowerFacts = 3;
inline constexpr uint32_t kPowerSourceAc = 0;
struct TPowerState {
  uint32_t Facts[kPowerFacts] = {kPowerSourceAc, 0, 0};
};
// Energy saver may be on for good on a desktop, so only a machine that runs
// on its battery rests.
bool SavesEnergyOnBattery(const TPowerState& state);

// The session as the system describes it when asked.
struct TSessionState {
  // One of the kWtsSessionState values, as reported.
  uint32_t LockFlags = kWtsSessionStateUnknown;
  bool Connected = true;
  // Windows 7 and Server 2008 R2 report the lock and unlock flags the wrong
  // way round.
  bool LockFlagsReversed = false;
};
// Asks the system for the session's state now; nothing when it cannot tell.
using TSessionQuery = std::function<std::optional<TSessionState>()>;

class TVisibilityHolds {
public:
  // Told each time a hold is taken or given back, never twice alike in a row.
  // The reports only say what changed; query, when given, says how the
  // session is, which also covers a session locked before the program began
  // listening.
  explicit TVisibilityHolds(std::function<void(THoldReason reason, bool on)> hold,
                            TSessionQuery query = nullptr)
      : FHold(std::move(hold)), FQuery(std::move(query)) {}

  // A WM_WTSSESSION_CHANGE: the session as it is now when that can be told,
  // else as the event says (at the first look: unlocked and connected).
  void SessionChange(uint32_t event);
  void DisplayState(uint32_t state);
  void PowerEvent(uint32_t event);
  void PowerSetting(TPowerFact fact, uint32_t value);

private:
  void Update(THoldReason reason, bool on);
  bool AskSession();

  std::function<void(THoldReason, bool)> FHold;
  TSessionQuery FQuery;
  // A session comes back from a disconnection still locked when it was, so
  // the two are kept apart and the hold lasts while either does.
  bool FLocked = false;
  bool FDisconnected = false;
  TPowerState FPower;
  uint8_t FHeld = 0;
};

#include "app/Visibility.h"

bool TVisibilityHolds::AskSession() {
  const std::optional<TSessionState> state = FQuery ? FQuery() : std::nullopt;
  if (!state) return false;
  const uint32_t locked = state->LockFlagsReversed ? kWtsSessionStateUnlock : kWtsSessionStateLock;
  // An unknown state (or one no documentation names) leaves the show running:
  // a show held for good would be the worse mistake.
  FLocked = state->LockFlags == locked;
  FDisconnected = !state->Connected;
  Update(hrSessionLocked, FLocked || FDisconnected);
  return true;
}

void TVisibilityHolds::SessionChange(uint32_t event) {
  if (AskSession()) return;
  switch (event) {
    case kWtsSessionLock: FLocked = true; break;
    case kWtsSessionUnlock: FLocked = false; break;
    case kWtsConsoleDisconnect:
    case kWtsRemoteDisconnect: FDisconnected = true; break;
    case kWtsConsoleConnect:
    case kWtsRemoteConnect: FDisconnected = false; break;
    default: return;
  }
  Update(hrSessionLocked, FLocked || FDisconnected);
}

void TVisibilityHolds::DisplayState(uint32_t state) {
  // A dimmed display still shows the icon.
  Update(hrDisplayOff, state == kDisplayOff);
}

void TVisibilityHolds::PowerEvent(uint32_t event) {
  if (event == kPbtSuspend)
    Update(hrSuspended, true);
  else if (event == kPbtResumeAutomatic || event == kPbtResumeSuspend)
    Update(hrSuspended, false);
}

bool SavesEnergyOnBattery(const TPowerState& state) {
  return state.Facts[pfPowerSource] != kPowerSourceAc &&
         (state.Facts[pfBatterySaver] != 0 || state.Facts[pfEnergySaver] != 0);
}

void TVisibilityHolds::PowerSetting(TPowerFact fact, uint32_t value) {
  if (fact >= kPowerFacts) return;
  FPower.Facts[fact] = value;
  Update(hrEnergySaver, SavesEnergyOnBattery(FPower));
}

void TVisibilityHolds::Update(THoldReason reason, bool on) {
  if (bool(FHeld & reason) == on) return;
  FHeld = on ? uint8_t(FHeld | reason) : uint8_t(FHeld & ~reason);
  FHold(reason, on);
}

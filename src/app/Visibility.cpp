#include "app/Visibility.h"

void TVisibilityHolds::SessionChange(uint32_t event) {
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

void TVisibilityHolds::Update(THoldReason reason, bool on) {
  if (bool(FHeld & reason) == on) return;
  FHeld = on ? uint8_t(FHeld | reason) : uint8_t(FHeld & ~reason);
  FHold(reason, on);
}

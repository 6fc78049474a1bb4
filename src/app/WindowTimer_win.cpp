#include "app/WindowTimer_win.h"

#include "framework/WinHandles_win.h"

#ifndef TIMERV_NO_COALESCING
#define TIMERV_NO_COALESCING 0xFFFFFFFF
#endif

uint32_t TimerTolerance(uint32_t interval) {
  const uint32_t tolerance = interval / 5;
  return tolerance < 10 ? tolerance : 10;
}

void ArmWindowTimer(HWND window, UINT_PTR id, uint32_t interval) {
  using TSetCoalescableTimer = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);
  static const auto setCoalescable =
      TSystemLibrary::Named(L"user32.dll").Function<TSetCoalescableTimer>("SetCoalescableTimer");
  if (setCoalescable) {
    // No tolerance at all would be read as "the system's default", which may
    // be far more than the show can take.
    const uint32_t tolerance = TimerTolerance(interval);
    if (setCoalescable(window, id, interval, nullptr, tolerance == 0 ? TIMERV_NO_COALESCING : tolerance))
      return;
  }
  SetTimer(window, id, interval, nullptr);
}

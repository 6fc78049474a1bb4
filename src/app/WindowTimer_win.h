// The window timers the slideshow runs on: coalescable where the system can
// gather timers (Windows 8 and later), so that a wake-up shares the processor's
// with others, and plain elsewhere. Included only by Windows code.
#pragma once

#include <windows.h>

#include <cstdint>

// The slack a timer of that interval may be given: a fifth of it, at most
// 10 ms, so that a 50 ms frame stays a frame and a long wait lands within
// the show's 50 ms.
uint32_t TimerTolerance(uint32_t interval);

// Starts the window's timer id, or restarts it with the new interval: the
// first tick comes interval milliseconds from now.
void ArmWindowTimer(HWND window, UINT_PTR id, uint32_t interval);

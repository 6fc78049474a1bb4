// How large the notification area draws its icons: the DPI of the monitor
// that holds it, and the small-icon size at that DPI. Included only by
// Windows code.
#pragma once

#include <windows.h>

#include <cstdint>

// The DPI of the monitor that holds the task bar (the primary monitor when
// there is none), or the system's DPI on systems without per-monitor DPIs.
int32_t NotificationAreaDpi();
// The DPI a window of this process is drawn at.
int32_t WindowDpi(HWND window);
// The side of a small icon (SM_CXSMICON) at dpi: 16 at 96, 20 at 120, 24 at
// 144, 32 at 192. Systems without per-DPI metrics (Windows 7, 8) report the
// system's own size, which is the only size they have.
int32_t SmallIconSide(int32_t dpi);

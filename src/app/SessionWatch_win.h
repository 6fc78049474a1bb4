// Tells the show when nobody can see the icon: the session locked or
// disconnected, the display off, the machine going to sleep; and when it
// should rest: on battery while Windows saves energy. Registers the main
// window for the session's, the display's and the power's reports, and gives
// every registration back when it goes. Included only by Windows code.
#pragma once

#include <windows.h>

#include <optional>

#include "app/Visibility.h"
#include "framework/WinHandles_win.h"

void UnregisterSessionReports(HWND window);
void UnregisterPowerReports(HPOWERNOTIFY registration);

// The session this program runs in, as WTSQuerySessionInformation
// (WTSSessionInfoEx) describes it; nothing where the system cannot say
// (before Windows 7, under Wine).
std::optional<TSessionState> QuerySessionState();

class TSessionWatch {
public:
  // The window receives WM_WTSSESSION_CHANGE and WM_POWERBROADCAST from now
  // on; what they say reaches hold, and so does a session already locked or
  // disconnected, which query tells. What the system lacks is left out: the
  // show then simply runs on in that case.
  TSessionWatch(HWND window, std::function<void(THoldReason reason, bool on)> hold,
                TSessionQuery query = QuerySessionState);

  // WM_WTSSESSION_CHANGE and WM_POWERBROADCAST; others are ignored.
  void Message(UINT message, WPARAM wParam, LPARAM lParam);

private:
  TVisibilityHolds FHolds;
  GUID FDisplaySetting{};
  TOwnedHandle<HWND, &UnregisterSessionReports> FSessionReports;
  TOwnedHandle<HPOWERNOTIFY, &UnregisterPowerReports> FDisplayReports;
  // One for each power fact, in TPowerFact's order.
  TOwnedHandle<HPOWERNOTIFY, &UnregisterPowerReports> FPowerReports[kPowerFacts];
};

// The Win32 side of the main window: the hidden top-level window that carries
// TVEMOMainForm's messages, the window timer, icons made with
// CreateIconIndirect and the millisecond clock. Included only by Windows code.
#pragma once

#include <windows.h>

#include <memory>

#include "app/SessionWatch_win.h"
#include "app/Unit1.h"
#include "framework/Forms_win.h"
#include "framework/Window_win.h"

// The main window's class name: what other programs (and the end-to-end
// tests) look for with FindWindow.
inline constexpr wchar_t kMainWindowClass[] = L"TVEMOMainForm";
inline constexpr UINT_PTR kSlideshowTimerId = 1;
// Posted by the worker when it has finished work for the window's thread.
inline constexpr UINT WM_WORKERDONE = WM_APP + 1;
inline constexpr UINT_PTR kTrayReAddTimerId = 2;

// timeGetTime.
class TWinClock : public TMillisecondClock {
public:
  uint32_t Now() override;
};

// Icons of a 24-bit colour tile and a 1-bit mask through CreateIconIndirect.
// LiveIcons counts the handles made and not yet destroyed.
class TWinIconFactory : public TIconFactory {
public:
  THandleValue CreateIcon(const TBitmap& color, const TBitmap& mask) override;
  void DestroyIcon(THandleValue icon) override;
  int LiveIcons() const { return FLive; }

private:
  int FLive = 0;
};

// The hidden top-level window. It is never shown; being top-level (not a
// message-only window) it receives the shell's "TaskbarCreated" broadcast.
class TMainWindow : public TWindowHost, public TWindowBase {
public:
  explicit TMainWindow(TApplication& application);
  ~TMainWindow() override;
  TMainWindow(const TMainWindow&) = delete;
  TMainWindow& operator=(const TMainWindow&) = delete;

  THandleValue Handle() override;
  void PostClose() override;
  HWND Hwnd() { return reinterpret_cast<HWND>(Handle()); }

  // From now on the window's messages go to form, and form's timer is the
  // window's timer: WM_TIMER ticks it, WM_COMMAND runs the action with that
  // command number, WM_TRAYICON goes to WMTrayIcon, "TaskbarCreated" to
  // TaskbarCreated, WM_WORKERDONE to DeliverWork, WM_DESTROY to FormDestroy
  // (and ends the message loop), and the session's and power reports to a
  // TSessionWatch that holds the show while nobody can see the icon or
  // Windows saves energy on battery. The animation setting is followed from
  // now on.
  // Errors escaping them reach the application's error display.
  void Attach(TVEMOMainForm& form);

private:
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT Timer(WPARAM id, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Command(WPARAM wParam, UINT message, LPARAM lParam);
  LRESULT Destroyed();
  void RealiseTimer(UINT_PTR id, bool enabled, uint32_t interval);

  TVEMOMainForm* FForm = nullptr;
  std::unique_ptr<TSessionWatch> FSessionWatch;
  UINT FTaskbarCreated = 0;
};

// Dispatches messages until WM_QUIT; returns its exit code.
int RunMessageLoop();
// Makes the form's tiles and history thumbnails at the notification area's
// icon size for the display's DPI as it is now.
void FollowDisplayScale(TVEMOMainForm& form);
// Fades the pictures where Windows' animation effects are on, and cuts from
// one to the next where the user turned them off.
void FollowAnimationSetting(TVEMOMainForm& form);

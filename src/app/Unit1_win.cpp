#include "app/Unit1_win.h"

#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "app/SessionWatch_win.h"
#include "app/WindowTimer_win.h"
#include "common/DarkMode_win.h"
#include "common/DisplayScale_win.h"
#include "common/ZoShell.h"
#include "framework/ImgList_win.h"
#include "framework/Resources_win.h"
#include "picture/vemoSub.h"
#include "settings/ZoRegIni_win.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// --- Clock and icons ---------------------------------------------------------------

uint32_t TWinClock::Now() { return timeGetTime(); }

THandleValue TWinIconFactory::CreateIcon(const TBitmap& color, const TBitmap& mask) {
  if (color.PixelFormat() != pf24bit || mask.PixelFormat() != pf1bit || color.Width() != mask.Width() ||
      color.Height() != mask.Height() || color.Empty())
    throw Exception(IDS_ICON_IMAGE_INVALID);
  const int32_t width = color.Width(), height = color.Height();

  // Fully opaque 32-bit colour: drawn as it is at any icon size, without
  // relying on how a shell carries the mask across (Wine's tray garbles the
  // mask of icons larger than 16 pixels).
  const BITMAPINFO info = DibHeader(width, height, 32);
  void* bits = nullptr;
  TGdiBitmap colorBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!colorBitmap || !bits) throw Exception(IDS_ICON_CREATE_FAILED, {SystemErrorText(GetLastError())});
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* source = color.ScanLine(y);
    uint8_t* target = static_cast<uint8_t*>(bits) + size_t(y) * size_t(width) * 4;
    for (int32_t x = 0; x < width; ++x, source += 3, target += 4) {
      target[0] = source[0], target[1] = source[1], target[2] = source[2];
      target[3] = 255;
    }
  }
  GdiFlush();

  const TGdiBitmap maskBitmap = MonochromeOf(mask);

  ICONINFO iconInfo = {};
  iconInfo.fIcon = TRUE;
  iconInfo.hbmMask = maskBitmap.Get();
  iconInfo.hbmColor = colorBitmap.Get();
  HICON icon = CreateIconIndirect(&iconInfo);
  if (!icon) throw Exception(IDS_ICON_CREATE_FAILED, {SystemErrorText(GetLastError())});
  ++FLive;
  return reinterpret_cast<THandleValue>(icon);
}

void TWinIconFactory::DestroyIcon(THandleValue icon) {
  if (icon == 0) return;
  ::DestroyIcon(reinterpret_cast<HICON>(icon));
  --FLive;
}

// --- The hidden main window ----------------------------------------------------------

TMainWindow::TMainWindow(TApplication& application) : TWindowBase(application) {
  FTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
}

TMainWindow::~TMainWindow() { Destroy(); }

THandleValue TMainWindow::Handle() {
  if (!Alive()) {
    WNDCLASSEXW windowClass = {};
    windowClass.lpszClassName = kMainWindowClass;
    // Top-level and never shown: no WS_VISIBLE, and nothing ever calls ShowWindow.
    CreateOfClass(windowClass, WS_EX_TOOLWINDOW, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                  WideOf(FApplication.Title));
  }
  return reinterpret_cast<THandleValue>(Window());
}

void TMainWindow::PostClose() { PostMessageW(Hwnd(), WM_CLOSE, 0, 0); }

void TMainWindow::Attach(TVEMOMainForm& form) {
  FForm = &form;
  Handle();
  form.Timer1.OnChange = [this](bool enabled, uint32_t interval) {
    RealiseTimer(kSlideshowTimerId, enabled, interval);
  };
  RealiseTimer(kSlideshowTimerId, form.Timer1.Enabled(), form.Timer1.Interval());
  form.TrayReAddTimer.OnChange = [this](bool enabled, uint32_t interval) {
    RealiseTimer(kTrayReAddTimerId, enabled, interval);
  };
  FSessionWatch = std::make_unique<TSessionWatch>(
      Window(), [&form](THoldReason reason, bool on) { form.Hold(reason, on); });
  FollowAnimationSetting(form);
}

void TMainWindow::RealiseTimer(UINT_PTR id, bool enabled, uint32_t interval) {
  if (!Alive()) return;
  // A stopped timer is no timer at all, so it costs no wake-ups.
  if (enabled)
    ArmWindowTimer(Window(), id, interval);
  else
    KillTimer(Window(), id);
}

LRESULT TMainWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: return Timer(wParam, message, wParam, lParam);
    case WM_COMMAND: return Command(wParam, message, lParam);
    case WM_TRAYICON:
      Call(FForm, [lParam](TVEMOMainForm& form) { form.WMTrayIcon(uint32_t(lParam)); });
      return 0;
    case WM_WORKERDONE: Call(FForm, &TVEMOMainForm::DeliverWork); return 0;
    case WM_DPICHANGED:
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
      // Any of these may mean a new icon size; the default handling follows.
      Call(FForm, FollowDisplayScale);
      if (message == WM_SETTINGCHANGE) {
        AppThemeSettingChanged(wParam, lParam);
        Call(FForm, FollowAnimationSetting);
      }
      break;
    case WM_WTSSESSION_CHANGE:
    case WM_POWERBROADCAST:
      Call(FSessionWatch.get(), [&](TSessionWatch& watch) { watch.Message(message, wParam, lParam); });
      break;
    case WM_DESTROY:
      if (FForm) return Destroyed();
      break;
    default:
      if (message == FTaskbarCreated && FTaskbarCreated != 0 && FForm) {
        Call(FForm, &TVEMOMainForm::TaskbarCreated);
        return 0;
      }
      break;
  }
  return Default(message, wParam, lParam);
}

LRESULT TMainWindow::Timer(WPARAM id, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!FForm) return Default(message, wParam, lParam);
  if (id == kSlideshowTimerId) {
    Call(FForm, [](TVEMOMainForm& form) { form.Timer1.Tick(); });
    return 0;
  }
  if (id == kTrayReAddTimerId) {
    Call(FForm, [](TVEMOMainForm& form) { form.TrayReAddTimer.Tick(); });
    return 0;
  }
  return Default(message, wParam, lParam);
}

LRESULT TMainWindow::Command(WPARAM wParam, UINT message, LPARAM lParam) {
  TAction* action = FForm ? FForm->ActionById(LOWORD(wParam)) : nullptr;
  if (!action) return Default(message, wParam, lParam);
  Call(action, &TAction::Execute);
  return 0;
}

LRESULT TMainWindow::Destroyed() {
  FSessionWatch.reset();
  TVEMOMainForm& form = *FForm;
  Call(FForm, &TVEMOMainForm::FormDestroy);
  form.Timer1.OnChange = nullptr;
  form.TrayReAddTimer.OnChange = nullptr;
  FForm = nullptr;
  KillTimer(Window(), kSlideshowTimerId);
  KillTimer(Window(), kTrayReAddTimerId);
  PostQuitMessage(0);
  return 0;
}

void FollowDisplayScale(TVEMOMainForm& form) {
  const int32_t dpi = NotificationAreaDpi();
  form.SetTileSide(SmallIconSide(dpi));
  if (form.History()) form.History()->SetThumbnailSize(ScaledForDpi(THistory::kThumbnailSize, dpi));
}

void FollowAnimationSetting(TVEMOMainForm& form) {
  BOOL animate = TRUE;
  // A system that cannot say (before Vista) animates, as it always did.
  if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animate, 0)) animate = TRUE;
  form.SetAnimate(animate != FALSE);
}

int RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) return int(message.wParam);
    if (result == -1) return 1;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

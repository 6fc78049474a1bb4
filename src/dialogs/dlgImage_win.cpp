#include "dialogs/dlgImage_win.h"

// The common-controls and shell headers need the Windows types first.
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <vector>

#include "common/DarkMode_win.h"
#include "common/DisplayScale_win.h"
#include "dialogs/dlgResource.h"
#include "framework/Resources_win.h"

TImagePreviewWindow::TImagePreviewWindow(TApplication& application) : TWindowBase(application) {
  RegisterDialogClass(kPreviewWindowClass);
  CreateFromTemplate(IDD_PREVIEW, nullptr);
  FToolTip.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr));
}

TImagePreviewWindow::~TImagePreviewWindow() {
  // The menu bar belongs to FMainMenu, not to the window.
  if (Alive()) SetMenu(Window(), nullptr);
  FToolTip.Reset();
}

LRESULT TImagePreviewWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: DressInAppTheme(Window()); return TRUE;
    case WM_PAINT: Paint(); return TRUE;
    case WM_ERASEBKGND: return TRUE;  // WM_PAINT fills everything
    case WM_LBUTTONDBLCLK: Call(FDialog, &TImagePreviewDialog::FormDblClick); return TRUE;
    case WM_SHOWWINDOW:
      if (wParam) Call(FDialog, &TImagePreviewDialog::FormShow);
      return FALSE;
    case WM_CONTEXTMENU: return ContextMenu(lParam);
    case WM_COMMAND: return Command(wParam, lParam);
    case WM_CLOSE:
      FClosed = true;
      WakeModalLoop();
      return TRUE;
    default: return FALSE;
  }
}

INT_PTR TImagePreviewWindow::ContextMenu(LPARAM lParam) {
  if (!FPopupMenu) return FALSE;
  POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (point.x == -1 && point.y == -1) {
    point = {0, 0};
    ClientToScreen(Window(), &point);
  }
  Call(FPopupMenu, [&](TMenuItem& menu) {
    TMenuItem* chosen = TrackMenu(menu, Window(), point.x, point.y);
    PostMenuClick(FApplication, menu, chosen);
  });
  return TRUE;
}

INT_PTR TImagePreviewWindow::Command(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == 0 && lParam == 0) Call(FMainMenu.ItemById(LOWORD(wParam)), &TMenuItem::Click);
  // The template has no buttons: Esc and Enter close nothing.
  return TRUE;
}

void TImagePreviewWindow::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(Window(), &paint);
  RECT client;
  GetClientRect(Window(), &client);
  if (FDialog && client.right > 0 && client.bottom > 0) {
    std::unique_ptr<TBitmap> image;
    Call(FDialog,
         [&](TImagePreviewDialog& dialog) { image = dialog.ClientImage(client.right, client.bottom); });
    if (image) {
      const BITMAPINFO info = DibHeader(image->Width(), image->Height());
      SetDIBitsToDevice(dc, 0, 0, DWORD(image->Width()), DWORD(image->Height()), 0, 0, 0,
                        UINT(image->Height()), image->ScanLine(0), &info, DIB_RGB_COLORS);
    }
  } else {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  }
  EndPaint(Window(), &paint);
}

void TImagePreviewWindow::SetClientSize(int32_t width, int32_t height) {
  const HWND window = Window();
  // Twice: a menu bar can wrap onto two lines once the width is known.
  for (int pass = 0; pass < 2; ++pass) {
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    const int outerWidth = (outer.right - outer.left) + (width - client.right);
    const int outerHeight = (outer.bottom - outer.top) + (height - client.bottom);
    SetWindowPos(window, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (FToolTip) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window;
    tool.uId = 1;
    GetClientRect(window, &tool.rect);
    SendMessageW(FToolTip.Get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

int32_t TImagePreviewWindow::Dpi() { return WindowDpi(Window()); }

void TImagePreviewWindow::OuterSize(int32_t& width, int32_t& height) {
  RECT outer;
  GetWindowRect(Window(), &outer);
  width = outer.right - outer.left;
  height = outer.bottom - outer.top;
}

TRect TImagePreviewWindow::WorkArea() {
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return TRect{area.left, area.top, area.right, area.bottom};
}

void TImagePreviewWindow::SetPosition(int32_t left, int32_t top) {
  SetWindowPos(Window(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TImagePreviewWindow::SetCaption(const std::string& caption) {
  SetWindowTextW(Window(), WideOf(caption).c_str());
}

void TImagePreviewWindow::SetHint(const std::string& hint) {
  if (!FToolTip) return;
  FHint = WideOf(hint);
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = Window();
  tool.uId = 1;
  GetClientRect(Window(), &tool.rect);
  tool.lpszText = FHint.data();
  SendMessageW(FToolTip.Get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(FToolTip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // Long paths wrap instead of running off the screen.
  SendMessageW(FToolTip.Get(), TTM_SETMAXTIPWIDTH, 0, 600);
}

void TImagePreviewWindow::SetMenus(TMenuItem& mainMenu, TMenuItem& popupMenu) {
  FMainMenu.Build(mainMenu, true);
  SetMenu(Window(), FMainMenu.Handle());
  FPopupMenu = &popupMenu;
}

TColor TImagePreviewWindow::FaceColor() {
  const COLORREF color = GetSysColor(COLOR_BTNFACE);
  return RGBColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

void TImagePreviewWindow::Invalidate() { InvalidateRect(Window(), nullptr, FALSE); }

void TImagePreviewWindow::ShowModal() {
  const HWND window = Window();
  FClosed = false;
  ShowWindow(window, SW_SHOW);
  RunModalLoop(window, [this] { return FClosed; });
  ShowWindow(window, SW_HIDE);
}

void TImagePreviewWindow::BringToFront() {
  const HWND window = Window();
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
  SetFocus(window);
}

void TImagePreviewWindow::ShellOpen(const std::string& path) {
  ShellExecuteW(Window(), L"open", WideOf(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowPreviewDialog(TApplication& application, const TPoint& point, const std::string& fileName,
                       const std::function<void(const std::string&)>& neverShow) {
  const TPreviewServices services{
      application, ExistingFile,
      [&application] { return std::make_unique<TImagePreviewWindow>(application); }, neverShow};
  TImagePreviewDialog::ShowPreviewDialog(services, point, fileName);
}

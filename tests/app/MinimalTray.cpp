// The smallest program that puts one icon into the notification area: the
// yardstick for how long vemo.exe takes from its start to its icon. It
// removes the icon and ends on WM_CLOSE.
#include <windows.h>
// The shell header needs the Windows types first.
#include <shellapi.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record.hWnd = window;
    Shell_NotifyIconW(NIM_DELETE, &record);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"VemoMinimalTray";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"VemoMinimalTray", L"minimal", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                nullptr, instance, nullptr);
  if (!window) return 1;
  NOTIFYICONDATAW record = {};
  record.cbSize = NOTIFYICONDATAW_V2_SIZE;
  record.hWnd = window;
  record.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  record.uCallbackMessage = WM_USER + 100;
  record.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  lstrcpyW(record.szTip, L"minimal");
  if (!Shell_NotifyIconW(NIM_ADD, &record)) return 2;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

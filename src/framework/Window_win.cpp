#include "framework/Window_win.h"

#include "framework/Resources_win.h"

void TWindowBase::EnsureWindowClass(WNDCLASSEXW windowClass) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, windowClass.lpszClassName, &existing)) return;
  windowClass.cbSize = sizeof(windowClass);
  windowClass.hInstance = instance;
  if (!windowClass.hIcon) windowClass.hIcon = LoadIconW(instance, L"MAINICON");
  if (!windowClass.hCursor) windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  if (!RegisterClassExW(&windowClass))
    throw Exception(IDS_WINDOW_CLASS_FAILED, {SystemErrorText(GetLastError())});
}

void TWindowBase::RegisterDialogClass(const wchar_t* name) {
  WNDCLASSEXW windowClass = {};
  // DefDlgProc runs a dialog's class, with the dialog's extra bytes.
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = DefDlgProcW;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = name;
  EnsureWindowClass(windowClass);
}

TWindowBase::~TWindowBase() {
  if (FWindow) SetWindowLongPtrW(FWindow.Get(), Slot(FDialog), 0);
}

void TWindowBase::Adopt(HWND window, bool dialog) {
  FDialog = dialog;
  SetWindowLongPtrW(window, Slot(dialog), reinterpret_cast<LONG_PTR>(this));
  if (FWindow.Get() != window) FWindow.Reset(window);
}

void TWindowBase::CreateOfClass(WNDCLASSEXW windowClass, DWORD exStyle, DWORD style,
                                const std::wstring& title, HWND parent) {
  windowClass.lpfnWndProc = &TWindowBase::WindowProc;
  EnsureWindowClass(windowClass);
  const HWND window = CreateWindowExW(exStyle, windowClass.lpszClassName, title.c_str(), style, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), this);
  if (!window) throw Exception(IDS_WINDOW_CREATE_FAILED, {SystemErrorText(GetLastError())});
  Adopt(window, false);
}

void TWindowBase::CreateFromTemplate(int templateId, HWND owner) {
  // The template in the language chosen at start-up, not the thread's.
  const DLGTEMPLATE* dialogTemplate = DialogTemplate(templateId);
  if (!dialogTemplate)
    throw Exception(IDS_DIALOG_CREATE_FAILED, {SystemErrorText(ERROR_RESOURCE_NAME_NOT_FOUND)});
  const HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, owner,
                                                 &TWindowBase::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!window) throw Exception(IDS_DIALOG_CREATE_FAILED, {SystemErrorText(GetLastError())});
  Adopt(window, true);
}

LRESULT CALLBACK TWindowBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    static_cast<TWindowBase*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams)
        ->Adopt(window, false);
  return Route(window, false, message, wParam, lParam);
}

INT_PTR CALLBACK TWindowBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) reinterpret_cast<TWindowBase*>(lParam)->Adopt(window, true);
  return Route(window, true, message, wParam, lParam);
}

LRESULT TWindowBase::Route(HWND window, bool dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TWindowBase*>(GetWindowLongPtrW(window, Slot(dialog)));
  bool handled = false;
  LRESULT result = 0;
  if (self) {
    // The handlers show their own errors (Call); whatever else escapes them
    // gets the default handling instead of unwinding into the system.
    try {
      result = self->Dispatch(message, wParam, lParam);
      handled = true;
    } catch (...) {
    }
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, Slot(dialog), 0);
      self->FWindow.Detach();
    }
  }
  if (handled) return result;
  return dialog ? FALSE : DefWindowProcW(window, message, wParam, lParam);
}

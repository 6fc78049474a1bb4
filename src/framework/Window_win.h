// The one base of the program's windows and dialogs. Its two procedures (one
// for windows, one for dialogs) find the object a window belongs to and hand
// every message to that object's Dispatch, where the derived type keeps one
// handler for each message it handles. The window's handle is owned here;
// nothing thrown by a handler unwinds through the system's frames. Included
// only by Windows code.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Forms_win.h"
#include "framework/WinHandles_win.h"

class TWindowBase {
public:
  TWindowBase(const TWindowBase&) = delete;
  TWindowBase& operator=(const TWindowBase&) = delete;

  // Null before the window is made and once it is gone.
  HWND Window() const { return FWindow.Get(); }
  bool Alive() const { return bool(FWindow); }
  // Destroys the window, its WM_DESTROY handled as usual, if it still exists.
  void Destroy() { FWindow.Reset(); }

protected:
  explicit TWindowBase(const TApplication& application) : FApplication(application) {}
  // Messages arriving while the window is destroyed get only the default
  // handling: the derived part is gone by then.
  virtual ~TWindowBase();

  // Makes a window of windowClass (registered once, with this base's window
  // procedure filled in) that belongs to this object from its first message;
  // HWND_MESSAGE as parent makes a message-only window.
  void CreateOfClass(WNDCLASSEXW windowClass, DWORD exStyle, DWORD style, const std::wstring& title,
                     HWND parent = nullptr);
  // Registers, once, a class for dialog templates that name one (CLASS):
  // DefDlgProc runs it, and the dialog procedure is still this base's.
  static void RegisterDialogClass(const wchar_t* name);
  // Makes the modeless dialog of the template, owned by owner, that belongs
  // to this object from WM_INITDIALOG on.
  void CreateFromTemplate(int templateId, HWND owner);

  // The derived type's handlers. A window returns Default(...) for what it
  // leaves alone; a dialog returns FALSE.
  virtual LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const {
    return DefWindowProcW(FWindow.Get(), message, wParam, lParam);
  }

  // Calls into the portable code: handler runs on target unless there is no
  // target (yet or any more); an error it raises goes to the error display.
  template <typename TTarget, typename THandler>
  void Call(TTarget* target, THandler&& handler) const {
    if (target) FApplication.Guard([&] { std::invoke(handler, *target); });
  }
  // A modal loop waits for a posted message: whatever a sent message changed
  // for it is noticed once this wakes it.
  void WakeModalLoop() const { PostMessageW(FWindow.Get(), WM_NULL, 0, 0); }

  const TApplication& FApplication;

private:
  // Registers a window class of this program once: a second call finds it.
  // cbSize, hInstance and the arrow cursor are filled in, and the program's
  // own icon when the class names none. A refusal raises Exception.
  static void EnsureWindowClass(WNDCLASSEXW windowClass);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The procedures' shared part: the object's Dispatch, or the default
  // handling when there is no object or its handler failed.
  static LRESULT Route(HWND window, bool dialog, UINT message, WPARAM wParam, LPARAM lParam);
  // Where the window keeps its object.
  static int Slot(bool dialog) { return dialog ? DWLP_USER : GWLP_USERDATA; }
  void Adopt(HWND window, bool dialog);

  TWindowHandle FWindow;
  bool FDialog = false;
};

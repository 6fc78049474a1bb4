// The Win32 half of the form framework: window classes and message boxes
// through MessageBoxW; the handle owners come with it.
// Included only by Windows code.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "framework/Forms.h"
#include "framework/WinHandles_win.h"

// The system's message text for an error code, without the trailing line
// break; empty when the system has none.
std::string SystemErrorText(DWORD code);

// Message boxes through MessageBoxW, owned by the given window (none by
// default), modal to the task.
class TWinMessageBoxes : public TMessageBoxes {
public:
  explicit TWinMessageBoxes(HWND owner = nullptr) : FOwner(owner) {}
  void SetOwner(HWND owner) { FOwner = owner; }
  void Show(const std::string& text, const std::string& caption, TMsgDlgType type) override;

private:
  HWND FOwner;
};

// The running executable's full path, UTF-8.
std::string ApplicationExeName();

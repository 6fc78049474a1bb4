// The Win32 half of the form framework: owners of Windows handles, UTF-8 <->
// wide text at the API boundary, and message boxes through MessageBoxW.
// Included only by Windows code.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "framework/Forms.h"

// UTF-8 to the wide text the W functions take, and back.
std::wstring WideOf(const std::string& text);
std::string Utf8Of(const wchar_t* text);
std::string Utf8Of(const std::wstring& text);

// The system's message text for an error code, without the trailing line
// break; empty when the system has none.
std::string SystemErrorText(DWORD code);

// Registers a window class of this program once: a second call finds it.
// cbSize, hInstance and the arrow cursor are filled in, and the program's own
// icon when the class names none. A refusal raises Exception.
void RegisterWindowClassOnce(WNDCLASSEXW windowClass);

// One owned Windows handle, released by Release when the owner goes. Copying
// is not allowed; moving hands the handle over.
template <typename THandle, auto Release>
class TOwnedHandle {
public:
  TOwnedHandle() = default;
  explicit TOwnedHandle(THandle handle) : FHandle(handle) {}
  ~TOwnedHandle() { Reset(); }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;
  TOwnedHandle(TOwnedHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, THandle{})) {}
  TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      FHandle = std::exchange(other.FHandle, THandle{});
    }
    return *this;
  }

  THandle Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != THandle{}; }
  THandle Detach() { return std::exchange(FHandle, THandle{}); }
  void Reset(THandle handle = THandle{}) {
    if (FHandle != THandle{}) Release(FHandle);
    FHandle = handle;
  }

private:
  THandle FHandle{};
};

using TGdiBitmap = TOwnedHandle<HBITMAP, &DeleteObject>;
using TGdiBrush = TOwnedHandle<HBRUSH, &DeleteObject>;
using TMemoryDC = TOwnedHandle<HDC, &DeleteDC>;
using TIconHandle = TOwnedHandle<HICON, &DestroyIcon>;
using TLibraryHandle = TOwnedHandle<HMODULE, &FreeLibrary>;
using TWindowHandle = TOwnedHandle<HWND, &DestroyWindow>;
using TKernelHandle = TOwnedHandle<HANDLE, &CloseHandle>;

// A screen device context, released when it goes.
class TScreenDC {
public:
  TScreenDC() : FDC(GetDC(nullptr)) {}
  ~TScreenDC() {
    if (FDC) ReleaseDC(nullptr, FDC);
  }
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  HDC Get() const { return FDC; }

private:
  HDC FDC;
};

// A GDI object selected into a device context for as long as the object
// lives; the one it replaced goes back when it goes.
class TSelectedObject {
public:
  TSelectedObject(HDC dc, HGDIOBJ object)
      : FDC(dc), FOld(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~TSelectedObject() {
    if (FOld) SelectObject(FDC, FOld);
  }
  TSelectedObject(const TSelectedObject&) = delete;
  TSelectedObject& operator=(const TSelectedObject&) = delete;

private:
  HDC FDC;
  HGDIOBJ FOld;
};

// COM on this thread, apartment-threaded, for as long as the object lives.
class TComApartment {
public:
  TComApartment();
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;
  bool Initialized() const { return FInitialized; }

private:
  bool FInitialized = false;
};

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

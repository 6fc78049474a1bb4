// The program's Win32 toolbox: an owner for every kind of Windows handle it
// holds, UTF-8 <-> wide text at the API boundary, and the few helpers several
// windows share. Included only by Windows code.
#pragma once

#include <windows.h>
// The shell headers need the Windows types first.
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/OwnedHandle.h"

// UTF-8 to the wide text the W functions take, and back.
std::wstring WideOf(const std::string& text);
std::string Utf8Of(const wchar_t* text);
std::string Utf8Of(const std::wstring& text);

// --- Owners --------------------------------------------------------------------------

// File and find handles report failure as INVALID_HANDLE_VALUE, not null.
struct TInvalidIsNone {
  static bool IsNone(HANDLE handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }
};

using TGdiBitmap = TOwnedHandle<HBITMAP, &DeleteObject>;
using TGdiBrush = TOwnedHandle<HBRUSH, &DeleteObject>;
using TMemoryDC = TOwnedHandle<HDC, &DeleteDC>;
using TIconHandle = TOwnedHandle<HICON, &DestroyIcon>;
using TLibraryHandle = TOwnedHandle<HMODULE, &FreeLibrary>;
using TWindowHandle = TOwnedHandle<HWND, &DestroyWindow>;
using TKernelHandle = TOwnedHandle<HANDLE, &CloseHandle>;
using TFindHandle = TOwnedHandle<HANDLE, &FindClose, TInvalidIsNone>;
using THookHandle = TOwnedHandle<HHOOK, &UnhookWindowsHookEx>;
// A shell item identifier list, freed with the shell's allocator.
using TItemIdList = TOwnedHandle<LPITEMIDLIST, &CoTaskMemFree>;

// A file (or folder) opened with CreateFileW.
class TFileHandle : public TOwnedHandle<HANDLE, &CloseHandle, TInvalidIsNone> {
public:
  using TOwnedHandle::TOwnedHandle;
  // Closes the file now; false when closing failed (written data may then be
  // lost), true when it closed or nothing was open.
  bool Close() {
    const HANDLE handle = Detach();
    return TInvalidIsNone::IsNone(handle) || CloseHandle(handle);
  }
};

// An open registry key.
class TRegKey : public TOwnedHandle<HKEY, &RegCloseKey> {
public:
  // Takes over the key a registry function returned: only on success, since
  // the functions promise nothing about their output after a failure. Call it
  // after the function, not with the call as an argument: the key argument
  // may be read before the call runs.
  bool Adopt(LONG result, HKEY key) {
    Reset(result == ERROR_SUCCESS ? key : nullptr);
    return result == ERROR_SUCCESS;
  }
};

// A window's device context (the screen's for no window), given back when it
// goes; with the window's own font selected when asked for.
class TWindowDC {
public:
  explicit TWindowDC(HWND window = nullptr, bool withWindowFont = false);
  ~TWindowDC();
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const { return FDC; }

private:
  HWND FWindow;
  HDC FDC;
  HGDIOBJ FOldFont = nullptr;
};
using TScreenDC = TWindowDC;

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

// A COM interface pointer, released when it goes.
template <typename T>
class TComPtr {
public:
  TComPtr() = default;
  ~TComPtr() { Reset(); }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;

  T* Get() const { return FPointer; }
  T* operator->() const { return FPointer; }
  explicit operator bool() const { return FPointer != nullptr; }
  // For a function that hands out an interface: the old one goes first.
  T** Put() {
    Reset();
    return &FPointer;
  }
  void Reset() {
    if (FPointer) FPointer->Release();
    FPointer = nullptr;
  }

private:
  T* FPointer = nullptr;
};

// COM on this thread, apartment-threaded unless asked otherwise, for as long
// as the object lives. A thread already in the other kind of apartment stays
// in it (Initialized() is then false).
class TComApartment {
public:
  explicit TComApartment(DWORD model = COINIT_APARTMENTTHREADED);
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;
  bool Initialized() const { return FInitialized; }

private:
  bool FInitialized = false;
};

// The files of one WM_DROPFILES, handed back to the shell (DragFinish) when
// this goes, whatever happens to the paths.
class TDroppedFiles {
public:
  explicit TDroppedFiles(HDROP drop) : FDrop(drop) {}
  ~TDroppedFiles() {
    if (FDrop) DragFinish(FDrop);
  }
  TDroppedFiles(const TDroppedFiles&) = delete;
  TDroppedFiles& operator=(const TDroppedFiles&) = delete;
  // Every dropped path whole, however long, UTF-8.
  std::vector<std::string> Paths() const;

private:
  HDROP FDrop;
};

// --- Functions newer systems have --------------------------------------------------

// A system library, loaded from the system folder on first use and kept for
// the rest of the run, so that what it hands out stays valid. Functions that
// only newer systems have are looked up through it at run time, so that the
// program still starts on the oldest Windows it supports; a missing library
// or function is a null pointer, never an error. Any thread may call it.
class TSystemLibrary {
public:
  // The one instance for that file name (for example L"uxtheme.dll").
  static const TSystemLibrary& Named(const wchar_t* fileName);

  template <typename TFunction>
  TFunction Function(const char* name) const {
    return reinterpret_cast<TFunction>(Address(name));
  }
  // By ordinal, for the few exports that have no name.
  template <typename TFunction>
  TFunction Function(WORD ordinal) const {
    return reinterpret_cast<TFunction>(Address(MAKEINTRESOURCEA(ordinal)));
  }
  explicit TSystemLibrary(const wchar_t* fileName);
  // Why the library could not be loaded (a system error code); 0 when it was.
  DWORD LoadError() const { return FLoadError; }

private:
  void* Address(const char* nameOrOrdinal) const;
  TLibraryHandle FLibrary;
  DWORD FLoadError = 0;
};

// --- Shared helpers ------------------------------------------------------------------

// The system's own version, from ntdll: GetVersionEx tells a program without
// a manifest entry for the newest Windows that it runs on an older one, and a
// compatibility setting disguises it too. All zero where it cannot be asked.
OSVERSIONINFOW SystemVersion();

// Whether path names an existing file (not a folder).
bool ExistingFile(const std::string& path);
// The attributes of the existing file (not a folder) at path; nothing when
// there is none. Only the directory entry is asked: the file is not opened.
std::optional<uint32_t> ExistingFileAttributes(const std::string& path);

// The header of a top-down DIB of width x height, rows as TBitmap holds
// them: 24 bits a pixel unless said otherwise.
BITMAPINFO DibHeader(int32_t width, int32_t height, WORD bitCount = 24);

// Runs the thread's messages, with window's dialog keys, until ended() says
// so. False when the loop had to stop first: the application is ending (its
// quit message is posted again for the outer loop) or the queue failed.
bool RunModalLoop(HWND window, const std::function<bool()>& ended);

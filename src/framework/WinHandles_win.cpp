#include "framework/WinHandles_win.h"

#include <objbase.h>

#include <map>
#include <memory>
#include <mutex>

#include "framework/Streams.h"

std::wstring WideOf(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Utf8Of(const wchar_t* text) { return text ? Utf8Of(std::wstring(text)) : std::string(); }

std::string Utf8Of(const std::wstring& text) { return Utf16ToUtf8(std::u16string(text.begin(), text.end())); }

TWindowDC::TWindowDC(HWND window, bool withWindowFont) : FWindow(window), FDC(GetDC(window)) {
  if (!FDC || !window || !withWindowFont) return;
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (font) FOldFont = SelectObject(FDC, font);
}

TWindowDC::~TWindowDC() {
  if (FDC && FOldFont) SelectObject(FDC, FOldFont);
  if (FDC) ReleaseDC(FWindow, FDC);
}

TComApartment::TComApartment(DWORD model) {
  const HRESULT result = CoInitializeEx(nullptr, model);
  // S_FALSE (already initialised on this thread) must be balanced as well.
  FInitialized = SUCCEEDED(result);
}

TComApartment::~TComApartment() {
  if (FInitialized) CoUninitialize();
}

std::vector<std::string> TDroppedFiles::Paths() const {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(FDrop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Sized by the path itself: a long path is taken whole, never cut.
    const UINT length = DragQueryFileW(FDrop, i, nullptr, 0);
    std::vector<wchar_t> buffer(size_t(length) + 1, L'\0');
    DragQueryFileW(FDrop, i, buffer.data(), UINT(buffer.size()));
    paths.push_back(Utf8Of(buffer.data()));
  }
  return paths;
}

TSystemLibrary::TSystemLibrary(const wchar_t* fileName) {
  // From the system folder only: a library of that name beside the program
  // or in the working folder must never be the one loaded.
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    FLoadError = length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
    return;
  }
  const std::wstring path = std::wstring(folder, length) + L"\\" + fileName;
  FLibrary.Reset(LoadLibraryW(path.c_str()));
  if (!FLibrary) FLoadError = GetLastError();
}

const TSystemLibrary& TSystemLibrary::Named(const wchar_t* fileName) {
  static std::mutex lock;
  static std::map<std::wstring, std::unique_ptr<TSystemLibrary>> libraries;
  const std::lock_guard<std::mutex> guard(lock);
  auto& library = libraries[fileName];
  if (!library) library = std::make_unique<TSystemLibrary>(fileName);
  return *library;
}

void* TSystemLibrary::Address(const char* nameOrOrdinal) const {
  return FLibrary ? reinterpret_cast<void*>(GetProcAddress(FLibrary.Get(), nameOrOrdinal)) : nullptr;
}

OSVERSIONINFOW SystemVersion() {
  using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  const auto getVersion = TSystemLibrary::Named(L"ntdll.dll").Function<TRtlGetVersion>("RtlGetVersion");
  if (!getVersion || getVersion(&version) != 0) {
    version = {};
    version.dwOSVersionInfoSize = sizeof(version);
  }
  return version;
}

bool ExistingFile(const std::string& path) { return ExistingFileAttributes(path).has_value(); }

std::optional<uint32_t> ExistingFileAttributes(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideOf(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return std::nullopt;
  return uint32_t(attributes);
}

BITMAPINFO DibHeader(int32_t width, int32_t height, WORD bitCount) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitCount;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

bool RunModalLoop(HWND window, const std::function<bool()>& ended) {
  MSG message;
  while (!ended()) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) {
      // The application is ending: the loop that waits for WM_QUIT gets it.
      PostQuitMessage(int(message.wParam));
      return false;
    }
    if (result == -1) return false;
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

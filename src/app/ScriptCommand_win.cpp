#include "app/ScriptCommand_win.h"

#include <shellapi.h>

#include "app/ScriptCommand.h"
#include "app/Unit1_win.h"
#include "framework/WinHandles_win.h"

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif

namespace {

using TLocalArguments = TOwnedHandle<LPWSTR*, [](LPWSTR* arguments) { LocalFree(arguments); }>;

using TQueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
using TModuleFileName = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

// Paths are compared as the file system does, without regard to case.
std::wstring Folded(std::wstring path) {
  if (!path.empty()) CharUpperBuffW(path.data(), DWORD(path.size()));
  return path;
}

std::wstring ImagePathOf(HANDLE process) {
  // Long paths included: the buffer grows until the name fits.
  static const auto queryImageName =
      TSystemLibrary::Named(L"kernel32.dll").Function<TQueryImageName>("QueryFullProcessImageNameW");
  // Before Vista: the process status helper, which needs to read the
  // process's memory.
  static const auto moduleFileName =
      TSystemLibrary::Named(L"psapi.dll").Function<TModuleFileName>("GetModuleFileNameExW");
  for (DWORD capacity = MAX_PATH; capacity <= 32768 * 2; capacity *= 2) {
    std::wstring path(capacity, L'\0');
    DWORD length = capacity;
    if (queryImageName) {
      if (!queryImageName(process, 0, path.data(), &length)) {
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) continue;
        return {};
      }
    } else if (moduleFileName) {
      length = moduleFileName(process, nullptr, path.data(), capacity);
      if (length == 0) return {};
      if (length >= capacity) continue;
    } else {
      return {};
    }
    path.resize(length);
    return path;
  }
  return {};
}

// The image path of the process, empty when it cannot be read.
std::wstring ProcessImagePath(DWORD processId) {
  TKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  // Windows before Vista knows only the wider right.
  if (!process) process.Reset(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  return process ? ImagePathOf(process.Get()) : std::wstring();
}

}  // namespace

std::optional<TCommandId> ScriptCommandOfCommandLine(const wchar_t* commandLine) {
  int count = 0;
  const TLocalArguments arguments(CommandLineToArgvW(commandLine, &count));
  if (!arguments) return std::nullopt;
  std::vector<std::string> texts;
  for (int i = 1; i < count; ++i) texts.push_back(Utf8Of(arguments.Get()[i]));
  return ScriptCommand(texts);
}

int SendToRunningCopies(TCommandId command) {
  const DWORD self = GetCurrentProcessId();
  const std::wstring ownPath = Folded(ProcessImagePath(self));
  if (ownPath.empty()) return 0;
  int received = 0;
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, kMainWindowClass, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == 0 || owner == self || Folded(ProcessImagePath(owner)) != ownPath) continue;
    if (PostMessageW(window, WM_COMMAND, command, 0)) ++received;
  }
  return received;
}

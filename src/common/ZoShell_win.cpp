#include <windows.h>
// The shell header needs the Windows types first.
#include <shlobj.h>

#include "common/ZoShell.h"
#include "framework/Streams.h"

std::string GetSpecialFolderPath(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return std::string();
  buffer[MAX_PATH] = L'\0';
  const std::wstring path(buffer);
  return Utf16ToUtf8(std::u16string(path.begin(), path.end()));
}

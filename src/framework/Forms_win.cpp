#include "framework/Forms_win.h"

#include <vector>

#include "framework/Exceptions.h"
#include "framework/Streams.h"

std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (buffer) {
    text.assign(buffer, length);
    LocalFree(buffer);
  }
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
    text.pop_back();
  return Utf8Of(text);
}

void TWinMessageBoxes::Show(const std::string& text, const std::string& caption, TMsgDlgType type) {
  UINT icon = 0;
  switch (type) {
    case mtWarning: icon = MB_ICONWARNING; break;
    case mtError: icon = MB_ICONERROR; break;
    case mtInformation: icon = MB_ICONINFORMATION; break;
    case mtConfirmation: icon = MB_ICONQUESTION; break;
    case mtCustom: break;
  }
  MessageBoxW(FOwner, WideOf(text).c_str(), WideOf(caption).c_str(), MB_OK | icon | MB_SETFOREGROUND);
}

std::string ApplicationExeName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return Utf8Of(std::wstring(buffer.data(), length));
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

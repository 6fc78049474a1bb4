#include <windows.h>
// The shell header needs the Windows types first.
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "common/ZoTrayIcon.h"

namespace {

static_assert(kNotifyIconDataSize == NOTIFYICONDATAW_V2_SIZE);
static_assert(kNifMessage == NIF_MESSAGE && kNifIcon == NIF_ICON && kNifTip == NIF_TIP &&
              kNifInfo == NIF_INFO);
static_assert(kNimAdd == NIM_ADD && kNimModify == NIM_MODIFY && kNimDelete == NIM_DELETE &&
              kNimSetVersion == NIM_SETVERSION);
static_assert(kNiifWarning == NIIF_WARNING && kErrorTimeout == ERROR_TIMEOUT);
static_assert(sizeof(wchar_t) == sizeof(char16_t));

template <size_t N, size_t M>
void CopyField(wchar_t (&target)[N], const char16_t (&source)[M]) {
  static_assert(N == M);
  std::memcpy(target, source, sizeof(target));
}

// The shell's record from ours: the fields of Shell32 5.0, the rest zero.
NOTIFYICONDATAW ShellRecord(const TNotifyIconData& data) {
  NOTIFYICONDATAW record;
  std::memset(&record, 0, sizeof(record));
  record.cbSize = data.cbSize;
  record.hWnd = reinterpret_cast<HWND>(data.hWnd);
  record.uID = data.uID;
  record.uFlags = data.uFlags;
  record.uCallbackMessage = data.uCallbackMessage;
  record.hIcon = reinterpret_cast<HICON>(data.hIcon);
  CopyField(record.szTip, data.szTip);
  record.dwState = data.dwState;
  record.dwStateMask = data.dwStateMask;
  CopyField(record.szInfo, data.szInfo);
  record.uVersion = data.uTimeoutOrVersion;
  CopyField(record.szInfoTitle, data.szInfoTitle);
  record.dwInfoFlags = data.dwInfoFlags;
  return record;
}

class TShellNotificationArea : public TNotificationArea {
public:
  TShellNotificationArea(TShellNotifyProc notify, std::function<void(uint32_t)> sleep)
      : FNotify(std::move(notify)), FSleep(std::move(sleep)) {}

  bool NotifyIcon(uint32_t message, const TNotifyIconData& data) override {
    NOTIFYICONDATAW record = ShellRecord(data);
    if (FNotify) return FNotify(message, &record);
    return Shell_NotifyIconW(message, &record) != FALSE;
  }
  uint32_t LastError() override { return GetLastError(); }
  void Sleep(uint32_t milliseconds) override {
    if (FSleep)
      FSleep(milliseconds);
    else
      ::Sleep(milliseconds);
  }

private:
  TShellNotifyProc FNotify;
  std::function<void(uint32_t)> FSleep;
};

}  // namespace

std::unique_ptr<TNotificationArea> NewShellNotificationArea(TShellNotifyProc notify,
                                                            std::function<void(uint32_t)> sleep) {
  return std::make_unique<TShellNotificationArea>(std::move(notify), std::move(sleep));
}

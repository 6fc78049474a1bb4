// The notification-area icon: adding it (patient with a busy shell), changing
// its image and tooltip, and showing a balloon. Each operation fills the wide
// notification record with just the fields it needs and hands it to the
// notification area through TNotificationArea, so that tests can stand in a
// shell that is busy, refuses or accepts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/OwnedHandle.h"

// Notification-area messages.
inline constexpr uint32_t kNimAdd = 0;
inline constexpr uint32_t kNimModify = 1;
inline constexpr uint32_t kNimDelete = 2;
inline constexpr uint32_t kNimSetVersion = 4;
// Record fields in use.
inline constexpr uint32_t kNifMessage = 0x01;
inline constexpr uint32_t kNifIcon = 0x02;
inline constexpr uint32_t kNifTip = 0x04;
inline constexpr uint32_t kNifInfo = 0x10;
// Balloon icons.
inline constexpr uint32_t kNiifNone = 0;
inline constexpr uint32_t kNiifInfo = 1;
inline constexpr uint32_t kNiifWarning = 2;
inline constexpr uint32_t kNiifError = 3;
// With this version the shell reports mouse events as the callback's lParam
// and a click on a balloon as NIN_BALLOONUSERCLICK.
inline constexpr uint32_t kNotifyIconVersion = 3;
inline constexpr uint32_t kWmUser = 0x0400;
inline constexpr uint32_t kErrorTimeout = 1460;
// A balloon stays for the shell's minimum time.
inline constexpr uint32_t kBalloonTimeout = 5;
// Between an add the busy shell timed out on and the check whether it took.
inline constexpr uint32_t kAddRetryPause = 2000;

// Size of the wide record in the layout of Shell32 5.0 (NOTIFYICONDATAW_V2_SIZE):
// the window and icon handles are pointer-sized, so 64-bit code has more padding.
inline constexpr uint32_t kNotifyIconDataSize = sizeof(void*) == 8 ? 952 : 936;

// The wide notification record (NOTIFYICONDATAW, Shell32 5.0 fields). Text
// fields hold zero-terminated UTF-16 and always end inside their field.
struct TNotifyIconData {
  uint32_t cbSize = 0;
  THandleValue hWnd = 0;
  uint32_t uID = 0;
  uint32_t uFlags = 0;
  uint32_t uCallbackMessage = 0;
  THandleValue hIcon = 0;
  char16_t szTip[128] = {};
  uint32_t dwState = 0;
  uint32_t dwStateMask = 0;
  char16_t szInfo[256] = {};
  uint32_t uTimeoutOrVersion = 0;
  char16_t szInfoTitle[64] = {};
  uint32_t dwInfoFlags = 0;
};

// The shell's notification area, or a stand-in for it.
class TNotificationArea {
public:
  virtual ~TNotificationArea() = default;
  // One Shell_NotifyIcon call; true on success.
  virtual bool NotifyIcon(uint32_t message, const TNotifyIconData& data) = 0;
  // The system's last error after a failed call.
  virtual uint32_t LastError() = 0;
  // Blocks the calling thread.
  virtual void Sleep(uint32_t milliseconds) = 0;
};

// Copies text (UTF-8) into a UTF-16 field of capacity units: whole when it
// fits with its terminator, otherwise cut to capacity - 1 units, one fewer
// when the cut would split a surrogate pair. Zero-fills the rest of the field.
// Returns the units copied.
size_t CopyTrayText(char16_t* field, size_t capacity, const std::string& text);

// The tooltip of a picture: its path whole when it fits limit UTF-16 units,
// else shortened so that it still names the picture: the root ("C:\" or
// "\\server\share\"), "…\", as many of the last folders as fit and the whole
// file name; else "…\" and the name; else the name's start, "…" and its
// extension. Never splits a surrogate pair.
inline constexpr size_t kTrayTipLength = 127;
std::string ShortenedTip(const std::string& path, size_t limit = kTrayTipLength);

template <size_t N>
size_t CopyTrayText(char16_t (&field)[N], const std::string& text) {
  return CopyTrayText(field, N, text);
}

// Fills record for an add: identifier 0 for window, the callback message
// WM_USER + callbackOffset, icon, and tip as tooltip.
void FillTrayAddRecord(THandleValue window, THandleValue icon, const std::string& tip,
                       TNotifyIconData& record, uint32_t callbackOffset);
// Registers the icon with identifier 0 for window, the callback message
// WM_USER + callbackOffset and tip as tooltip, filling record in place (the
// caller keeps it for the removal). Returns 0 or the system error of the add,
// never ERROR_TIMEOUT; after a successful add the record asks for version 3.
uint32_t AddTrayIcon(TNotificationArea& area, THandleValue window, THandleValue icon, const std::string& tip,
                     TNotifyIconData& record, uint32_t callbackOffset);
// Tries the add up to retries + 1 times while the shell answers ERROR_TIMEOUT,
// each time waiting and checking with a modify whether the add took after
// all. Returns 0 when it did (or when the shell never gave another answer).
uint32_t AddTrayIconRetry(TNotificationArea& area, TNotifyIconData& record, uint8_t retries);
// Adding the icon again after the shell restarted, a step at a time so that
// the window's thread never waits on a busy shell: the same tries as
// AddTrayIconRetry, with the pause between them left to the caller's timer.
class TTrayIconReAdd {
public:
  // Tries the add with a record filled for it (FillTrayAddRecord). True while
  // the shell timed out: call Step after kAddRetryPause.
  bool Start(TNotificationArea& area, TNotifyIconData& record, uint8_t retries = 5);
  // Checks whether the add took after all and tries again; record filled as
  // for Start, with the icon of now. True while another Step is wanted.
  bool Step(TNotificationArea& area, TNotifyIconData& record);
  bool Pending() const { return FPending; }

private:
  bool TryAdd(TNotificationArea& area, TNotifyIconData& record);
  bool Done(TNotificationArea& area, TNotifyIconData& record, bool added);

  uint32_t FAddsLeft = 0;
  bool FPending = false;
};

// Replaces the image only.
bool ModifyTrayIcon(TNotificationArea& area, THandleValue window, THandleValue icon);
// Replaces the image and the tooltip.
void SetTrayTip(TNotificationArea& area, THandleValue window, THandleValue icon, const std::string& tip);
// Shows a balloon with a title, a text and one of the kNiif icons.
void ShowTrayBalloon(TNotificationArea& area, THandleValue window, const std::string& title,
                     const std::string& text, uint32_t infoFlags);
// Removes the icon the record registered; the shell's answer does not matter.
void DeleteTrayIcon(TNotificationArea& area, const TNotifyIconData& record);

#ifdef _WIN32
// The real notification area: Shell_NotifyIconW with the record converted to
// NOTIFYICONDATAW, GetLastError and Sleep. notify stands in for
// Shell_NotifyIconW (it receives a NOTIFYICONDATAW*) and sleep for Sleep when
// given, so that tests can record what the shell would receive.
using TShellNotifyProc = std::function<bool(uint32_t message, void* data)>;
std::unique_ptr<TNotificationArea> NewShellNotificationArea(TShellNotifyProc notify = nullptr,
                                                            std::function<void(uint32_t)> sleep = nullptr);
#endif

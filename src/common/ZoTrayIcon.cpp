#include "common/ZoTrayIcon.h"

#include <algorithm>

#include "framework/Streams.h"

size_t CopyTrayText(char16_t* field, size_t capacity, const std::string& text) {
  if (capacity == 0) return 0;
  const std::u16string wide = Utf8ToUtf16(text);
  size_t count = std::min(wide.size(), capacity - 1);
  // Half a character would show as garbage: end before a lone high surrogate.
  if (count < wide.size() && count > 0 && wide[count - 1] >= 0xD800 && wide[count - 1] <= 0xDBFF) --count;
  std::copy_n(wide.begin(), count, field);
  std::fill(field + count, field + capacity, u'\0');
  return count;
}

namespace {

TNotifyIconData NewRecord(THandleValue window, uint32_t flags) {
  TNotifyIconData record;
  record.cbSize = kNotifyIconDataSize;
  record.hWnd = window;
  record.uID = 0;
  record.uFlags = flags;
  return record;
}

}  // namespace

void FillTrayAddRecord(THandleValue window, THandleValue icon, const std::string& tip,
                       TNotifyIconData& record, uint32_t callbackOffset) {
  record = NewRecord(window, kNifMessage | kNifIcon | kNifTip);
  record.uCallbackMessage = kWmUser + callbackOffset;
  record.hIcon = icon;
  CopyTrayText(record.szTip, tip);
}

uint32_t AddTrayIcon(TNotificationArea& area, THandleValue window, THandleValue icon, const std::string& tip,
                     TNotifyIconData& record, uint32_t callbackOffset) {
  FillTrayAddRecord(window, icon, tip, record, callbackOffset);
  const uint32_t result = AddTrayIconRetry(area, record, 5);
  if (result == 0) {
    record.uTimeoutOrVersion = kNotifyIconVersion;
    area.NotifyIcon(kNimSetVersion, record);
  }
  return result;
}

uint32_t AddTrayIconRetry(TNotificationArea& area, TNotifyIconData& record, uint8_t retries) {
  for (uint32_t attempt = 0; attempt <= retries; ++attempt) {
    if (area.NotifyIcon(kNimAdd, record)) return 0;
    const uint32_t error = area.LastError();
    if (error != kErrorTimeout) return error;
    area.Sleep(kAddRetryPause);
    // A busy shell may have taken the icon although it timed out.
    if (area.NotifyIcon(kNimModify, record)) return 0;
  }
  return 0;
}

bool TTrayIconReAdd::Start(TNotificationArea& area, TNotifyIconData& record, uint8_t retries) {
  FAddsLeft = uint32_t(retries) + 1;
  return TryAdd(area, record);
}

bool TTrayIconReAdd::TryAdd(TNotificationArea& area, TNotifyIconData& record) {
  --FAddsLeft;
  if (area.NotifyIcon(kNimAdd, record)) return Done(area, record, true);
  if (area.LastError() != kErrorTimeout) return Done(area, record, false);
  FPending = true;
  return true;
}

bool TTrayIconReAdd::Step(TNotificationArea& area, TNotifyIconData& record) {
  if (!FPending) return false;
  // A busy shell may have taken the icon although it timed out; one that
  // never answers otherwise counts as having taken it, as at start-up.
  if (area.NotifyIcon(kNimModify, record) || FAddsLeft == 0) return Done(area, record, true);
  return TryAdd(area, record);
}

bool TTrayIconReAdd::Done(TNotificationArea& area, TNotifyIconData& record, bool added) {
  FPending = false;
  if (added) {
    record.uTimeoutOrVersion = kNotifyIconVersion;
    area.NotifyIcon(kNimSetVersion, record);
  }
  return false;
}

bool ModifyTrayIcon(TNotificationArea& area, THandleValue window, THandleValue icon) {
  TNotifyIconData record = NewRecord(window, kNifIcon);
  record.hIcon = icon;
  return area.NotifyIcon(kNimModify, record);
}

void SetTrayTip(TNotificationArea& area, THandleValue window, THandleValue icon, const std::string& tip) {
  TNotifyIconData record = NewRecord(window, kNifIcon | kNifTip);
  record.hIcon = icon;
  CopyTrayText(record.szTip, tip);
  area.NotifyIcon(kNimModify, record);
}

void ShowTrayBalloon(TNotificationArea& area, THandleValue window, const std::string& title,
                     const std::string& text, uint32_t infoFlags) {
  TNotifyIconData record = NewRecord(window, kNifInfo);
  CopyTrayText(record.szInfo, text);
  record.uTimeoutOrVersion = kBalloonTimeout;
  CopyTrayText(record.szInfoTitle, title);
  record.dwInfoFlags = infoFlags;
  area.NotifyIcon(kNimModify, record);
}

void DeleteTrayIcon(TNotificationArea& area, const TNotifyIconData& record) {
  area.NotifyIcon(kNimDelete, record);
}

#include "common/ZoTrayIcon.h"

#include <algorithm>

#include "framework/Streams.h"

namespace {

// The first count units of text: half a character would show as garbage, so
// one fewer where the cut would leave a lone high surrogate.
std::u16string Head(const std::u16string& text, size_t count) {
  if (count < text.size() && count > 0 && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF) --count;
  return text.substr(0, std::min(count, text.size()));
}

// Where the root of a path ends: after "C:\" or "\\server\share\"; 0 for none.
size_t RootLength(const std::u16string& path) {
  if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') return 3;
  if (!path.starts_with(u"\\\\")) return 0;
  const size_t server = path.find(u'\\', 2);
  const size_t share = server == std::u16string::npos ? server : path.find(u'\\', server + 1);
  return share == std::u16string::npos ? 0 : share + 1;
}

TNotifyIconData NewRecord(THandleValue window, uint32_t flags) {
  TNotifyIconData record;
  record.cbSize = kNotifyIconDataSize;
  record.hWnd = window;
  record.uID = 0;
  record.uFlags = flags;
  return record;
}

}  // namespace

size_t CopyTrayText(char16_t* field, size_t capacity, const std::string& text) {
  if (capacity == 0) return 0;
  const std::u16string head = Head(Utf8ToUtf16(text), capacity - 1);
  std::copy(head.begin(), head.end(), field);
  std::fill(field + head.size(), field + capacity, u'\0');
  return head.size();
}

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

std::string ShortenedTip(const std::string& path, size_t limit) {
  const std::u16string wide = Utf8ToUtf16(path);
  if (wide.size() <= limit) return path;
  const std::u16string ellipsis = u"\u2026", gap = ellipsis + u"\\";
  const size_t slash = wide.rfind(u'\\');
  const std::u16string name = slash == std::u16string::npos ? wide : wide.substr(slash + 1);
  const size_t rootLength = RootLength(wide);
  if (slash != std::u16string::npos && rootLength <= slash + 1 &&
      rootLength + gap.size() + name.size() <= limit) {
    // Whole folders only, from the last one back, while they fit.
    size_t from = slash + 1;
    while (from > rootLength) {
      const size_t start = wide.rfind(u'\\', from - 2);
      if (start == std::u16string::npos || start + 1 < rootLength) break;
      if (rootLength + gap.size() + (wide.size() - start - 1) > limit) break;
      from = start + 1;
    }
    return Utf16ToUtf8(wide.substr(0, rootLength) + gap + wide.substr(from));
  }
  if (gap.size() + name.size() <= limit) return Utf16ToUtf8(gap + name);
  // The extension names the kind of picture; one too long to be one is not kept.
  const size_t dot = name.rfind(u'.');
  const std::u16string extension =
      dot != std::u16string::npos && name.size() - dot < limit / 2 ? name.substr(dot) : std::u16string();
  return Utf16ToUtf8(Head(name, limit - ellipsis.size() - extension.size()) + ellipsis + extension);
}

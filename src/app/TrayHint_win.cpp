#include "app/TrayHint_win.h"

#include <windows.h>

#include <vector>

#include "framework/WinHandles_win.h"

namespace {

// A string the COM allocator handed out.
using TCoTaskString = TOwnedHandle<PWSTR, &CoTaskMemFree>;

// The keys are not ours and not documented: what is read from them is
// bounded, so that a broken or hostile key cannot make the program read on.
constexpr DWORD kMaxEntries = 4096;
constexpr DWORD kMaxStringBytes = 32768 * sizeof(wchar_t);
constexpr DWORD kMaxKeyName = 256;

const wchar_t kExplorerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
const wchar_t kNotifyIconSettingsKey[] = L"Control Panel\\NotifyIconSettings";

bool OpenForReading(HKEY parent, const wchar_t* path, TRegKey& key) {
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExW(parent, path, 0, KEY_READ, &opened);
  return key.Adopt(result, opened);
}

TDwordValue ReadDword(HKEY key, const wchar_t* name) {
  DWORD type = 0, value = 0, size = sizeof(value);
  const LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (result == ERROR_FILE_NOT_FOUND) return {};
  if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return {vsOdd, 0};
  return {vsPresent, value};
}

TStringValue ReadString(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  LONG result = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) return {};
  if (result != ERROR_SUCCESS || type != REG_SZ || size > kMaxStringBytes) return {vsOdd, {}};
  // One unit more than asked for: the value need not end in a terminator.
  std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
  DWORD read = size;
  result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read);
  if (result != ERROR_SUCCESS || type != REG_SZ || read > size) return {vsOdd, {}};
  text[read / sizeof(wchar_t)] = L'\0';
  return {vsPresent, Utf8Of(text.data())};
}

// Leaves EntriesRead false when any part cannot be read: one entry missed
// might be this program's.
void ReadEntries(TTrayFacts& facts) {
  TRegKey settings;
  if (!OpenForReading(HKEY_CURRENT_USER, kNotifyIconSettingsKey, settings)) return;
  for (DWORD index = 0;; ++index) {
    if (index == kMaxEntries) return;
    wchar_t name[kMaxKeyName] = {};
    DWORD length = kMaxKeyName;
    const LONG result =
        RegEnumKeyExW(settings.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    TRegKey entry;
    if (result != ERROR_SUCCESS || !OpenForReading(settings.Get(), name, entry)) return;
    facts.Entries.push_back({ReadString(entry.Get(), L"ExecutablePath"), ReadDword(entry.Get(), L"UID"),
                             ReadDword(entry.Get(), L"IsPromoted")});
  }
  facts.EntriesRead = true;
}

}  // namespace

TWindowsVersion RealWindowsVersion() {
  const OSVERSIONINFOW info = SystemVersion();
  return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

std::string KnownFolderPath(const std::string& guid) {
  // Windows Vista and later; looked up so that older systems still start.
  using TGetKnownFolderPath = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
  const auto getPath =
      TSystemLibrary::Named(L"shell32.dll").Function<TGetKnownFolderPath>("SHGetKnownFolderPath");
  std::wstring text = WideOf(guid);
  GUID id = {};
  if (!getPath || FAILED(IIDFromString(text.data(), &id))) return {};
  PWSTR raw = nullptr;
  // The folder need not exist for its path to stand in an entry.
  const HRESULT result = getPath(id, KF_FLAG_DONT_VERIFY, nullptr, &raw);
  // Freed whether or not the call succeeded, as its documentation asks.
  const TCoTaskString path(raw);
  if (FAILED(result) || !path) return {};
  return Utf8Of(path.Get());
}

TTrayFacts ReadTrayFacts(const std::string& exePath) {
  TTrayFacts facts;
  facts.Version = RealWindowsVersion();
  facts.ExePath = exePath;
  facts.KnownFolder = KnownFolderPath;
  TRegKey explorer;
  if (OpenForReading(HKEY_CURRENT_USER, kExplorerKey, explorer))
    facts.EnableAutoTray = ReadDword(explorer.Get(), L"EnableAutoTray");
  if (FamilyOf(facts.Version) == wfWindows11) ReadEntries(facts);
  return facts;
}

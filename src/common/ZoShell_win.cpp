#include "common/ZoShell_win.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <vector>

#include "framework/Forms_win.h"

std::string GetSpecialFolderPath(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return std::string();
  buffer[MAX_PATH] = L'\0';
  return Utf8Of(buffer);
}

uint32_t GetShell32Version() {
  const TSystemLibrary& library = TSystemLibrary::Named(L"shell32.dll");
  if (const DWORD error = library.LoadError()) {
    char text[1024];
    std::snprintf(text, sizeof(text), "%s: %s", SystemErrorText(error).c_str(), "Shell32.dll");
    throw Exception(text);
  }
  uint32_t result = 0;
  const auto getVersion = library.Function<DLLGETVERSIONPROC>("DllGetVersion");
  if (getVersion) {
    DLLVERSIONINFO info = {};
    info.cbSize = sizeof(info);
    if (SUCCEEDED(getVersion(&info)))
      result = (uint32_t(info.dwMajorVersion & 0xFFFF) << 16) | uint32_t(info.dwMinorVersion & 0xFFFF);
  }
  return result;
}

void OpenHomePage(uintptr_t owner) {
  ShellExecuteW(reinterpret_cast<HWND>(owner), L"open", WideOf(kHomePageUrl).c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

// --- Item identifier lists -----------------------------------------------------------

std::string OleErrorText(HRESULT code) {
  const std::string text = SystemErrorText(DWORD(code));
  if (!text.empty()) return text;
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.8lx", static_cast<unsigned long>(code));
  return FormatText(IDS_OLE_ERROR, {buffer});
}

TItemIdList GetSpecialFolderLocation(int csidl) {
  LPITEMIDLIST list = nullptr;
  const HRESULT result = SHGetSpecialFolderLocation(nullptr, csidl, &list);
  TItemIdList owned(list);
  if (FAILED(result)) return TItemIdList();
  return owned;
}

TItemIdList PathToItemIDList(const std::wstring& path) {
  TComPtr<IShellFolder> desktop;
  if (const HRESULT result = SHGetDesktopFolder(desktop.Put()); FAILED(result))
    throw EOleError(OleErrorText(result), result);
  std::vector<wchar_t> name(path.begin(), path.end());
  name.push_back(L'\0');
  LPITEMIDLIST list = nullptr;
  ULONG eaten = 0;
  const HRESULT result = desktop->ParseDisplayName(nullptr, nullptr, name.data(), &eaten, &list, nullptr);
  TItemIdList owned(list);
  if (FAILED(result)) throw EOleError(OleErrorText(result), result);
  return owned;
}

std::string PathFromItemIDList(LPCITEMIDLIST list) {
  if (!list) return std::string();
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!SHGetPathFromIDListW(list, buffer)) return std::string();
  buffer[MAX_PATH] = L'\0';
  return Utf8Of(buffer);
}

std::string ChosenFolderPath(LPCITEMIDLIST list) {
  std::string path = PathFromItemIDList(list);
  // Some shells (Wine's) end a special folder's path with a delimiter; a
  // folder is named without one everywhere else, so that the folder list
  // sees one folder, not two. A drive's root keeps its own.
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

// --- Folder browser -----------------------------------------------------------------------

namespace {

// The status line names the folder as the shell gives its path.
void ShowFolderInStatusLine(HWND dialog, LPCITEMIDLIST folder) {
  const std::wstring path = WideOf(PathFromItemIDList(folder));
  SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

}  // namespace

int CALLBACK BrowseCallback(HWND dialog, UINT event, LPARAM parameter, LPARAM data) {
  switch (event) {
    case BFFM_INITIALIZED:
      SendMessageW(dialog, BFFM_SETSELECTIONW, FALSE, data);
      // Some shells (Wine's, while it still fills its tree) report no change
      // for the first selection, so the status line names it from the start.
      if (data) ShowFolderInStatusLine(dialog, reinterpret_cast<LPCITEMIDLIST>(data));
      break;
    case BFFM_SELCHANGED: ShowFolderInStatusLine(dialog, reinterpret_cast<LPCITEMIDLIST>(parameter)); break;
    default: break;
  }
  return 0;
}

bool BrowseForFolderEx(HWND owner, const std::string& title, LPCITEMIDLIST root, LPCITEMIDLIST initial,
                       UINT flags, std::string& path) {
  path.clear();
  std::vector<wchar_t> displayName(MAX_PATH + 1, L'\0');
  const std::wstring wideTitle = WideOf(title);
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pidlRoot = root;
  info.pszDisplayName = displayName.data();
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = flags;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(initial);
  TItemIdList chosen(SHBrowseForFolderW(&info));
  if (!chosen) return false;
  path = ChosenFolderPath(chosen.Get());
  return !path.empty();
}

bool BrowseForFolder(HWND owner, const std::string& title, int rootCsidl, int initialCsidl, UINT flags,
                     std::string& path) {
  const TItemIdList root = GetSpecialFolderLocation(rootCsidl);
  const TItemIdList initial = GetSpecialFolderLocation(initialCsidl);
  return BrowseForFolderEx(owner, title, root.Get(), initial.Get(), flags, path);
}

bool BrowseForFolder(HWND owner, const std::string& title, int rootCsidl, const std::wstring& initialPath,
                     UINT flags, std::string& path) {
  const TItemIdList root = GetSpecialFolderLocation(rootCsidl);
  const TItemIdList initial = PathToItemIDList(initialPath);
  return BrowseForFolderEx(owner, title, root.Get(), initial.Get(), flags, path);
}

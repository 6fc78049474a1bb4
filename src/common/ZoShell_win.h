// The shell utilities that take Windows types: item identifier lists and the
// folder browser. Included only by Windows code.
#pragma once

#include <windows.h>
// The shell header needs the Windows types first.
#include <shlobj.h>

#include <string>

#include "common/ZoShell.h"
#include "framework/Exceptions.h"
#include "framework/WinHandles_win.h"

// An error of a COM call, carrying its HRESULT.
class EOleError : public Exception {
public:
  EOleError(const std::string& message, HRESULT code) : Exception(message), FCode(code) {}
  HRESULT Code() const { return FCode; }

private:
  HRESULT FCode;
};

// The system's text for an HRESULT, or "OLE エラー %.8x" when it has none.
std::string OleErrorText(HRESULT code);

// The item list of a special folder; empty when the shell has none.
TItemIdList GetSpecialFolderLocation(int csidl);
// The item list of a path, parsed by the desktop folder. Raises EOleError when
// the desktop folder cannot be had or the path cannot be parsed.
TItemIdList PathToItemIDList(const std::wstring& path);
// The file-system path of an item list as the shell gives it; empty when it
// has none.
std::string PathFromItemIDList(LPCITEMIDLIST list);
// The path of a folder the user chose, as the folder list keeps it: without a
// trailing delimiter, except a drive's root.
std::string ChosenFolderPath(LPCITEMIDLIST list);

// The shell's folder browser opened at a special folder, or at a path (which
// raises before any dialog when it cannot be parsed). True and the chosen
// folder's path when the user chose a file-system folder; false and an empty
// path otherwise.
bool BrowseForFolder(HWND owner, const std::string& title, int rootCsidl, int initialCsidl, UINT flags,
                     std::string& path);
bool BrowseForFolder(HWND owner, const std::string& title, int rootCsidl, const std::wstring& initialPath,
                     UINT flags, std::string& path);
bool BrowseForFolderEx(HWND owner, const std::string& title, LPCITEMIDLIST root, LPCITEMIDLIST initial,
                       UINT flags, std::string& path);
// The browser's callback: selects the initial item list (data) when the
// dialog opens, and keeps the status line on the full path of the selection.
int CALLBACK BrowseCallback(HWND dialog, UINT event, LPARAM parameter, LPARAM data);

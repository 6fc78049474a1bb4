#include "settings/ZoRegIni_win.h"

#include <vector>

namespace {

// Key paths are absolute from HKEY_CURRENT_USER; the functions want them
// without the leading backslash.
std::wstring SubkeyOf(const std::string& path) {
  size_t start = 0;
  while (start < path.size() && path[start] == '\\') ++start;
  return WideOf(path.substr(start));
}

constexpr REGSAM kReadAccess = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
// Larger values are not settings; reading them would only cost memory.
constexpr DWORD kMaxValueSize = 1024 * 1024;

// Deletes parent\name with everything below it, deepest first. Subkeys that
// resist are left; then the key itself cannot go either.
bool DeleteTree(HKEY parent, const std::wstring& name, int depth) {
  {
    TRegKey key;
    HKEY opened = nullptr;
    const LONG result =
        RegOpenKeyExW(parent, name.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &opened);
    if (!key.Adopt(result, opened)) {
      return false;
    }
    // The registry nests at most 512 levels; stop well before the stack minds.
    if (depth < 600) {
      std::vector<std::wstring> children;
      wchar_t buffer[512];
      for (DWORD index = 0;; ++index) {
        DWORD length = sizeof(buffer) / sizeof(buffer[0]);
        const LONG result =
            RegEnumKeyExW(key.Get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) break;
        children.emplace_back(buffer, length);
      }
      for (const std::wstring& child : children) DeleteTree(key.Get(), child, depth + 1);
    }
  }
  return RegDeleteKeyW(parent, name.c_str()) == ERROR_SUCCESS;
}

// Gives the question's message box its own button texts when it appears.
LRESULT CALLBACK RenameButtons(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    GetClassNameW(box, className, 16);
    if (lstrcmpW(className, L"#32770") == 0 && GetDlgItem(box, IDOK) && GetDlgItem(box, IDCANCEL)) {
      SetDlgItemTextW(box, IDOK, WideOf(kStorageQuestionYes).c_str());
      SetDlgItemTextW(box, IDCANCEL, WideOf(kStorageQuestionNo).c_str());
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

// ---------------------------------------------------------------------------

bool TWinRegistry::KeyExists(const std::string& path) {
  TRegKey key;
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, SubkeyOf(path).c_str(), 0, kReadAccess, &opened);
  return key.Adopt(result, opened);
}

bool TWinRegistry::CreateKey(const std::string& path) {
  TRegKey key;
  HKEY created = nullptr;
  const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, SubkeyOf(path).c_str(), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created, nullptr);
  return key.Adopt(result, created);
}

bool TWinRegistry::OpenKey(const std::string& path, bool canCreate) {
  FKey.Reset();
  const std::wstring subkey = SubkeyOf(path);
  HKEY opened = nullptr;
  const LONG result =
      canCreate ? RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &opened, nullptr)
                : RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_ALL_ACCESS, &opened);
  return FKey.Adopt(result, opened);
}

bool TWinRegistry::DeleteKeyTree(const std::string& path) {
  const std::wstring subkey = SubkeyOf(path);
  return !subkey.empty() && DeleteTree(HKEY_CURRENT_USER, subkey, 0);
}

TRegistryReadResult TWinRegistry::ReadValue(const std::string& name, TRegistryValue& value) {
  if (!FKey) return rrNoValue;
  const std::wstring wideName = WideOf(name);
  // The value may change between asking for its size and reading it.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(FKey.Get(), wideName.c_str(), nullptr, &type, nullptr, &size);
    if (result == ERROR_FILE_NOT_FOUND) return rrNoValue;
    if (result != ERROR_SUCCESS || size > kMaxValueSize) return rrReadFailed;
    value.Type = type;
    value.Data.assign(size, 0);
    result = RegQueryValueExW(FKey.Get(), wideName.c_str(), nullptr, &type, value.Data.data(), &size);
    if (result == ERROR_MORE_DATA) continue;
    if (result == ERROR_FILE_NOT_FOUND) return rrNoValue;
    if (result != ERROR_SUCCESS) return rrReadFailed;
    value.Type = type;
    value.Data.resize(size);
    return rrValue;
  }
  return rrReadFailed;
}

bool TWinRegistry::WriteValue(const std::string& name, const TRegistryValue& value) {
  if (!FKey) return false;
  return RegSetValueExW(FKey.Get(), WideOf(name).c_str(), 0, value.Type, value.Data.data(),
                        static_cast<DWORD>(value.Data.size())) == ERROR_SUCCESS;
}

std::vector<std::string> TWinRegistry::ValueNames() {
  std::vector<std::string> names;
  if (!FKey) return names;
  std::vector<wchar_t> buffer(16384);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (RegEnumValueW(FKey.Get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(Utf8Of(std::wstring(buffer.data(), length)));
  }
  return names;
}

// ---------------------------------------------------------------------------

bool TWinFileSystem::FileExists(const std::string& path) { return ExistingFile(path); }

int TWinFileSystem::CreateEmptyFile(const std::string& path) {
  TFileHandle file(CreateFileW(WideOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    // Made meanwhile by someone else: an existing file is left as it is.
    return error == ERROR_FILE_EXISTS ? 0 : static_cast<int>(error);
  }
  return file.Close() ? 0 : static_cast<int>(GetLastError());
}

bool TWinFileSystem::RemoveFile(const std::string& path) { return DeleteFileW(WideOf(path).c_str()) != 0; }

TFileReadResult TWinFileSystem::ReadWholeFile(const std::string& path, size_t limit, std::string& data) {
  data.clear();
  TFileHandle file(CreateFileW(WideOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? frMissing : frFailed;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return frFailed;
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit) return frTooLarge;
  data.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got, nullptr)) {
      data.clear();
      return frFailed;
    }
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  return frRead;
}

namespace {

// Writes data at the start of an open file, cuts it there and makes it reach
// the disk.
bool WriteWhole(HANDLE file, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    DWORD put = 0;
    if (!WriteFile(file, data.data() + done, static_cast<DWORD>(data.size() - done), &put, nullptr) ||
        put == 0)
      return false;
    done += put;
  }
  return SetEndOfFile(file) && FlushFileBuffers(file);
}

// The file a path leads to: the path itself, or the file at the end of the
// links it passes through.
std::wstring FinalPath(const std::wstring& path) {
  TFileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return path;
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(file.Get(), buffer.data(), DWORD(buffer.size()), VOLUME_NAME_DOS);
    if (length == 0) return path;
    if (length < buffer.size()) {
      std::wstring final(buffer.data(), length);
      // The same file under its own name: the name as given, so that the
      // temporary file's name stays as short as it can.
      const std::wstring plain = final.rfind(L"\\\\?\\", 0) == 0 ? final.substr(4) : final;
      return CompareStringOrdinal(plain.c_str(), int(plain.size()), path.c_str(), int(path.size()), TRUE) ==
                     CSTR_EQUAL
                 ? path
                 : final;
    }
    buffer.resize(size_t(length) + 1);
  }
}

// Whether the file has other names (hard links) that a swap would part from.
bool HasOtherNames(const std::wstring& path) {
  TFileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION information = {};
  return file && GetFileInformationByHandle(file.Get(), &information) && information.nNumberOfLinks > 1;
}

// Writes data into a new file beside target and swaps it in.
bool ReplaceThroughTemporary(const std::wstring& target, std::string_view data) {
  std::wstring temporary;
  HANDLE created = INVALID_HANDLE_VALUE;
  // A name of our own: CREATE_NEW never opens a file that is there already.
  for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temporary =
        target + L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".tmp";
    created =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  TFileHandle file(created);
  if (!file) return false;
  const bool written = WriteWhole(file.Get(), data);
  if (file.Close() && written &&
      MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}

}  // namespace

bool TWinFileSystem::WriteFileAtomically(const std::string& path, std::string_view data) {
  // A link stays a link: the file it leads to is replaced, beside itself.
  const std::wstring target = FinalPath(WideOf(path));
  if (!HasOtherNames(target) && ReplaceThroughTemporary(target, data)) return true;
  // Where only the file itself may be written (or a swap would part it from
  // its other names), it is rewritten in place.
  TFileHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const bool written = WriteWhole(file.Get(), data);
  return file.Close() && written;
}

// ---------------------------------------------------------------------------

bool TMessageBoxStorageQuestion::AskUseIniFile() {
  // An OK/Cancel box renamed to Yes/No: unlike a Yes/No box, it lets Escape
  // and the close button answer No.
  const THookHandle hook(SetWindowsHookExW(WH_CBT, RenameButtons, nullptr, GetCurrentThreadId()));
  const int answer = MessageBoxW(
      FOwner, WideOf(kStorageQuestionText).c_str(), WideOf(kStorageQuestionCaption).c_str(),
      MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1 | MB_SETFOREGROUND | (FOwner ? 0 : MB_TASKMODAL));
  // The program is ending under the box (an installer's WM_CLOSE, /exit): the
  // box's loop ended on the quit that the close posted and left it for the
  // outer loop. What the box returned then is nobody's answer.
  MSG quit;
  if (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) throw EStorageQuestionCancelled();
  return answer == IDOK;
}

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return Utf8Of(std::wstring(buffer.data(), length));
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

const TStorageEnvironment& DefaultStorageEnvironment() {
  static TWinFileSystem files;
  static TMessageBoxStorageQuestion question;
  static const TStorageEnvironment environment(
      ExecutablePath(), [] { return std::make_unique<TWinRegistry>(); }, files, question);
  return environment;
}

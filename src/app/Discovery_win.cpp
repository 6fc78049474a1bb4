// The Windows half of picture discovery: folder listings through the wide find
// functions, so that names in any script are found and kept intact.
#include <windows.h>

#include <utility>

#include "app/Discovery.h"
#include "framework/WinHandles_win.h"

namespace {

class TWinFolderReader : public TFolderReader {
public:
  TWinFolderReader(std::wstring folder, TFindHandle&& find, const WIN32_FIND_DATAW& first)
      : FFolder(std::move(folder)), FFind(std::move(find)), FData(first) {}

  std::optional<TFolderIdentity> Identity() override {
    // No access rights are needed to read a handle's identity; backup
    // semantics let CreateFile open a folder, and a junction or link is
    // followed to the folder it stands for.
    TFileHandle folder(CreateFileW(FFolder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder.Get(), &info)) return std::nullopt;
    return TFolderIdentity{info.dwVolumeSerialNumber,
                           (uint64_t(info.nFileIndexHigh) << 32) | uint64_t(info.nFileIndexLow)};
  }

  bool Next(TFolderEntry& entry) override {
    if (FPending) {
      FPending = false;
    } else if (!FindNextFileW(FFind.Get(), &FData)) {
      return false;
    }
    entry.Name = Utf8Of(FData.cFileName);
    entry.Kind = (FData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ekFolder : ekFile;
    // With placeholders exposed, the listing itself says which files are
    // kept only online, so no file needs to be asked (or opened) for it.
    entry.Attributes = FData.dwFileAttributes;
    return true;
  }

private:
  std::wstring FFolder;
  TFindHandle FFind;
  WIN32_FIND_DATAW FData;
  // The entry FindFirstFileExW returned is still to be handed out.
  bool FPending = true;
};

class TWinFolderEnumerator : public TFolderEnumerator {
public:
  explicit TWinFolderEnumerator(bool fastFind) : FFastFind(fastFind) {}

  std::unique_ptr<TFolderReader> Open(const std::string& folder) override {
    std::wstring wideFolder = WideOf(folder);
    const std::wstring pattern = wideFolder + L"*.*";
    WIN32_FIND_DATAW data;
    auto plainFind = [&] {
      return FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0);
    };
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (FFastFind) {
      // The basic level leaves out the short 8.3 name the scan never uses, and
      // large fetches cut the round trips to the file system. Systems before
      // Windows 7 refuse both as an invalid parameter; once the plain call
      // then succeeds, the refusal is remembered.
      handle = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
      if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
        handle = plainFind();
        if (handle != INVALID_HANDLE_VALUE) FFastFind = false;
      }
    } else {
      handle = plainFind();
    }
    TFindHandle find(handle);
    if (!find) return nullptr;
    return std::make_unique<TWinFolderReader>(std::move(wideFolder), std::move(find), data);
  }

private:
  bool FFastFind;
};

}  // namespace

void ExposeCloudPlaceholders() {
  // RtlSetProcessPlaceholderCompatibilityMode's documented mode; the
  // function and its modes are missing from Debian's mingw-w64 headers.
  constexpr CHAR kExposePlaceholders = 2;
  using TSetPlaceholderMode = CHAR(NTAPI*)(CHAR);
  if (auto setMode = TSystemLibrary::Named(L"ntdll.dll")
                         .Function<TSetPlaceholderMode>("RtlSetProcessPlaceholderCompatibilityMode"))
    setMode(kExposePlaceholders);
}

std::unique_ptr<TFolderEnumerator> NewWindowsFolderEnumerator(bool fastFind) {
  return std::make_unique<TWinFolderEnumerator>(fastFind);
}

TFolderEnumerator& PlatformFolderEnumerator() {
  static TWinFolderEnumerator enumerator(true);
  return enumerator;
}

void ScanFolder(const std::string& folder, TStringList& list) {
  ScanFolder(folder, list, PlatformFolderEnumerator());
}

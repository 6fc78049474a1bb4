#include "app/Discovery.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/CancelToken.h"
#include "framework/Classes.h"
#include "framework/OwnedHandle.h"
#include "picture/FolderList.h"
#include "picture/HiddenList.h"
#include "picture/OtherFormats.h"

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#endif

bool IsPictureFile(const std::string& name) {
#ifdef _WIN32
  const char* const kStops = ".\\:";
#else
  const char* const kStops = "./";
#endif
  const size_t stop = name.find_last_of(kStops);
  if (stop == std::string::npos || name[stop] != '.') return false;
  const size_t length = name.size() - stop;
  if (IsOtherPictureExtension(LowerCaseFileName(name.substr(stop + 1)))) return true;
  if (length != 4 && length != 5) return false;
  const std::string extension = LowerCaseFileName(name.substr(stop));
  return extension == ".bmp" || extension == ".jpg" || extension == ".jpeg";
}

namespace {

class TScan {
public:
  TScan(TStringList& list, TFolderEnumerator& enumerator, TScanFilter& filter)
      : FList(list), FEnumerator(enumerator), FFilter(filter) {}

  void Folder(std::string folder) {
    if (Cancelled()) return;
    if (folder.back() != PathDelim) folder += PathDelim;
    std::unique_ptr<TFolderReader> reader = FEnumerator.Open(folder);
    if (!reader) return;

    // Without an identity the folder cannot be recognised again; the path
    // length limit still ends a cycle through it.
    const std::optional<TFolderIdentity> identity = reader->Identity();
    if (identity) {
      if (std::find(FPath.begin(), FPath.end(), *identity) != FPath.end()) return;
      FPath.push_back(*identity);
    }

    TFolderEntry entry;
    while (reader->Next(entry)) {
      if (++FEntries % kScanCancelStride == 0 && Cancelled()) break;
      if (entry.Kind == ekFolder) {
        if (entry.Name != "." && entry.Name != "..") Folder(folder + entry.Name);
      } else if (entry.Kind == ekFile && IsPictureFile(entry.Name)) {
        const std::string path = folder + entry.Name;
        if (FFilter.Hidden && FFilter.Hidden->Contains(path)) continue;
        // Only the listing is looked at: the file itself is never touched.
        if (!FFilter.TakeOnlineOnly && IsOnlineOnly(entry.Attributes))
          ++FFilter.LeftOut;
        else
          FList.Add(path);
      }
    }
    if (identity) FPath.pop_back();
  }

private:
  bool Cancelled() {
    if (!FStopped) FStopped = TCancelScope::Cancelled();
    return FStopped;
  }

  TStringList& FList;
  TFolderEnumerator& FEnumerator;
  TScanFilter& FFilter;
  bool FStopped = false;
  uint64_t FEntries = 0;
  // The identities of the folders from the scanned one down to the current.
  std::vector<TFolderIdentity> FPath;
};

}  // namespace

void ScanFolder(const std::string& folder, TStringList& list, TFolderEnumerator& enumerator,
                TScanFilter& filter) {
  // No folder at all is nothing to scan, not the root of the current drive.
  if (folder.empty()) return;
  TScan(list, enumerator, filter).Folder(folder);
}

void ScanFolder(const std::string& folder, TStringList& list, TFolderEnumerator& enumerator) {
  TScanFilter everything{true};
  ScanFolder(folder, list, enumerator, everything);
}

#ifndef _WIN32

namespace {

using TDirHandle = TOwnedHandle<DIR*, &closedir>;

class TPosixFolderReader : public TFolderReader {
public:
  TPosixFolderReader(const std::string& folder, TDirHandle&& dir) : FFolder(folder), FDir(std::move(dir)) {}

  std::optional<TFolderIdentity> Identity() override {
    struct stat info;
    if (fstat(dirfd(FDir.Get()), &info) != 0) return std::nullopt;
    return TFolderIdentity{uint64_t(info.st_dev), uint64_t(info.st_ino)};
  }

  bool Next(TFolderEntry& entry) override {
    const dirent* found = readdir(FDir.Get());
    if (!found) return false;
    entry.Name = found->d_name;
    entry.Attributes = 0;
    switch (found->d_type) {
      case DT_DIR: entry.Kind = ekFolder; break;
      case DT_REG: entry.Kind = ekFile; break;
      case DT_LNK:
      case DT_UNKNOWN: entry.Kind = KindOfTarget(entry.Name); break;
      default: entry.Kind = ekOther; break;
    }
    return true;
  }

private:
  // What a link (or an entry the directory does not type) leads to. Only
  // regular files count as files: a pipe or device named like a picture would
  // block or mislead the decoder.
  TEntryKind KindOfTarget(const std::string& name) const {
    struct stat info;
    if (stat((FFolder + name).c_str(), &info) != 0) return ekOther;
    if (S_ISDIR(info.st_mode)) return ekFolder;
    if (S_ISREG(info.st_mode)) return ekFile;
    return ekOther;
  }

  std::string FFolder;
  TDirHandle FDir;
};

class TPosixFolderEnumerator : public TFolderEnumerator {
public:
  std::unique_ptr<TFolderReader> Open(const std::string& folder) override {
    TDirHandle dir(opendir(folder.c_str()));
    if (!dir.Get()) return nullptr;
    return std::make_unique<TPosixFolderReader>(folder, std::move(dir));
  }
};

}  // namespace

TFolderEnumerator& PlatformFolderEnumerator() {
  static TPosixFolderEnumerator enumerator;
  return enumerator;
}

void ScanFolder(const std::string& folder, TStringList& list) {
  ScanFolder(folder, list, PlatformFolderEnumerator());
}

#endif

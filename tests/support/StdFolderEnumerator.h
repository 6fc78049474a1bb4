// Folder scans through std::filesystem, so that tests of the scan's callers
// run alike in both builds (the platform's own enumeration lives in the
// Windows library). Counts the folders it opens.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "app/Discovery.h"
#include "framework/Exceptions.h"
#include "support/TempFolder.h"

namespace vemo_test {

class TStdFolderReader : public TFolderReader {
public:
  explicit TStdFolderReader(const std::filesystem::path& folder) : FIterator(folder) {}
  std::optional<TFolderIdentity> Identity() override { return std::nullopt; }
  bool Next(TFolderEntry& entry) override {
    if (FIterator == std::filesystem::directory_iterator()) return false;
    entry.Name = Utf8FromPath(FIterator->path().filename());
    entry.Kind = FIterator->is_directory() ? ekFolder : FIterator->is_regular_file() ? ekFile : ekOther;
    ++FIterator;
    return true;
  }

private:
  std::filesystem::directory_iterator FIterator;
};

class TStdFolderEnumerator : public TFolderEnumerator {
public:
  int Opened = 0;
  // When set, every open raises it, as a scan that breaks down would.
  std::string Failure;
  std::unique_ptr<TFolderReader> Open(const std::string& folder) override {
    ++Opened;
    if (!Failure.empty()) throw Exception(Failure);
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(folder);
    if (!std::filesystem::is_directory(path, error)) return nullptr;
    return std::make_unique<TStdFolderReader>(path);
  }
};

}  // namespace vemo_test

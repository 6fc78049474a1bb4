// Folder scans through std::filesystem, so that tests of the scan's callers
// run alike in both builds (the platform's own enumeration lives in the
// Windows library). Counts the folders it opens, and lists the attributes given.
#pragma once

#include <filesystem>
#include <map>
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
  TStdFolderReader(const std::filesystem::path& folder,
                   const std::map<std::filesystem::path, uint32_t>& given)
      : FIterator(folder), FGiven(given) {}
  std::optional<TFolderIdentity> Identity() override { return std::nullopt; }
  bool Next(TFolderEntry& entry) override {
    if (FIterator == std::filesystem::directory_iterator()) return false;
    entry.Name = Utf8FromPath(FIterator->path().filename());
    entry.Kind = FIterator->is_directory() ? ekFolder : FIterator->is_regular_file() ? ekFile : ekOther;
    entry.Attributes = FGiven.contains(FIterator->path()) ? FGiven.at(FIterator->path()) : 0;
    ++FIterator;
    return true;
  }

private:
  std::filesystem::directory_iterator FIterator;
  const std::map<std::filesystem::path, uint32_t>& FGiven;
};

class TStdFolderEnumerator : public TFolderEnumerator {
public:
  int Opened = 0;
  // When set, every open raises it, as a scan that breaks down would.
  std::string Failure;
  std::map<std::filesystem::path, uint32_t> Attributes;
  std::optional<uint32_t> AttributesOf(const std::string& file) const {
    if (!std::filesystem::is_regular_file(PathFromUtf8(file))) return std::nullopt;
    return Attributes.contains(PathFromUtf8(file)) ? Attributes.at(PathFromUtf8(file)) : 0;
  }
  std::unique_ptr<TFolderReader> Open(const std::string& folder) override {
    ++Opened;
    if (!Failure.empty()) throw Exception(Failure);
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(folder);
    if (!std::filesystem::is_directory(path, error)) return nullptr;
    return std::make_unique<TStdFolderReader>(path, Attributes);
  }
};

}  // namespace vemo_test

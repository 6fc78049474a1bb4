// Folder scans through std::filesystem, so that tests of the scan's callers
// run alike in both builds (the platform's own enumeration lives in the
// Windows library). Counts the folders it opens. Files may be given
// attributes the disk cannot hold (Wine keeps only the hidden and system
// bits): the listing and the attribute query both report them.
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

using TFakeAttributes = std::map<std::filesystem::path, uint32_t>;

class TStdFolderReader : public TFolderReader {
public:
  TStdFolderReader(const std::filesystem::path& folder, const TFakeAttributes& attributes)
      : FIterator(folder), FAttributes(attributes) {}
  std::optional<TFolderIdentity> Identity() override { return std::nullopt; }
  bool Next(TFolderEntry& entry) override {
    if (FIterator == std::filesystem::directory_iterator()) return false;
    entry.Name = Utf8FromPath(FIterator->path().filename());
    entry.Kind = FIterator->is_directory() ? ekFolder : FIterator->is_regular_file() ? ekFile : ekOther;
    const auto given = FAttributes.find(FIterator->path().lexically_normal());
    entry.Attributes = given == FAttributes.end() ? 0 : given->second;
    ++FIterator;
    return true;
  }

private:
  std::filesystem::directory_iterator FIterator;
  const TFakeAttributes& FAttributes;
};

class TStdFolderEnumerator : public TFolderEnumerator {
public:
  int Opened = 0;
  // When set, every open raises it, as a scan that breaks down would.
  std::string Failure;
  // Attributes of files, by path.
  TFakeAttributes Attributes;

  void SetAttributes(const std::string& file, uint32_t attributes) {
    Attributes[PathFromUtf8(file).lexically_normal()] = attributes;
  }
  // The query of a file's attributes, as the program's seam asks it.
  std::optional<uint32_t> AttributesOf(const std::string& file) const {
    const std::filesystem::path path = PathFromUtf8(file).lexically_normal();
    if (!std::filesystem::is_regular_file(path)) return std::nullopt;
    const auto given = Attributes.find(path);
    return given == Attributes.end() ? 0 : given->second;
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

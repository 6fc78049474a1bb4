// The settings store's file system through the C runtime, for the portable
// tests: rename(2) semantics where the system offers them; on Windows it
// removes the target before renaming over it.
#pragma once

#include <string>
#include <string_view>

#include "settings/ZoRegIni.h"

class TPortableFileSystem : public TFileSystem {
public:
  bool FileExists(const std::string& path) override;
  int CreateEmptyFile(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  TFileReadResult ReadWholeFile(const std::string& path, size_t limit, std::string& data) override;
  bool WriteFileAtomically(const std::string& path, std::string_view data) override;
};

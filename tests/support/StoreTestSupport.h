// Shared pieces of the settings-store tests: a throw-away folder, file
// helpers, a scripted first-run question and stand-ins that fail on purpose.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "settings/ZoRegIni.h"
#include "support/MemoryRegistry.h"
#include "support/PortableFileSystem.h"

namespace store_test {

inline std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A fresh folder below the system's temporary folder, removed with its contents.
class TScratchFolder {
public:
  TScratchFolder() {
    std::mt19937_64 random(std::random_device{}() ^
                           uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
      const std::filesystem::path candidate =
          base / ("vemo-settings-" + std::to_string(random() % 1000000000));
      if (std::filesystem::create_directory(candidate)) FPath = candidate;
    }
    if (FPath.empty()) throw std::runtime_error("no fresh temporary folder");
  }
  ~TScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(FPath, error);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  // The UTF-8 path of name inside the folder.
  std::string operator/(const std::string& name) const { return Utf8Path(FPath / FsPath(name)); }

private:
  std::filesystem::path FPath;
};

inline bool Exists(const std::string& path) { return std::filesystem::exists(FsPath(path)); }

inline std::string ReadBytes(const std::string& path) {
  std::string data;
  TPortableFileSystem files;
  EXPECT_EQ(files.ReadWholeFile(path, 1 << 30, data), frRead) << path;
  return data;
}

inline void WriteBytes(const std::string& path, const std::string& data) {
  TPortableFileSystem files;
  ASSERT_TRUE(files.WriteFileAtomically(path, data)) << path;
}

// Answers the first-run question as told and counts how often it was asked.
class TScriptedQuestion : public TStorageQuestion {
public:
  bool AskUseIniFile() override {
    ++Asked;
    return Answer;
  }
  bool Answer = true;
  int Asked = 0;
};

// The real files, with failures on demand.
class TFaultyFileSystem : public TPortableFileSystem {
public:
  int CreateEmptyFile(const std::string& path) override {
    return CreateError != 0 ? CreateError : TPortableFileSystem::CreateEmptyFile(path);
  }
  bool RemoveFile(const std::string& path) override {
    return !FailRemove && TPortableFileSystem::RemoveFile(path);
  }
  bool WriteFileAtomically(const std::string& path, std::string_view data) override {
    ++Writes;
    return !FailWrite && TPortableFileSystem::WriteFileAtomically(path, data);
  }
  int CreateError = 0;
  bool FailRemove = false;
  bool FailWrite = false;
  int Writes = 0;
};

// Registry access whose value writes fail, the rest passing through.
class TWriteRefusingRegistry : public TRegistryAccess {
public:
  explicit TWriteRefusingRegistry(std::unique_ptr<TRegistryAccess> inner) : FInner(std::move(inner)) {}
  bool KeyExists(const std::string& path) override { return FInner->KeyExists(path); }
  bool CreateKey(const std::string& path) override { return FInner->CreateKey(path); }
  bool OpenKey(const std::string& path, bool canCreate) override { return FInner->OpenKey(path, canCreate); }
  void CloseKey() override { FInner->CloseKey(); }
  bool DeleteKeyTree(const std::string& path) override { return FInner->DeleteKeyTree(path); }
  TRegistryReadResult ReadValue(const std::string& name, TRegistryValue& value) override {
    return FInner->ReadValue(name, value);
  }
  bool WriteValue(const std::string&, const TRegistryValue&) override { return false; }
  std::vector<std::string> ValueNames() override { return FInner->ValueNames(); }

private:
  std::unique_ptr<TRegistryAccess> FInner;
};

// The message of the exception fn raises, or "" when it raises none.
template <typename F>
std::string ErrorOf(F&& fn) {
  try {
    fn();
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace store_test

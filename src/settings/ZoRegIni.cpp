#include "settings/ZoRegIni.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "framework/Streams.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

const char* const kStorageQuestionText =
    "アプリケーションの設定をINIファイルに保存します。よろしいですか？\r\r"
    "INIファイルに保存した場合、アンインストールなどが容易になりますが、\r"
    "マルチユーザー環境では設定が共有されてしまいます。\r\r"
    "INIファイルを使用する場合は「はい」を、\r"
    "レジストリを使用する場合は「いいえ」を選択して下さい。";
const char* const kStorageQuestionCaption = "確認";
const char* const kStorageQuestionYes = "はい(&Y)";
const char* const kStorageQuestionNo = "いいえ(&N)";

namespace {

const char* const kNoSectionMessage = "カレントセクションが設定されていません。";
const char* const kDeleteFailedMessage = "古い形式の設定が削除できませんでした";

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

// Where the file name starts: after the last separator a Windows path can have.
size_t FileNameStart(const std::string& path) {
  const size_t separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? 0 : separator + 1;
}

// Where the extension starts (its "."), or npos.
size_t ExtensionStart(const std::string& path) {
  const size_t dot = path.rfind('.');
  return dot == std::string::npos || dot < FileNameStart(path) ? std::string::npos : dot;
}

}  // namespace

std::string FileCreateErrorText(int code) {
  switch (code) {
    case 2: return "ファイルが見つかりません";
    case 3: return "不正なファイル名です";
    case 4: return "オープンしたファイルが多すぎます";
    case 5: return "ファイルへのアクセスが拒否されました";
    default: return "I/O エラー (" + std::to_string(code) + ")";
  }
}

TRegistryValue RegistryDword(uint32_t value) {
  TRegistryValue result;
  result.Type = rtDword;
  for (int i = 0; i < 4; ++i) result.Data.push_back(uint8_t(value >> (8 * i)));
  return result;
}

TRegistryValue RegistryString(const std::string& text, uint32_t type) {
  TRegistryValue result;
  result.Type = type;
  std::u16string wide = Utf8ToUtf16(text);
  wide.push_back(u'\0');
  for (char16_t unit : wide) {
    result.Data.push_back(uint8_t(unit & 0xFF));
    result.Data.push_back(uint8_t(unit >> 8));
  }
  return result;
}

// ---------------------------------------------------------------------------
// The store

std::string TZoIniFile2::GetAppName(const TStorageEnvironment& environment) {
  const std::string& path = environment.ExePath();
  const size_t start = FileNameStart(path);
  const size_t dot = ExtensionStart(path);
  return path.substr(start, (dot == std::string::npos ? path.size() : dot) - start);
}

std::string TZoIniFile2::GetIniFileName(const TStorageEnvironment& environment) {
  const std::string& path = environment.ExePath();
  return path.substr(0, std::min(ExtensionStart(path), path.size())) + ".ini";
}

std::string TZoIniFile2::KeyPathOf(const std::string& appName, const std::string& section) {
  std::string path = "\\Software\\Orvane\\" + appName;
  if (!section.empty()) path += "\\" + section;
  return path;
}

bool TZoIniFile2::LocateStorage(const TStorageEnvironment& environment, TStoragePlace& place,
                                std::unique_ptr<TRegistryAccess>* keptRegistry) {
  std::unique_ptr<TRegistryAccess> registry = environment.NewRegistry();
  bool found = false;
  if (registry->KeyExists(KeyPathOf(GetAppName(environment), ""))) {
    place = spRegistry;
    found = true;
  } else if (environment.Files().FileExists(GetIniFileName(environment))) {
    place = spIniFile;
    found = true;
    registry.reset();
  }
  if (keptRegistry) *keptRegistry = std::move(registry);
  return found;
}

bool TZoIniFile2::QueryStorage(const TStorageEnvironment& environment, TStoragePlace& place) {
  return LocateStorage(environment, place);
}

void TZoIniFile2::CreateStorage(const TStorageEnvironment& environment, TStoragePlace place,
                                TRegistryAccess* registry) {
  if (place == spIniFile) {
    const std::string fileName = GetIniFileName(environment);
    if (environment.Files().FileExists(fileName)) return;
    const int code = environment.Files().CreateEmptyFile(fileName);
    if (code != 0) throw ESettingsStoreError(FileCreateErrorText(code));
    return;
  }
  std::unique_ptr<TRegistryAccess> own;
  if (!registry) {
    own = environment.NewRegistry();
    registry = own.get();
  }
  const std::string path = KeyPathOf(GetAppName(environment), "");
  if (!registry->CreateKey(path)) throw ESettingsStoreError("キー " + path + " の作成に失敗しました");
}

void TZoIniFile2::MoveStorage(const TStorageEnvironment& environment, TStoragePlace newPlace) {
  TStoragePlace oldPlace = newPlace;
  std::unique_ptr<TRegistryAccess> registry;
  if (!LocateStorage(environment, oldPlace, &registry) || oldPlace == newPlace) return;
  bool deleted = true;
  if (oldPlace == spIniFile) {
    const std::string fileName = GetIniFileName(environment);
    if (environment.Files().FileExists(fileName)) deleted = environment.Files().RemoveFile(fileName);
  } else {
    const std::string path = KeyPathOf(GetAppName(environment), "");
    if (registry->KeyExists(path)) deleted = registry->DeleteKeyTree(path);
  }
  if (!deleted) throw ESettingsStoreError(kDeleteFailedMessage);
  try {
    CreateStorage(environment, newPlace, registry.get());
  } catch (...) {
    // The old place comes back, empty, so that the settings the program still
    // holds can be saved into it again; with no place at all the next start
    // would ask the first-run question and begin from the defaults.
    try {
      CreateStorage(environment, oldPlace, registry.get());
    } catch (...) {
    }
    throw;
  }
}

TZoIniFile2::TZoIniFile2(const TStorageEnvironment& environment)
    : FEnvironment(environment),
      FAppName(GetAppName(environment)),
      FIniFileName(GetIniFileName(environment)) {
  std::unique_ptr<TRegistryAccess> registry;
  if (!LocateStorage(environment, FPlace, &registry)) {
    FPlace = environment.Question().AskUseIniFile() ? spIniFile : spRegistry;
  }
  if (FPlace == spIniFile) {
    registry.reset();
    CreateStorage(environment, spIniFile);
    FIniFile = std::make_unique<TMemIniFile>(FIniFileName);
    std::string text;
    switch (environment.Files().ReadWholeFile(FIniFileName, kMaxIniFileSize, text)) {
      case frRead: FIniFile->SetText(text); break;
      case frMissing: break;
      case frTooLarge:
        throw ESettingsStoreError("ファイル " + FIniFileName + " は大きすぎるため読み込めません");
      case frFailed: throw ESettingsStoreError("ファイル " + FIniFileName + " を開けません");
    }
  } else {
    if (!registry) registry = environment.NewRegistry();
    CreateStorage(environment, spRegistry, registry.get());
    FRegistry = std::move(registry);
  }
}

TZoIniFile2::~TZoIniFile2() = default;

void TZoIniFile2::CheckSection() const {
  if (!FHasSection) throw ESettingsStoreError(kNoSectionMessage);
}

void TZoIniFile2::OpenSection(const std::string& section, bool canCreate) {
  if (FPlace == spIniFile) {
    FHasSection = true;
    FSection = section;
    return;
  }
  FRegistry->CloseKey();
  FHasSection = FRegistry->OpenKey(GetKeyPath(section), canCreate);
  FSection = FHasSection ? section : std::string();
}

bool TZoIniFile2::SectionExists(const std::string& section) {
  if (FPlace == spIniFile) return FIniFile->SectionExists(section);
  return FRegistry->KeyExists(GetKeyPath(section));
}

bool TZoIniFile2::ReadRegistryValue(const std::string& name, TRegistryValue& value) {
  if (!FHasSection) return false;
  switch (FRegistry->ReadValue(name, value)) {
    case rrValue: return true;
    case rrNoValue: return false;
    case rrReadFailed: break;
  }
  throw ESettingsStoreError(Quoted(name) + " の取得に失敗しました");
}

int32_t TZoIniFile2::ReadInteger(const std::string& name, int32_t defaultValue) {
  if (FPlace == spIniFile) return FIniFile->ReadInteger(FSection, name, defaultValue);
  TRegistryValue value;
  if (!ReadRegistryValue(name, value)) return defaultValue;
  if (value.Type != rtDword || value.Data.size() != 4)
    throw ESettingsStoreError(Quoted(name) + " のデータ型が不正です");
  uint32_t result = 0;
  for (int i = 3; i >= 0; --i) result = (result << 8) | value.Data[size_t(i)];
  return static_cast<int32_t>(result);
}

std::string TZoIniFile2::ReadString(const std::string& name, const std::string& defaultValue) {
  if (FPlace == spIniFile) return FIniFile->ReadString(FSection, name, defaultValue);
  TRegistryValue value;
  if (!ReadRegistryValue(name, value)) return defaultValue;
  if (value.Type != rtString && value.Type != rtExpandString) {
    throw ESettingsStoreError(Quoted(name) + " のデータ型が不正です");
  }
  // The text ends at its first NUL; a value stored without one (or with an
  // odd byte left over) still reads as the whole characters it holds.
  std::u16string wide;
  for (size_t i = 0; i + 1 < value.Data.size(); i += 2) {
    const char16_t unit = char16_t(value.Data[i] | (value.Data[i + 1] << 8));
    if (unit == u'\0') break;
    wide.push_back(unit);
  }
  return Utf16ToUtf8(wide);
}

void TZoIniFile2::WriteInteger(const std::string& name, int32_t value) {
  CheckSection();
  if (FPlace == spIniFile) {
    FIniFile->WriteInteger(FSection, name, value);
  } else if (!FRegistry->WriteValue(name, RegistryDword(static_cast<uint32_t>(value)))) {
    throw ESettingsStoreError(Quoted(name) + " の設定に失敗しました");
  }
}

void TZoIniFile2::WriteString(const std::string& name, const std::string& value) {
  CheckSection();
  if (FPlace == spIniFile) {
    FIniFile->WriteString(FSection, name, value);
  } else if (!FRegistry->WriteValue(name, RegistryString(value))) {
    throw ESettingsStoreError(Quoted(name) + " の設定に失敗しました");
  }
}

std::vector<std::string> TZoIniFile2::ValueNames() {
  if (FPlace == spIniFile) return FIniFile->ReadSection(FSection);
  return FHasSection ? FRegistry->ValueNames() : std::vector<std::string>();
}

void TZoIniFile2::UpdateFile() {
  OpenSection("", false);
  if (FPlace != spIniFile) return;
  // Encoding comes first: a text code page 932 cannot hold stops the save
  // before the file is touched.
  const std::string text = FIniFile->GetText();
  if (!FEnvironment.Files().WriteFileAtomically(FIniFileName, text)) {
    throw ESettingsStoreError("ファイル " + FIniFileName + " を作成できません");
  }
}

// ---------------------------------------------------------------------------
// Files through the C runtime

namespace {

std::filesystem::path FsPath(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// The system's error for a file that could not be made, in Windows numbering.
int CreateErrorCode(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return 5;
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return 3;
    case EMFILE:
    case ENFILE: return 4;
    default: return error;
  }
}

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

}  // namespace

bool TPortableFileSystem::FileExists(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(FsPath(path), error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

int TPortableFileSystem::CreateEmptyFile(const std::string& path) {
  errno = 0;
  std::FILE* file = OpenFileUtf8(path, "wb");
  if (!file) return CreateErrorCode(errno != 0 ? errno : EIO);
  return std::fclose(file) == 0 ? 0 : CreateErrorCode(errno != 0 ? errno : EIO);
}

bool TPortableFileSystem::RemoveFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::remove(FsPath(path), error) && !error;
}

TFileReadResult TPortableFileSystem::ReadWholeFile(const std::string& path, size_t limit, std::string& data) {
  data.clear();
  if (!FileExists(path)) {
    std::error_code error;
    return std::filesystem::exists(FsPath(path), error) ? frFailed : frMissing;
  }
  TFilePtr file(OpenFileUtf8(path, "rb"));
  if (!file) return frFailed;
  // Grows in steps up to one byte past the limit, so that a huge file is
  // never allocated whole.
  constexpr size_t kStep = 64 * 1024;
  for (;;) {
    const size_t before = data.size();
    const size_t want = std::min(kStep, limit + 1 - before);
    data.resize(before + want);
    const size_t got = std::fread(data.data() + before, 1, want, file.get());
    data.resize(before + got);
    if (data.size() > limit) {
      data.clear();
      return frTooLarge;
    }
    if (got < want) break;
  }
  if (std::ferror(file.get())) {
    data.clear();
    return frFailed;
  }
  return frRead;
}

namespace {

std::string Utf8OfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Opens a new file for writing, never one that is there already.
std::FILE* CreateNewFile(const std::filesystem::path& path) {
#ifdef _WIN32
  const int descriptor =
      _wopen(path.wstring().c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return nullptr;
  std::FILE* file = _fdopen(descriptor, "wb");
  if (!file) _close(descriptor);
#else
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* file = ::fdopen(descriptor, "wb");
  if (!file) ::close(descriptor);
#endif
  return file;
}

// Writes data into an open file and makes it reach the disk.
bool WriteAndFlush(std::FILE* file, std::string_view data) {
  bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size() && std::fflush(file) == 0;
#ifndef _WIN32
  written = written && ::fsync(fileno(file)) == 0;
#endif
  return std::fclose(file) == 0 && written;
}

}  // namespace

bool TPortableFileSystem::WriteFileAtomically(const std::string& path, std::string_view data) {
  std::error_code error;
  // A link stays a link: the file it leads to is the one replaced, beside itself.
  std::filesystem::path target = FsPath(path);
  if (std::filesystem::is_symlink(target, error)) {
    const std::filesystem::path resolved = std::filesystem::canonical(target, error);
    if (!error) target = resolved;
  }
  // A name of our own: "x" (exclusive) never opens a file that is there already.
  std::FILE* file = nullptr;
  std::filesystem::path temporary;
  for (int attempt = 0; !file && attempt < 100; ++attempt) {
    temporary = target;
    temporary += ".~" + std::to_string(attempt) + ".tmp";
    file = CreateNewFile(temporary);
    if (!file && errno != EEXIST) break;
  }
  if (file) {
    bool swapped = WriteAndFlush(file, data);
#ifdef _WIN32
    // The C runtime cannot rename over an existing file here.
    if (swapped && std::filesystem::exists(target, error)) std::filesystem::remove(target, error);
#endif
    if (swapped) std::filesystem::rename(temporary, target, error);
    swapped = swapped && !error;
    if (swapped) return true;
    std::filesystem::remove(temporary, error);
  }
  // Where only the file itself may be written, it is rewritten in place.
  const std::string targetName = Utf8OfPath(target);
  std::FILE* inPlace = OpenFileUtf8(targetName, "r+b");
  if (!inPlace) inPlace = OpenFileUtf8(targetName, "wb");
  if (!inPlace) return false;
  if (!WriteAndFlush(inPlace, data)) return false;
  std::filesystem::resize_file(target, data.size(), error);
  return !error;
}

// ---------------------------------------------------------------------------
// The registry in memory

namespace {

std::string FoldName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return folded;
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

struct TMemoryRegistry::TKey {
  std::string Name;
  bool Locked = false;
  std::map<std::string, std::unique_ptr<TKey>> Subkeys;  // by folded name
  std::vector<std::pair<std::string, TRegistryValue>> Values;

  TKey* Find(const std::string& path) {
    TKey* key = this;
    for (const std::string& part : SplitKeyPath(path)) {
      const auto it = key->Subkeys.find(FoldName(part));
      if (it == key->Subkeys.end()) return nullptr;
      key = it->second.get();
    }
    return key;
  }
  // Creates what is missing of path; nullptr when a locked key is in the way.
  TKey* Create(const std::string& path) {
    TKey* key = this;
    for (const std::string& part : SplitKeyPath(path)) {
      const auto it = key->Subkeys.find(FoldName(part));
      if (it != key->Subkeys.end()) {
        key = it->second.get();
        continue;
      }
      if (key->Locked) return nullptr;
      auto child = std::make_unique<TKey>();
      child->Name = part;
      key = (key->Subkeys[FoldName(part)] = std::move(child)).get();
    }
    return key;
  }
  std::pair<std::string, TRegistryValue>* FindValue(const std::string& name) {
    const std::string folded = FoldName(name);
    for (auto& value : Values) {
      if (FoldName(value.first) == folded) return &value;
    }
    return nullptr;
  }
};

class TMemoryRegistryAccess : public TRegistryAccess {
public:
  explicit TMemoryRegistryAccess(TMemoryRegistry& registry) : FRegistry(registry) {}

  bool KeyExists(const std::string& path) override { return FRegistry.FRoot->Find(path) != nullptr; }
  bool CreateKey(const std::string& path) override { return FRegistry.FRoot->Create(path) != nullptr; }
  bool OpenKey(const std::string& path, bool canCreate) override {
    CloseKey();
    TMemoryRegistry::TKey* key = canCreate ? FRegistry.FRoot->Create(path) : FRegistry.FRoot->Find(path);
    if (!key || key->Locked) return false;
    FOpenPath = path;
    FOpen = true;
    return true;
  }
  void CloseKey() override { FOpen = false; }
  bool DeleteKeyTree(const std::string& path) override {
    const std::vector<std::string> parts = SplitKeyPath(path);
    if (parts.empty()) return false;
    TMemoryRegistry::TKey* key = FRegistry.FRoot->Find(path);
    if (!key) return false;
    DeleteSubkeys(*key);
    if (key->Locked || !key->Subkeys.empty()) return false;
    std::string parent;
    for (size_t i = 0; i + 1 < parts.size(); ++i) parent += "\\" + parts[i];
    FRegistry.FRoot->Find(parent)->Subkeys.erase(FoldName(parts.back()));
    return true;
  }
  TRegistryReadResult ReadValue(const std::string& name, TRegistryValue& value) override {
    TMemoryRegistry::TKey* key = OpenedKey();
    const auto* found = key ? key->FindValue(name) : nullptr;
    if (!found) return rrNoValue;
    value = found->second;
    return rrValue;
  }
  bool WriteValue(const std::string& name, const TRegistryValue& value) override {
    TMemoryRegistry::TKey* key = OpenedKey();
    if (!key || key->Locked) return false;
    if (auto* found = key->FindValue(name)) {
      found->second = value;
    } else {
      key->Values.emplace_back(name, value);
    }
    return true;
  }
  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    if (TMemoryRegistry::TKey* key = OpenedKey()) {
      for (const auto& value : key->Values) names.push_back(value.first);
    }
    return names;
  }

private:
  // The open key, unless someone deleted it meanwhile.
  TMemoryRegistry::TKey* OpenedKey() { return FOpen ? FRegistry.FRoot->Find(FOpenPath) : nullptr; }

  // Subkeys go deepest first; a locked one stays, and with it its parents.
  static void DeleteSubkeys(TMemoryRegistry::TKey& key) {
    for (auto it = key.Subkeys.begin(); it != key.Subkeys.end();) {
      DeleteSubkeys(*it->second);
      if (!it->second->Locked && it->second->Subkeys.empty()) {
        it = key.Subkeys.erase(it);
      } else {
        ++it;
      }
    }
  }

  TMemoryRegistry& FRegistry;
  bool FOpen = false;
  std::string FOpenPath;
};

TMemoryRegistry::TMemoryRegistry() : FRoot(std::make_unique<TKey>()) {}
TMemoryRegistry::~TMemoryRegistry() = default;

std::unique_ptr<TRegistryAccess> TMemoryRegistry::NewAccess() {
  return std::make_unique<TMemoryRegistryAccess>(*this);
}

bool TMemoryRegistry::HasKey(const std::string& path) const { return FRoot->Find(path) != nullptr; }

std::vector<std::string> TMemoryRegistry::SubkeyNames(const std::string& path) const {
  std::vector<std::string> names;
  if (const TKey* key = FRoot->Find(path)) {
    for (const auto& subkey : key->Subkeys) names.push_back(subkey.second->Name);
  }
  return names;
}

bool TMemoryRegistry::GetValue(const std::string& keyPath, const std::string& name,
                               TRegistryValue& value) const {
  TKey* key = FRoot->Find(keyPath);
  const auto* found = key ? key->FindValue(name) : nullptr;
  if (found) value = found->second;
  return found != nullptr;
}

void TMemoryRegistry::SetValue(const std::string& keyPath, const std::string& name,
                               const TRegistryValue& value) {
  TKey* key = FRoot->Create(keyPath);
  if (!key) throw Exception("locked key on the way to " + keyPath);
  if (auto* found = key->FindValue(name)) {
    found->second = value;
  } else {
    key->Values.emplace_back(name, value);
  }
}

void TMemoryRegistry::Lock(const std::string& path) {
  TKey* key = FRoot->Create(path);
  if (key) key->Locked = true;
}

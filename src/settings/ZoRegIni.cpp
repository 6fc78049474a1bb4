#include "settings/ZoRegIni.h"

#include <algorithm>

#include "framework/Streams.h"

namespace {

const TTextId kNoSectionMessage = IDS_NO_SECTION;
const TTextId kDeleteFailedMessage = IDS_OLD_SETTINGS_NOT_DELETED;

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
    case 2: return LoadText(IDS_FILE_NOT_FOUND_CODE);
    case 3: return LoadText(IDS_BAD_FILE_NAME);
    case 4: return LoadText(IDS_TOO_MANY_OPEN_FILES);
    case 5: return LoadText(IDS_ACCESS_DENIED);
    default: return FormatText(IDS_IO_ERROR, {code});
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
  if (!registry->CreateKey(path)) throw ESettingsStoreError(IDS_KEY_CREATE_FAILED, {path});
}

bool TZoIniFile2::MoveStorage(const TStorageEnvironment& environment, TStoragePlace newPlace) {
  TStoragePlace oldPlace = newPlace;
  std::unique_ptr<TRegistryAccess> registry;
  if (!LocateStorage(environment, oldPlace, &registry) || oldPlace == newPlace) return false;
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
  return true;
}

TZoIniFile2::TZoIniFile2(const TStorageEnvironment& environment)
    : FEnvironment(environment),
      FAppName(GetAppName(environment)),
      FIniFileName(GetIniFileName(environment)) {
  std::unique_ptr<TRegistryAccess> registry;
  if (!LocateStorage(environment, FPlace, &registry)) {
    FPlace = environment.Question().AskUseIniFile() ? spIniFile : spRegistry;
    FNewPlace = true;
  }
  if (FPlace == spIniFile) {
    registry.reset();
    CreateStorage(environment, spIniFile);
    FIniFile = std::make_unique<TMemIniFile>(FIniFileName);
    std::string text;
    switch (environment.Files().ReadWholeFile(FIniFileName, kMaxIniFileSize, text)) {
      case frRead: FIniFile->SetText(text); break;
      case frMissing: break;
      case frTooLarge: throw ESettingsStoreError(IDS_SETTINGS_FILE_TOO_LARGE, {FIniFileName});
      case frFailed: throw ESettingsStoreError(IDS_SETTINGS_FILE_OPEN_FAILED, {FIniFileName});
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
  throw ESettingsStoreError(IDS_VALUE_READ_FAILED, {name});
}

int32_t TZoIniFile2::ReadInteger(const std::string& name, int32_t defaultValue) {
  if (FPlace == spIniFile) return FIniFile->ReadInteger(FSection, name, defaultValue);
  TRegistryValue value;
  if (!ReadRegistryValue(name, value)) return defaultValue;
  if (value.Type != rtDword || value.Data.size() != 4)
    throw ESettingsStoreError(IDS_VALUE_WRONG_TYPE, {name});
  uint32_t result = 0;
  for (int i = 3; i >= 0; --i) result = (result << 8) | value.Data[size_t(i)];
  return static_cast<int32_t>(result);
}

std::string TZoIniFile2::ReadString(const std::string& name, const std::string& defaultValue) {
  if (FPlace == spIniFile) return FIniFile->ReadString(FSection, name, defaultValue);
  TRegistryValue value;
  if (!ReadRegistryValue(name, value)) return defaultValue;
  if (value.Type != rtString && value.Type != rtExpandString) {
    throw ESettingsStoreError(IDS_VALUE_WRONG_TYPE, {name});
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
    throw ESettingsStoreError(IDS_VALUE_WRITE_FAILED, {name});
  }
}

void TZoIniFile2::WriteString(const std::string& name, const std::string& value) {
  CheckSection();
  if (FPlace == spIniFile) {
    FIniFile->WriteString(FSection, name, value);
  } else if (!FRegistry->WriteValue(name, RegistryString(value))) {
    throw ESettingsStoreError(IDS_VALUE_WRITE_FAILED, {name});
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
    throw ESettingsStoreError(IDS_SETTINGS_FILE_CREATE_FAILED, {FIniFileName});
  }
}

#include "settings/Settings.h"

#include <algorithm>
#include <vector>

#include "common/ZoShell.h"

namespace {

const char* const kGeneral = "General";
const char* const kInterval = "Interval";
const char* const kLanguage = "Language";
const char* const kOnlineOnly = "OnlineOnly";
const char* const kFolders = "Folders";
const char* const kHidden = "Hidden";
const char* const kCount = "Count";

// The index a value name stands for when it is the plain decimal text of one
// below count (no sign, no leading zeros), or -1.
int32_t FolderIndex(const std::string& name, int32_t count) {
  if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0')) return -1;
  int64_t value = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value < count ? int32_t(value) : -1;
}

// Hands the paths of a list section to add in list order, empty ones left
// out, each as soon as it is read: an error further on keeps those.
void ReadList(TZoIniFile2& store, const char* section, const std::function<void(std::string)>& add) {
  store.OpenSection(section, false);
  const int32_t count = store.ReadInteger(kCount, 0);
  // Reading "0" to Count - 1 one by one would take forever for a Count edited
  // to two thousand million; only the names that exist can add a path, so
  // those are read, still in ascending order.
  std::vector<int32_t> indexes;
  for (const std::string& name : store.ValueNames()) {
    const int32_t index = FolderIndex(name, count);
    if (index >= 0) indexes.push_back(index);
  }
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  for (const int32_t index : indexes) {
    std::string path = store.ReadString(std::to_string(index), std::string());
    if (!path.empty()) add(std::move(path));
  }
}

void WriteList(TZoIniFile2& store, const char* section, const std::vector<std::string>& paths) {
  store.OpenSection(section, true);
  store.WriteInteger(kCount, int32_t(paths.size()));
  for (size_t i = 0; i < paths.size(); ++i) store.WriteString(std::to_string(i), paths[i]);
}

// The language in the open "General" section; one of the wrong type counts as
// none, since the program never writes it but on a move.
std::string ReadLanguage(TZoIniFile2& store) {
  try {
    return store.ReadString(kLanguage, std::string());
  } catch (const ESettingsStoreError&) {
    return std::string();
  }
}

bool HoldsValue(TZoIniFile2& store, const char* name) {
  for (const std::string& held : store.ValueNames())
    if (held == name) return true;
  return false;
}

void ReadSettings(const TStorageEnvironment& environment, const TSpecialFolderPathFunc& specialFolderPath,
                  TLoadedSettings& loaded) {
  TZoIniFile2 store(environment);
  loaded.FirstRun = store.NewPlace();
  TSettings& settings = loaded.Settings;
  store.OpenSection(kGeneral, false);
  settings.Interval = static_cast<uint16_t>(store.ReadInteger(kInterval, kDefaultInterval));
  settings.Language = ReadLanguage(store);
  // Anything but 1, of whatever type, leaves the downloads off.
  try {
    settings.OnlineOnly = store.ReadInteger(kOnlineOnly, 0) == 1;
  } catch (const ESettingsStoreError&) {
    settings.OnlineOnly = false;
  }
  TFolderList& folders = settings.Folders;
  folders.Clear();
  if (store.SectionExists(kFolders)) {
    ReadList(store, kFolders, [&folders](std::string folder) { folders.Add(folder); });
  } else {
    folders.Add(specialFolderPath(kCsidlPersonal));
  }
  settings.Hidden.clear();
  if (store.SectionExists(kHidden))
    ReadList(store, kHidden, [&settings](std::string path) { settings.Hidden.push_back(std::move(path)); });
}

void WriteSettings(const TStorageEnvironment& environment, const TSettings& settings, bool moved) {
  TZoIniFile2 store(environment);
  store.OpenSection(kGeneral, true);
  store.WriteInteger(kInterval, settings.Interval);
  if (settings.OnlineOnly || HoldsValue(store, kOnlineOnly))
    store.WriteInteger(kOnlineOnly, settings.OnlineOnly);
  // Only a language the user set by hand, into a place that has none yet.
  if (moved && !settings.Language.empty()) store.WriteString(kLanguage, settings.Language);
  std::vector<std::string> folders;
  for (int32_t i = 0; i < settings.Folders.Count(); ++i) folders.push_back(settings.Folders.Items(i));
  WriteList(store, kFolders, folders);
  if (!settings.Hidden.empty() || store.SectionExists(kHidden)) WriteList(store, kHidden, settings.Hidden);
  store.UpdateFile();
}

}  // namespace

TLoadedSettings LoadSettings(const TStorageEnvironment& environment,
                             const TSpecialFolderPathFunc& specialFolderPath) {
  TLoadedSettings loaded;
  try {
    ReadSettings(environment, specialFolderPath, loaded);
  } catch (const EStorageQuestionCancelled&) {
    // Nobody chose a place because the program is ending: nothing was read,
    // and nothing went wrong that anybody needs to be told.
  } catch (...) {
    loaded.Error = std::current_exception();
  }
  return loaded;
}

std::string LoadLanguage(const TStorageEnvironment& environment) {
  TStoragePlace place = spIniFile;
  if (!TZoIniFile2::QueryStorage(environment, place)) return std::string();
  try {
    TZoIniFile2 store(environment);
    store.OpenSection(kGeneral, false);
    return ReadLanguage(store);
  } catch (...) {
    return std::string();
  }
}

void SaveSettings(const TStorageEnvironment& environment, const TSettings& settings) {
  WriteSettings(environment, settings, false);
}

void MoveSettings(const TStorageEnvironment& environment, const TSettings& settings) {
  WriteSettings(environment, settings, TZoIniFile2::MoveStorage(environment, settings.Storage));
}

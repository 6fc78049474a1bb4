#include "settings/Settings.h"

#include <algorithm>
#include <vector>

#include "common/ZoShell.h"

namespace {

const char* const kGeneral = "General";
const char* const kInterval = "Interval";
const char* const kFolders = "Folders";
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

void ReadSettings(const TStorageEnvironment& environment, const TSpecialFolderPathFunc& specialFolderPath,
                  TSettings& settings) {
  uint16_t& interval = settings.Interval;
  TFolderList& folders = settings.Folders;
  TZoIniFile2 store(environment);
  store.OpenSection(kGeneral, false);
  interval = static_cast<uint16_t>(store.ReadInteger(kInterval, kDefaultInterval));
  folders.Clear();
  if (!store.SectionExists(kFolders)) {
    folders.Add(specialFolderPath(kCsidlPersonal));
    return;
  }
  store.OpenSection(kFolders, false);
  const int32_t count = store.ReadInteger(kCount, 0);
  // Reading "0" to Count - 1 one by one would take forever for a Count edited
  // to two thousand million; only the names that exist can add a folder, so
  // those are read, still in ascending order.
  std::vector<int32_t> indexes;
  for (const std::string& name : store.ValueNames()) {
    const int32_t index = FolderIndex(name, count);
    if (index >= 0) indexes.push_back(index);
  }
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  for (const int32_t index : indexes) {
    const std::string folder = store.ReadString(std::to_string(index), std::string());
    if (!folder.empty()) folders.Add(folder);
  }
}

}  // namespace

TLoadedSettings LoadSettings(const TStorageEnvironment& environment,
                             const TSpecialFolderPathFunc& specialFolderPath) {
  TLoadedSettings loaded;
  try {
    ReadSettings(environment, specialFolderPath, loaded.Settings);
  } catch (const EStorageQuestionCancelled&) {
    // Nobody chose a place because the program is ending: nothing was read,
    // and nothing went wrong that anybody needs to be told.
  } catch (...) {
    loaded.Error = std::current_exception();
  }
  return loaded;
}

void SaveSettings(const TStorageEnvironment& environment, const TSettings& settings) {
  const TFolderList& folders = settings.Folders;
  TZoIniFile2 store(environment);
  store.OpenSection(kGeneral, true);
  store.WriteInteger(kInterval, settings.Interval);
  store.OpenSection(kFolders, true);
  const int32_t count = folders.Count();
  store.WriteInteger(kCount, count);
  for (int32_t i = 0; i < count; ++i) store.WriteString(std::to_string(i), folders.Items(i));
  store.UpdateFile();
}

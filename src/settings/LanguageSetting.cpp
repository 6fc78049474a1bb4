#include "settings/LanguageSetting.h"

namespace {

const char* const kGeneral = "General";
const char* const kLanguage = "Language";

}  // namespace

std::string ReadLanguageSetting(const TStorageEnvironment& environment) {
  TStoragePlace place = spIniFile;
  if (!TZoIniFile2::QueryStorage(environment, place)) return std::string();
  try {
    TZoIniFile2 store(environment);
    store.OpenSection(kGeneral, false);
    return store.ReadString(kLanguage, std::string());
  } catch (const Exception&) {
    return std::string();
  }
}

void WriteLanguageSetting(const TStorageEnvironment& environment, const std::string& value) {
  TZoIniFile2 store(environment);
  store.OpenSection(kGeneral, true);
  store.WriteString(kLanguage, value);
  store.UpdateFile();
}

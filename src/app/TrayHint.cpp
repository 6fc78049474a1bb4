#include "app/TrayHint.h"

#include <cctype>

#include "picture/FolderList.h"

TWindowsFamily FamilyOf(const TWindowsVersion& version) {
  if (version.Major > 10 || (version.Major == 10 && version.Build >= kWindows11Build)) return wfWindows11;
  if (version.Major == 10) return wfWindows10;
  return wfWindows7;
}

namespace {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
constexpr size_t kGuidLength = 38;

bool IsGuid(const std::string& text) {
  if (text.size() != kGuidLength || text.front() != '{' || text.back() != '}') return false;
  for (size_t i = 1; i + 1 < kGuidLength; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

TIconPlace PlaceOfEntry(const TNotifyIconEntry& entry) {
  switch (entry.IsPromoted.State) {
    // The shell writes the value once the user has chosen; before that the
    // icon is where new icons go.
    case vsAbsent: return ipHidden;
    case vsPresent:
      return entry.IsPromoted.Value == 1 ? ipOnTaskbar : entry.IsPromoted.Value == 0 ? ipHidden : ipUnknown;
    case vsOdd: break;
  }
  return ipUnknown;
}

TIconPlace Windows11Place(const TTrayFacts& facts) {
  if (!facts.EntriesRead) return ipUnknown;
  std::optional<TIconPlace> place;
  for (const TNotifyIconEntry& entry : facts.Entries) {
    if (entry.ExecutablePath.State != vsPresent || entry.UID.State != vsPresent || entry.UID.Value != 0)
      continue;
    const std::optional<std::string> path = ExpandKnownFolder(entry.ExecutablePath.Value, facts.KnownFolder);
    if (!path || !SameFileName(*path, facts.ExePath)) continue;
    const TIconPlace entryPlace = PlaceOfEntry(entry);
    // Two entries for the icon that disagree: the shell's own state is not
    // what this program understands.
    if (place && *place != entryPlace) return ipUnknown;
    place = entryPlace;
  }
  // Not there yet: the shell may not have written it.
  return place.value_or(ipUnknown);
}

}  // namespace

std::optional<std::string> ExpandKnownFolder(const std::string& path, const TKnownFolderFunc& knownFolder) {
  if (path.empty() || path.front() != '{') return path;
  const std::string guid = path.substr(0, kGuidLength);
  if (!IsGuid(guid) || (path.size() > kGuidLength && path[kGuidLength] != '\\')) return std::nullopt;
  std::string folder = knownFolder ? knownFolder(guid) : std::string();
  if (folder.empty()) return std::nullopt;
  if (folder.back() == '\\' && path.size() > kGuidLength) folder.pop_back();
  return folder + path.substr(kGuidLength);
}

TIconPlace IconPlaceOf(const TTrayFacts& facts) {
  if (FamilyOf(facts.Version) == wfWindows11) return Windows11Place(facts);
  // Before Windows 11 the one switch that puts every icon on the taskbar is
  // all that is written down; each icon's own choice is kept in an
  // undocumented binary blob that is not read.
  if (facts.EnableAutoTray.State == vsPresent && facts.EnableAutoTray.Value == 0) return ipOnTaskbar;
  return ipUnknown;
}

TTrayHint TrayHintFor(TWindowsFamily family) {
  switch (family) {
    case wfWindows11: return {TText{IDS_HINT_TITLE}, TText{IDS_HINT_TEXT_11}, kTaskbarSettingsTarget};
    case wfWindows10: return {TText{IDS_HINT_TITLE}, TText{IDS_HINT_TEXT_10}, kTaskbarSettingsTarget};
    case wfWindows7: break;
  }
  return {TText{IDS_HINT_TITLE}, TText{IDS_HINT_TEXT_7}, kNotificationAreaIconsTarget};
}

bool TaskbarItemWanted(const TTrayFacts& facts) {
  return FamilyOf(facts.Version) == wfWindows11 && IconPlaceOf(facts) == ipHidden;
}

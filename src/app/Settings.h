// Loading and saving the settings of the main window: the interval and the
// registered folders, kept through the settings store (TZoIniFile2).
//
// Layout in the store: section "General" holds "Interval" (integer, 15 when
// absent); section "Folders" holds "Count" (integer) and the folders as
// strings named "0", "1", ... in list order. Without a "Folders" section the
// folder list is the user's documents folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "picture/FolderList.h"
#include "settings/ZoRegIni.h"

// The main window's state the settings cover, by reference.
struct TSettingsState {
  uint16_t& FInterval;     // seconds per picture in force
  uint16_t& FNewInterval;  // seconds per picture as last set: the one saved
  TFolderList& FFolderList;
};

// The shell's special-folder lookup (GetSpecialFolderPath in the Windows build).
using TSpecialFolderPathFunc = std::function<std::string(int csidl)>;

// Reads the settings into state; writes nothing. On a first run the store asks
// where to keep them and creates that place empty. Errors pass on, leaving the
// state as far as it got.
void LoadSettings(const TStorageEnvironment& environment, const TSpecialFolderPathFunc& specialFolderPath,
                  const TSettingsState& state);

// Writes the interval as last set and the whole folder list. Entries above the
// new count are left where they are; loading stops at the count.
void SaveSettings(const TStorageEnvironment& environment, const TSettingsState& state);

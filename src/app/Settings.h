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

// Seconds each picture stands: 15 when nothing is stored, 3 to 3600 as the
// configuration dialog offers it. A stored value outside the range (edited
// by hand) is kept as it is.
inline constexpr uint16_t kDefaultInterval = 15;
inline constexpr int32_t kIntervalMin = 3;
inline constexpr int32_t kIntervalMax = 3600;

// The shell's special-folder lookup (GetSpecialFolderPath in the Windows build).
using TSpecialFolderPathFunc = std::function<std::string(int csidl)>;

// Reads the interval and the folders; writes nothing. On a first run the store
// asks where to keep them and creates that place empty. Errors pass on,
// leaving interval and folders as far as they got.
void LoadSettings(const TStorageEnvironment& environment, const TSpecialFolderPathFunc& specialFolderPath,
                  uint16_t& interval, TFolderList& folders);

// Writes the interval (the one last set, which a fade may not have let into
// force yet) and the whole folder list. Entries above the new count are left
// where they are; loading stops at the count.
void SaveSettings(const TStorageEnvironment& environment, uint16_t interval, const TFolderList& folders);

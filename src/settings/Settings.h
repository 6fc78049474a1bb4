// The settings of the slideshow as plain values, and the one place they are
// loaded from, saved to and moved with (the settings store, TZoIniFile2).
// Everything above works on copies of TSettings; nothing else reads or writes
// the store's "General", "Folders" and "Hidden" sections.
//
// Layout in the store: section "General" holds "Interval" (integer, 15 when
// absent), "Language" (string, written by the user, never by the program
// except when the store moves) and "OnlineOnly" (integer, on only when 1).
// Sections "Folders" and "Hidden" each hold "Count" (integer) and their paths
// as strings named "0", "1", ... in list order. Without a "Folders" section
// the folder list is the user's documents folder.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "picture/FolderList.h"
#include "settings/ZoRegIni.h"

// Seconds each picture stands: 15 when nothing is stored, 3 to 3600 as the
// configuration dialog offers it. A stored value outside the range (edited
// by hand) is kept as it is.
inline constexpr uint16_t kDefaultInterval = 15;
inline constexpr int32_t kIntervalMin = 3;
inline constexpr int32_t kIntervalMax = 3600;

// What a round of the configuration dialog changed.
enum TConfigChange : uint8_t {
  ccInterval = 1,
  ccFolders = 2,
  ccStorage = 4,
  // The Pictures page: the online-only choice or the hidden pictures.
  ccPictures = 8,
};
// A set of TConfigChange bits; 0 is the empty set.
using TConfigChanges = uint8_t;

// The interval, the folder list and the place the store is kept in. A copy
// is a deep one: the folder list is copied entry by entry.
struct TSettings {
  uint16_t Interval = kDefaultInterval;
  TFolderList Folders;
  TStoragePlace Storage = spIniFile;
  // The user's choice of language as stored ("" for none): read before any
  // text is shown, and written only into a new place after a move.
  std::string Language;
  // Whether pictures kept only online (placeholders of a cloud folder) are
  // shown, each downloaded when its turn comes. Off unless the user said so.
  bool OnlineOnly = false;
  // Full paths of the pictures the user never wants to see again, in the
  // order they were hidden.
  std::vector<std::string> Hidden;

  TSettings() = default;
  TSettings(const TSettings& other) { *this = other; }
  TSettings& operator=(const TSettings& other) {
    Interval = other.Interval;
    if (&other != this) Folders.Assign(other.Folders);
    Storage = other.Storage;
    Language = other.Language;
    OnlineOnly = other.OnlineOnly;
    Hidden = other.Hidden;
    return *this;
  }
};

// The shell's special-folder lookup (GetSpecialFolderPath in the Windows build).
using TSpecialFolderPathFunc = std::function<std::string(int csidl)>;

// Settings as far as they could be read, and what stopped the reading.
struct TLoadedSettings {
  TSettings Settings;
  std::exception_ptr Error;
  // No settings existed: the first-run question was answered just now.
  bool FirstRun = false;
};

// Reads the interval and the folders (Storage stays the INI file: the store
// is asked for its place when that matters); writes nothing. On a first run
// the store asks where to keep them and creates that place empty; when that
// question is taken down unanswered, nothing is created and nothing read,
// and no error is handed back. An error ends the reading and is handed back
// with what was read until then, so that start-up goes on with it.
TLoadedSettings LoadSettings(const TStorageEnvironment& environment,
                             const TSpecialFolderPathFunc& specialFolderPath);

// Only the language as stored, before any text is shown: asks nothing,
// creates nothing and raises nothing. "" when there is no place yet, no value,
// a value that is not a string, or a store that cannot be read (the settings'
// own load reports that).
std::string LoadLanguage(const TStorageEnvironment& environment);

// Writes the settings into the place in use (settings.Storage is not looked
// at: moving the store is MoveSettings). Entries above a new count are left
// where they are; loading stops at the count. What a user may never have
// touched is written only when it says something or the store already holds
// it, so that such a user's INI file stays as it was: "OnlineOnly" while on,
// "Hidden" while not empty. "Language" is never written here.
void SaveSettings(const TStorageEnvironment& environment, const TSettings& settings);

// Moves the store to settings.Storage and saves the settings into the new
// place, the language the user chose by hand included. Nothing moves when the
// store already is there; the settings are saved all the same.
void MoveSettings(const TStorageEnvironment& environment, const TSettings& settings);

// Where Windows puts the icon, and the hint that tells a new user where it
// went. Windows hides new notification icons behind the arrow by default and
// lets only the user bring them out, so the program can only look and say.
//
// The facts are read from the system by TrayHint_win.cpp (read-only: nothing
// here is ever written back) and handed in as plain values, so that every
// decision, the Windows 11 one included, is made and tested here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/Texts.h"

// Windows as the hint tells them apart: 7 stands for 7, 8 and 8.1 (and for
// anything older, whose notification area works the same way).
enum TWindowsFamily : uint8_t { wfWindows7, wfWindows10, wfWindows11 };

// The version as the system reports it (RtlGetVersion), not as a manifest
// lets it be seen.
struct TWindowsVersion {
  uint32_t Major = 0;
  uint32_t Minor = 0;
  uint32_t Build = 0;
};

// Windows 11 reports itself as 10.0, from this build on.
inline constexpr uint32_t kWindows11Build = 22000;

TWindowsFamily FamilyOf(const TWindowsVersion& version);

// A registry value as it was found: absent, of the type expected, or odd (of
// another type, too large, or unreadable).
enum TValueState : uint8_t { vsAbsent, vsPresent, vsOdd };

struct TDwordValue {
  TValueState State = vsAbsent;
  uint32_t Value = 0;
};

struct TStringValue {
  TValueState State = vsAbsent;
  std::string Value;
};

// One subkey of HKCU\Control Panel\NotifyIconSettings (Windows 11): the shell
// keeps one for each icon it has seen.
struct TNotifyIconEntry {
  TStringValue ExecutablePath;
  TDwordValue UID;
  TDwordValue IsPromoted;
};

// The path of a known folder by its GUID in braces; empty when there is none.
using TKnownFolderFunc = std::function<std::string(const std::string& guid)>;

// Everything the decision looks at.
struct TTrayFacts {
  TWindowsVersion Version;
  // HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer, EnableAutoTray.
  TDwordValue EnableAutoTray;
  // Whether HKCU\Control Panel\NotifyIconSettings could be read at all.
  bool EntriesRead = false;
  std::vector<TNotifyIconEntry> Entries;
  // This executable's full path.
  std::string ExePath;
  TKnownFolderFunc KnownFolder;
};

// Where the icon is: on the taskbar, known to be hidden, or unknown. An
// unknown place is taken to be hidden (the default for new icons) wherever a
// hint is due, but never offered the taskbar item.
enum TIconPlace : uint8_t { ipOnTaskbar, ipHidden, ipUnknown };

TIconPlace IconPlaceOf(const TTrayFacts& facts);

// path with a leading known folder ("{GUID}\rest") replaced by the folder's
// path; a path without one as it is. Nothing when the GUID is malformed or
// names no folder.
std::optional<std::string> ExpandKnownFolder(const std::string& path, const TKnownFolderFunc& knownFolder);

// What opens the notification icons' settings: the Settings app's taskbar page
// on Windows 10 and 11, the Notification Area Icons control panel before.
inline constexpr const char* kTaskbarSettingsTarget = "ms-settings:taskbar";
inline constexpr const char* kNotificationAreaIconsTarget = "shell:::{05D7B0F4-2121-4EFF-BF6B-ED3F69B894D9}";

// The balloon that says where the icon is, for the family.
struct TTrayHint {
  TText Title;
  TText Text;
  // What a click on the balloon opens.
  const char* Target;
};

TTrayHint TrayHintFor(TWindowsFamily family);

// The right-click menu offers the hint again only where Windows says the icon
// is hidden (Windows 11): elsewhere nobody can tell, and the menu stays as it is.
bool TaskbarItemWanted(const TTrayFacts& facts);

// The facts TrayHint decides on, as this Windows has them. Everything here
// reads; nothing here writes to the shell's keys. Included only by Windows code.
#pragma once

#include <string>

#include "app/TrayHint.h"

// The version the system really is, whatever the manifest lets
// GetVersionEx say; zeros when it cannot be had.
TWindowsVersion RealWindowsVersion();
// The path of the known folder whose GUID ("{...}") is given; empty when the
// GUID is malformed or this Windows has no such folder.
std::string KnownFolderPath(const std::string& guid);
// The version, the notification area's switches and, on Windows 11, its
// entries, for the executable at exePath.
TTrayFacts ReadTrayFacts(const std::string& exePath);

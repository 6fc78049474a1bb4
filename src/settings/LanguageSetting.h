// The user's choice of language, "Language" in the store's "General" section:
// read at start-up and carried along when the settings move, never written
// otherwise.
#pragma once

#include <string>

#include "settings/ZoRegIni.h"

// The stored value, or nothing when there is no settings place yet, no value,
// or one that is not a string. Never asks the first-run question and never
// raises: a store that cannot be read is reported by the settings' own load.
std::string ReadLanguageSetting(const TStorageEnvironment& environment);
// Stores value in the place that exists now (after a move).
void WriteLanguageSetting(const TStorageEnvironment& environment, const std::string& value);

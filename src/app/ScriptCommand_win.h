// Hands a script's command (vemo.exe /next and the like) to the copies of the
// program that already run. Included only by Windows code.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"

// The command the process's own command line asks for, if any.
std::optional<TCommandId> ScriptCommandOfCommandLine(const wchar_t* commandLine);

// Posts the command to the main window of every other running copy started
// from this executable's path, as its menu would; how many received it.
int SendToRunningCopies(TCommandId command);

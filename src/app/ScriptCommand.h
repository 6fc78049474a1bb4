// The switches a script or a hotkey tool starts vemo.exe with to drive a copy
// that already runs: /next, /prev, /play, /stop and /exit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"

// The command the first such switch among the arguments (the program's name
// not included) asks for: "/", "-" or "--" before the name, in any case.
// Nothing when none is there; other arguments are ignored.
std::optional<TCommandId> ScriptCommand(const std::vector<std::string>& arguments);

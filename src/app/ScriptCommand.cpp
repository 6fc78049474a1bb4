#include "app/ScriptCommand.h"

#include <algorithm>
#include <string_view>

namespace {

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
  return lower;
}

std::optional<TCommandId> CommandOf(std::string_view argument) {
  if (argument.starts_with("--"))
    argument.remove_prefix(2);
  else if (argument.starts_with("/") || argument.starts_with("-"))
    argument.remove_prefix(1);
  else
    return std::nullopt;
  const std::string name = AsciiLower(argument);
  if (name == "next") return cmdNext;
  if (name == "prev") return cmdPrevious;
  if (name == "play") return cmdPlay;
  if (name == "stop") return cmdStop;
  if (name == "exit") return cmdExit;
  return std::nullopt;
}

}  // namespace

std::optional<TCommandId> ScriptCommand(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments)
    if (const std::optional<TCommandId> command = CommandOf(argument)) return command;
  return std::nullopt;
}

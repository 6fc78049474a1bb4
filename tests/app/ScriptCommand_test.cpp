#include "app/ScriptCommand.h"

#include <gtest/gtest.h>

namespace {

struct TCase {
  std::vector<std::string> Arguments;
  std::optional<TCommandId> Expected;
};

TEST(ScriptCommand, TakesTheFirstKnownSwitchInAnyCaseAndIgnoresTheRest) {
  const TCase cases[] = {
      {{}, std::nullopt},
      {{"next"}, std::nullopt},
      {{"/next"}, cmdNext},
      {{"-NEXT"}, cmdNext},
      {{"--Next"}, cmdNext},
      {{"/Play"}, cmdPlay},
      {{"-stop"}, cmdStop},
      {{"--EXIT"}, cmdExit},
      {{"---next"}, std::nullopt},
      {{"/nextpicture", "/config", "C:\\pics"}, std::nullopt},
      {{"C:\\pics", "/stop", "/play"}, cmdStop},
      {{"/"}, std::nullopt},
  };
  for (const TCase& c : cases) {
    std::string joined;
    for (const std::string& argument : c.Arguments) joined += argument + " ";
    EXPECT_EQ(ScriptCommand(c.Arguments), c.Expected) << joined;
  }
}

}  // namespace

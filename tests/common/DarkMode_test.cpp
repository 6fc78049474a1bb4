#include "common/DarkMode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr auto kDark = TMenuMode::mmForceDark;
constexpr auto kDefault = TMenuMode::mmDefault;

// Windows 11 with everything on offer, in dark mode.
TThemeFacts Dark11() { return {0u, false, 10, 22631, true, true}; }

TEST(ChooseThemeTest, WeighsTheChoiceAgainstTheSystem) {
  struct TCase {
    const char* Name;
    TThemeFacts Facts;
    TThemeChoice Expected;
  };
  auto with = [](auto change) {
    TThemeFacts facts = Dark11();
    change(facts);
    return facts;
  };
  const std::vector<TCase> cases = {
      {"dark", Dark11(), {true, kDark, 20}},
      {"light", with([](TThemeFacts& f) { f.AppsUseLightTheme = 1; }), {false, kDefault, 20}},
      {"no value", with([](TThemeFacts& f) { f.AppsUseLightTheme.reset(); }), {false, kDefault, 20}},
      {"high contrast", with([](TThemeFacts& f) { f.HighContrast = true; }), {false, kDefault, 20}},
      {"1903", with([](TThemeFacts& f) { f.WindowsBuild = 18362; }), {true, kDark, 19}},
      {"1809", with([](TThemeFacts& f) { f.WindowsBuild = 17763; }), {true, std::nullopt, 19}},
      {"1803", with([](TThemeFacts& f) { f.WindowsBuild = 17134; }), {true, std::nullopt, 0}},
      {"Windows 7", with([](TThemeFacts& f) { f = {std::nullopt, false, 6, 7601, false, true}; }), {}},
      {"no ordinals", with([](TThemeFacts& f) { f.MenuModeFunctions = false; }), {true, std::nullopt, 20}},
      {"no dwmapi", with([](TThemeFacts& f) { f.WindowAttributeFunction = false; }), {true, kDark, 0}},
  };
  for (const TCase& c : cases) EXPECT_EQ(ChooseTheme(c.Facts), c.Expected) << c.Name;
}

TEST(ChooseThemeTest, OnlyTheColourSetIsAThemeChange) {
  EXPECT_TRUE(IsThemeChange("ImmersiveColorSet"));
  EXPECT_FALSE(IsThemeChange("Policy"));
}

class TFakeThemeSystem : public TThemeSystem {
public:
  TThemeFacts Current = Dark11();
  std::vector<std::string> Calls;
  TThemeFacts Facts() override { return Current; }
  void SetMenuMode(TMenuMode mode) override { Calls.push_back("menus " + std::to_string(int(mode))); }
  void SetDarkTitleBar(THandleValue window, uint32_t attribute, bool dark) override {
    Calls.push_back("bar " + std::to_string(window) + " " + std::to_string(attribute) +
                    (dark ? " dark" : " light"));
  }
};

TEST(AppThemeTest, TouchesTheSystemOnlyWhenTheModeChanges) {
  TFakeThemeSystem system;
  system.Current.AppsUseLightTheme = 1;
  TAppTheme theme(system);
  theme.Refresh();
  EXPECT_FALSE(theme.DressWindow(7, false));
  EXPECT_TRUE(system.Calls.empty());  // a light system is left as it is

  system.Current.AppsUseLightTheme = 0;
  theme.Refresh();
  theme.Refresh();
  EXPECT_TRUE(theme.DressWindow(7, false));
  EXPECT_TRUE(theme.DressWindow(7, true));
  system.Current.AppsUseLightTheme = 1;
  theme.Refresh();
  EXPECT_FALSE(theme.DressWindow(7, true));
  EXPECT_EQ(system.Calls,
            (std::vector<std::string>{"menus 2", "bar 7 20 dark", "menus 0", "bar 7 20 light"}));
}

TEST(AppThemeTest, WithoutTheFunctionsNothingIsCalled) {
  TFakeThemeSystem system;
  system.Current.MenuModeFunctions = system.Current.WindowAttributeFunction = false;
  TAppTheme theme(system);
  theme.Refresh();
  EXPECT_FALSE(theme.DressWindow(7, false));
  EXPECT_TRUE(system.Calls.empty());
}

}  // namespace

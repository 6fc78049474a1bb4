// Whether menus and title bars are drawn dark: the user's choice of app mode,
// weighed against what the running Windows can do. The decision is portable;
// DarkMode_win.cpp gathers the facts and carries the decision out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "framework/OwnedHandle.h"

// What the system says and offers, as gathered at one moment.
struct TThemeFacts {
  // AppsUseLightTheme under the user's Personalize key; none when it is
  // missing or not a number (Windows before 10 has none: light).
  std::optional<uint32_t> AppsUseLightTheme;
  // High contrast has colours of its own, which nothing may override.
  bool HighContrast = false;
  // The real build number (10.0.BUILD); 0 when it is unknown.
  uint32_t WindowsMajor = 0;
  uint32_t WindowsBuild = 0;
  // uxtheme's unnamed exports 135 (SetPreferredAppMode) and 136
  // (FlushMenuThemes) were both found.
  bool MenuModeFunctions = false;
  // dwmapi's DwmSetWindowAttribute was found.
  bool WindowAttributeFunction = false;
};

// The app modes uxtheme takes, by their numbers there.
enum class TMenuMode : uint8_t { mmDefault = 0, mmAllowDark = 1, mmForceDark = 2, mmForceLight = 3 };

struct TThemeChoice {
  bool Dark = false;
  // The mode for the process's menus; none where the system cannot set one,
  // and its menus stay as it draws them.
  std::optional<TMenuMode> MenuMode;
  // The window attribute that asks DWM for a dark title bar; 0 where there
  // is none.
  uint32_t TitleBarAttribute = 0;
  bool operator==(const TThemeChoice&) const = default;
};

// The first builds that offer each part.
constexpr uint32_t kMenuModeBuild = 18362;           // Windows 10 1903
constexpr uint32_t kDarkTitleBarBuild = 17763;       // Windows 10 1809
constexpr uint32_t kDarkTitleBarFinalBuild = 18985;  // 20H1 moved the attribute
constexpr uint32_t kDarkTitleBarAttribute = 20;
constexpr uint32_t kDarkTitleBarOldAttribute = 19;

TThemeChoice ChooseTheme(const TThemeFacts& facts);

// Whether a WM_SETTINGCHANGE about area may have changed the app mode.
bool IsThemeChange(const std::string& area);

// The system's half: gathers facts and draws as told.
class TThemeSystem {
public:
  virtual ~TThemeSystem() = default;
  virtual TThemeFacts Facts() = 0;
  // Sets the process's menu mode and has open menu themes reloaded.
  virtual void SetMenuMode(TMenuMode mode) = 0;
  virtual void SetDarkTitleBar(THandleValue window, uint32_t attribute, bool dark) = 0;
};

// The program's one follower of the app mode. Only the system's menu mode is
// process-wide; each window remembers for itself whether its title bar is
// dark.
class TAppTheme {
public:
  explicit TAppTheme(TThemeSystem& system) : FSystem(system) {}
  // Reads the facts again and changes the menu mode when it has to; at
  // first only for dark, so a light system is never touched.
  void Refresh();
  // Gives window the title bar of the current mode; wasDark tells what it
  // has now. Returns what it has then.
  bool DressWindow(THandleValue window, bool wasDark);
  const TThemeChoice& Choice() const { return FChoice; }

private:
  TThemeSystem& FSystem;
  TThemeChoice FChoice;
  TMenuMode FMenuMode = TMenuMode::mmDefault;
};

#include "common/DarkMode.h"

TThemeChoice ChooseTheme(const TThemeFacts& facts) {
  TThemeChoice choice;
  choice.Dark = facts.AppsUseLightTheme == 0u && !facts.HighContrast;
  const bool windows10 = facts.WindowsMajor == 10;
  // 135 has another meaning on builds before 1903, so the functions count
  // only from there.
  if (windows10 && facts.WindowsBuild >= kMenuModeBuild && facts.MenuModeFunctions)
    choice.MenuMode = choice.Dark ? TMenuMode::mmForceDark : TMenuMode::mmDefault;
  if (windows10 && facts.WindowsBuild >= kDarkTitleBarBuild && facts.WindowAttributeFunction)
    choice.TitleBarAttribute =
        facts.WindowsBuild >= kDarkTitleBarFinalBuild ? kDarkTitleBarAttribute : kDarkTitleBarOldAttribute;
  return choice;
}

bool IsThemeChange(const std::string& area) { return area == "ImmersiveColorSet"; }

void TAppTheme::Refresh() {
  FChoice = ChooseTheme(FSystem.Facts());
  if (FChoice.MenuMode && *FChoice.MenuMode != FMenuMode) {
    FSystem.SetMenuMode(*FChoice.MenuMode);
    FMenuMode = *FChoice.MenuMode;
  }
}

bool TAppTheme::DressWindow(THandleValue window, bool wasDark) {
  const bool dark = FChoice.Dark && FChoice.TitleBarAttribute != 0;
  if (dark != wasDark && FChoice.TitleBarAttribute != 0)
    FSystem.SetDarkTitleBar(window, FChoice.TitleBarAttribute, dark);
  return FChoice.TitleBarAttribute != 0 ? dark : wasDark;
}

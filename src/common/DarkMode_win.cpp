#include "common/DarkMode_win.h"

#include <commctrl.h>

#include "common/DarkMode.h"
#include "framework/WinHandles_win.h"

namespace {

using TSetPreferredAppMode = int(WINAPI*)(int);
using TFlushMenuThemes = void(WINAPI*)();
using TDwmSetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, const void*, DWORD);

constexpr WORD kSetPreferredAppModeOrdinal = 135;
constexpr WORD kFlushMenuThemesOrdinal = 136;
constexpr UINT_PTR kTitleBarSubclassId = 0x7644;

class TWinThemeSystem : public TThemeSystem {
public:
  TThemeFacts Facts() override {
    TThemeFacts facts;
    DWORD light = 0, size = sizeof(light);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                     L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size) == ERROR_SUCCESS)
      facts.AppsUseLightTheme = light;
    HIGHCONTRASTW contrast = {sizeof(contrast), 0, nullptr};
    facts.HighContrast = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                         (contrast.dwFlags & HCF_HIGHCONTRASTON);
    const OSVERSIONINFOW version = SystemVersion();
    facts.WindowsMajor = version.dwMajorVersion;
    facts.WindowsBuild = version.dwBuildNumber;
    // Before 1903 the same numbers are other functions, so they are not even
    // looked up there.
    if (facts.WindowsMajor == 10 && facts.WindowsBuild >= kMenuModeBuild) {
      const TSystemLibrary& uxtheme = TSystemLibrary::Named(L"uxtheme.dll");
      FSetPreferredAppMode = uxtheme.Function<TSetPreferredAppMode>(kSetPreferredAppModeOrdinal);
      FFlushMenuThemes = uxtheme.Function<TFlushMenuThemes>(kFlushMenuThemesOrdinal);
      facts.MenuModeFunctions = FSetPreferredAppMode && FFlushMenuThemes;
    }
    FSetWindowAttribute =
        TSystemLibrary::Named(L"dwmapi.dll").Function<TDwmSetWindowAttribute>("DwmSetWindowAttribute");
    facts.WindowAttributeFunction = FSetWindowAttribute != nullptr;
    return facts;
  }

  void SetMenuMode(TMenuMode mode) override {
    if (!FSetPreferredAppMode || !FFlushMenuThemes) return;
    FSetPreferredAppMode(int(mode));
    FFlushMenuThemes();
  }

  void SetDarkTitleBar(THandleValue value, uint32_t attribute, bool dark) override {
    if (!FSetWindowAttribute) return;
    const HWND window = reinterpret_cast<HWND>(value);
    const BOOL on = dark;
    if (FAILED(FSetWindowAttribute(window, attribute, &on, sizeof(on)))) return;
    // A frame already on screen is drawn anew only when told.
    if (IsWindowVisible(window))
      SetWindowPos(
          window, nullptr, 0, 0, 0, 0,
          SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }

private:
  TSetPreferredAppMode FSetPreferredAppMode = nullptr;
  TFlushMenuThemes FFlushMenuThemes = nullptr;
  TDwmSetWindowAttribute FSetWindowAttribute = nullptr;
};

// Every window of the program runs on the one window thread.
TAppTheme& AppTheme() {
  static TWinThemeSystem system;
  static TAppTheme theme = [] {
    TAppTheme first(system);
    first.Refresh();
    return first;
  }();
  return theme;
}

bool IsThemeSettingChange(WPARAM wParam, LPARAM lParam) {
  if (wParam == SPI_SETHIGHCONTRAST) return true;
  return lParam && IsThemeChange(Utf8Of(reinterpret_cast<const wchar_t*>(lParam)));
}

// The window's title bar state rides in the subclass's own data.
LRESULT CALLBACK TitleBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                              DWORD_PTR wasDark) {
  if (message == WM_SETTINGCHANGE && IsThemeSettingChange(wParam, lParam)) {
    TAppTheme& theme = AppTheme();
    theme.Refresh();
    const bool dark = theme.DressWindow(reinterpret_cast<THandleValue>(window), wasDark != 0);
    SetWindowSubclass(window, &TitleBarProc, id, dark);
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &TitleBarProc, id);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

void FollowAppTheme() { AppTheme().Refresh(); }

void AppThemeSettingChanged(WPARAM wParam, LPARAM lParam) {
  if (IsThemeSettingChange(wParam, lParam)) AppTheme().Refresh();
}

void DressInAppTheme(HWND window) {
  const bool dark = AppTheme().DressWindow(reinterpret_cast<THandleValue>(window), false);
  SetWindowSubclass(window, &TitleBarProc, kTitleBarSubclassId, dark);
}

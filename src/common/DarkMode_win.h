// The dark app mode realised: the process's menus through uxtheme, title bars
// through DWM, each only where the running Windows offers it.
#pragma once

#include <windows.h>

// Brings the menus into the current mode; at start-up.
void FollowAppTheme();
// For the main window's WM_SETTINGCHANGE: follows a change of the mode.
void AppThemeSettingChanged(WPARAM wParam, LPARAM lParam);
// Where a window is initialised: its title bar follows the mode for as long
// as it lives. Its client area keeps the system's colours.
void DressInAppTheme(HWND window);

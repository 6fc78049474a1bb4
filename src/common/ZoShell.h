// Shell utilities: the Windows shell services the program needs. The
// functions here are implemented by the Windows build (ZoShell_win.cpp); the
// ones that take Windows types are declared in ZoShell_win.h.
#pragma once

#include <cstdint>
#include <string>

// Special folders by their shell numbers (CSIDL values).
inline constexpr int kCsidlDesktop = 0x0000;
inline constexpr int kCsidlPersonal = 0x0005;  // the user's documents folder

// Folder-browser flags: only file-system folders, with a status line.
inline constexpr uint32_t kBifReturnOnlyFsDirs = 0x0001;
inline constexpr uint32_t kBifStatusText = 0x0004;

// The maker's home page, opened by the home-page command and shown in the
// About box.
inline constexpr const char* kHomePageUrl = "https://www.orvane.example/";

// The path of a special folder, never creating it; empty when the shell cannot
// supply the folder. Implemented by the Windows build.
std::string GetSpecialFolderPath(int csidl);

// Shell32.dll's version as MAKELONG(minor, major) (5.0 is 0x00050000); 0
// when the library tells none. Raises "<system text>: Shell32.dll" when the
// library cannot be loaded.
uint32_t GetShell32Version();

// Opens the maker's home page with the shell's "open" verb, owned by the
// given window (the main window); nothing is reported when no browser opens.
void OpenHomePage(uintptr_t owner = 0);

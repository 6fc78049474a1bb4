// Shell utilities: the Windows shell services the program needs.
#pragma once

#include <string>

// Special folders by their shell numbers (CSIDL values).
inline constexpr int kCsidlDesktop = 0x0000;
inline constexpr int kCsidlPersonal = 0x0005;  // the user's documents folder

// The path of a special folder, never creating it; empty when the shell cannot
// supply the folder. Implemented by the Windows build.
std::string GetSpecialFolderPath(int csidl);

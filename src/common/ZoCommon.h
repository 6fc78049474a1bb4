// The maker's general utilities.
#pragma once

#include <cstdint>
#include <string>

#include "common/ZoVersionInfo.h"

class TApplication;
class TStringList;

// --- Random numbers ----------------------------------------------------------
// One program-wide linear congruential generator. It starts from 0 and is
// never seeded from the clock, so the play order repeats from run to run.
// Tests may read and set the seed; the program never does.
extern uint32_t RandSeed;

// Advances the seed (seed * 134775813 + 1, modulo 2^32) and returns the high
// 32 bits of the unsigned 64-bit product of the new seed and range: a value in
// 0 .. range - 1 for range >= 1, and 0 for range 0.
uint32_t Random(uint32_t range);

// Permutes list in place (strings and their objects together): for i from
// Count - 1 down to 1, exchanges items i and Random(i - 1). Item i is thus
// never exchanged with itself or its left neighbour except that the last
// exchange always swaps the first two items.
void ShuffleStrings(TStringList& list);

// --- Version information and the About box ----------------------------------
// Both are implemented by the Windows build (ZoCommon_win.cpp); the reading of
// the block itself is portable (ZoVersionInfo.h).

// Fills rec from the version resource of the executable fileName: nothing
// changes when it has none; raises kVersionInfoFailedText when it has no
// translation table.
void ReadVersionInfo(const std::string& fileName, TZoCVersionResourceRec& rec);

// The About box of the program's own executable: AboutBoxText in an
// information box captioned with the title and "について", showing the
// program's icon and one button "OK". Returns when it is closed.
void ShowAboutBox(const TApplication& application);

// The About box's caption for an application title.
std::string AboutBoxCaption(const std::string& applicationTitle);

#include "app/TrayHint.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

const char kPrograms[] = "{5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}";
const char kExe[] = "C:\\Users\\u\\AppData\\Local\\Programs\\Kobaru\\vemo.exe";

std::string KnownFolder(const std::string& guid) {
  return guid == kPrograms ? "C:\\Users\\u\\AppData\\Local\\Programs" : "";
}

TNotifyIconEntry Entry(const std::string& path, TDwordValue promoted, TDwordValue uid = {vsPresent, 0}) {
  return {{vsPresent, path}, uid, promoted};
}

constexpr TWindowsVersion kSeven{6, 1, 7601}, kEight{6, 3, 9600}, kTen{10, 0, 19045}, kEleven{10, 0, 22631};
constexpr TDwordValue kAbsent{vsAbsent, 0}, kOdd{vsOdd, 0}, kZero{vsPresent, 0}, kOne{vsPresent, 1};

struct TCase {
  const char* Name;
  TWindowsVersion Version;
  TDwordValue AutoTray;
  bool EntriesRead;
  std::vector<TNotifyIconEntry> Entries;
  TIconPlace Expected;
};

TEST(TrayHint, WhereTheIconIsFromTheRegistryAndTheVersion) {
  const std::string ours = std::string(kPrograms) + "\\kobaru\\VEMO.EXE";
  const std::vector<TCase> cases = {
      {"7, auto-hide absent", kSeven, kAbsent, false, {}, ipUnknown},
      {"8, every icon shown", kEight, kZero, false, {}, ipOnTaskbar},
      {"10, auto-hide on", kTen, kOne, false, {}, ipUnknown},
      {"10, auto-hide odd", kTen, kOdd, false, {}, ipUnknown},
      {"10, every icon shown", kTen, kZero, false, {}, ipOnTaskbar},
      {"10 ignores the entries", kTen, kAbsent, true, {Entry(kExe, kOne)}, ipUnknown},
      {"11 ignores auto-hide", kEleven, kZero, false, {}, ipUnknown},
      {"11, no entry yet", kEleven, kAbsent, true, {Entry("C:\\other.exe", kOne)}, ipUnknown},
      {"11, promoted, plain path", kEleven, kAbsent, true, {Entry(kExe, kOne)}, ipOnTaskbar},
      {"11, promoted, folder prefix", kEleven, kAbsent, true, {Entry(ours, kOne)}, ipOnTaskbar},
      {"11, not promoted", kEleven, kAbsent, true, {Entry(ours, kZero)}, ipHidden},
      {"11, never chosen", kEleven, kAbsent, true, {Entry(kExe, kAbsent)}, ipHidden},
      {"11, promoted odd", kEleven, kAbsent, true, {Entry(kExe, kOdd)}, ipUnknown},
      {"11, promoted 2", kEleven, kAbsent, true, {Entry(kExe, {vsPresent, 2})}, ipUnknown},
      {"11, another icon id", kEleven, kAbsent, true, {Entry(kExe, kOne, kOne)}, ipUnknown},
      {"11, id odd", kEleven, kAbsent, true, {Entry(kExe, kOne, kOdd)}, ipUnknown},
      {"11, path odd", kEleven, kAbsent, true, {{{vsOdd, kExe}, kZero, kOne}}, ipUnknown},
      {"11, unknown folder",
       kEleven,
       kAbsent,
       true,
       {Entry("{00000000-0000-0000-0000-000000000000}\\vemo.exe", kOne)},
       ipUnknown},
      {"11, entries agree", kEleven, kAbsent, true, {Entry(kExe, kZero), Entry(ours, kZero)}, ipHidden},
      {"11, entries disagree", kEleven, kAbsent, true, {Entry(kExe, kZero), Entry(ours, kOne)}, ipUnknown},
      {"11, key unreadable", kEleven, kAbsent, false, {Entry(kExe, kZero)}, ipUnknown},
      {"future 12", {12, 0, 100}, kAbsent, true, {Entry(kExe, kZero)}, ipHidden},
  };
  for (const TCase& c : cases) {
    TTrayFacts facts{c.Version, c.AutoTray, c.EntriesRead, c.Entries, kExe, KnownFolder};
    EXPECT_EQ(IconPlaceOf(facts), c.Expected) << c.Name;
    // The menu offers the hint only where Windows says the icon is hidden.
    EXPECT_EQ(TaskbarItemWanted(facts), c.Expected == ipHidden) << c.Name;
  }
}

TEST(TrayHint, ALeadingKnownFolderStandsForItsPath) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"C:\\Tools\\vemo.exe", "C:\\Tools\\vemo.exe"},
      {std::string(kPrograms) + "\\Kobaru\\vemo.exe",
       "C:\\Users\\u\\AppData\\Local\\Programs\\Kobaru\\vemo.exe"},
      {kPrograms, "C:\\Users\\u\\AppData\\Local\\Programs"},
      {"{5cd7aee2-2219-4a67-b85d-6c9ce15660cb}\\x", std::nullopt},  // the resolver knows it in capitals only
      {std::string(kPrograms) + "vemo.exe", std::nullopt},
      {"{5CD7AEE2-2219-4A67-B85D-6C9CE15660C}\\vemo.exe", std::nullopt},
      {"{5CD7AEE2x2219-4A67-B85D-6C9CE15660CB}\\vemo.exe", std::nullopt},
      {"{", std::nullopt},
      {"", ""},
  };
  for (const auto& [path, expected] : cases)
    EXPECT_EQ(ExpandKnownFolder(path, KnownFolder), expected) << path;
  // A folder given with its trailing delimiter is not doubled.
  EXPECT_EQ(ExpandKnownFolder(std::string(kPrograms) + "\\a", [](const std::string&) { return "D:\\"; }),
            "D:\\a");
  EXPECT_EQ(ExpandKnownFolder(kPrograms, nullptr), std::nullopt);
}

TEST(TrayHint, TheBalloonAndWhatItsClickOpensFollowTheVersion) {
  const std::vector<std::tuple<TWindowsVersion, TWindowsFamily, TTextId, std::string>> cases = {
      {{5, 1, 2600}, wfWindows7, IDS_HINT_TEXT_7, kNotificationAreaIconsTarget},
      {kSeven, wfWindows7, IDS_HINT_TEXT_7, kNotificationAreaIconsTarget},
      {kEight, wfWindows7, IDS_HINT_TEXT_7, kNotificationAreaIconsTarget},
      {{10, 0, 18362}, wfWindows10, IDS_HINT_TEXT_10, "ms-settings:taskbar"},
      {{10, 0, 21999}, wfWindows10, IDS_HINT_TEXT_10, "ms-settings:taskbar"},
      {{10, 0, 22000}, wfWindows11, IDS_HINT_TEXT_11, "ms-settings:taskbar"},
  };
  for (const auto& [version, family, text, target] : cases) {
    EXPECT_EQ(FamilyOf(version), family) << version.Build;
    const TTrayHint hint = TrayHintFor(family);
    EXPECT_EQ(hint.Title.Id, IDS_HINT_TITLE);
    EXPECT_EQ(hint.Text.Id, text) << version.Build;
    EXPECT_EQ(hint.Target, target) << version.Build;
  }
  EXPECT_STREQ(kNotificationAreaIconsTarget, "shell:::{05D7B0F4-2121-4EFF-BF6B-ED3F69B894D9}");
}

}  // namespace

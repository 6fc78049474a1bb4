#include "app/TrayHint.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

const std::string kPrograms = "{5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}", kExe = "C:\\P\\Kobaru\\vemo.exe";
std::string KnownFolder(const std::string& guid) { return guid == kPrograms ? "C:\\P" : ""; }

constexpr TWindowsVersion k7{6, 1, 7601}, k8{6, 3, 9600}, k10{10, 0, 21999}, k11{10, 0, 22000};
constexpr TDwordValue kNo{vsAbsent, 0}, kOdd{vsOdd, 0}, k0{vsPresent, 0}, k1{vsPresent, 1}, k2{vsPresent, 2};

TEST(TrayHint, WhereTheIconIsFromTheRegistryAndTheVersion) {
  const std::string ours = kPrograms + "\\kobaru\\VEMO.EXE";
  auto entry = [](const std::string& path, TDwordValue promoted, TDwordValue uid = k0) {
    return TNotifyIconEntry{{vsPresent, path}, uid, promoted};
  };
  const std::vector<std::tuple<TWindowsVersion, TDwordValue, bool, std::vector<TNotifyIconEntry>, TIconPlace>>
      cases = {
          {k7, kNo, false, {}, ipUnknown},
          {k8, k0, false, {}, ipOnTaskbar},
          {k10, k1, false, {}, ipUnknown},
          {k10, kOdd, false, {}, ipUnknown},
          {k10, k0, false, {}, ipOnTaskbar},
          {k10, kNo, true, {entry(kExe, k1)}, ipUnknown},  // entries are Windows 11's
          {k11, k0, false, {}, ipUnknown},                 // and auto-hide is not
          {k11, kNo, true, {entry("C:\\other.exe", k1)}, ipUnknown},
          {k11, kNo, true, {entry(kExe, k1)}, ipOnTaskbar},
          {k11, kNo, true, {entry(ours, k1)}, ipOnTaskbar},
          {k11, kNo, true, {entry(ours, k0)}, ipHidden},
          {k11, kNo, true, {entry(kExe, kNo)}, ipHidden},
          {k11, kNo, true, {entry(kExe, kOdd)}, ipUnknown},
          {k11, kNo, true, {entry(kExe, k2)}, ipUnknown},
          {k11, kNo, true, {entry(kExe, k1, k1)}, ipUnknown},
          {k11, kNo, true, {entry(kExe, k1, kOdd)}, ipUnknown},
          {k11, kNo, true, {{{vsOdd, kExe}, k0, k1}}, ipUnknown},
          {k11, kNo, true, {entry("{00000000-0000-0000-0000-000000000000}\\vemo.exe", k1)}, ipUnknown},
          {k11, kNo, true, {entry(kExe, k0), entry(ours, k0)}, ipHidden},
          {k11, kNo, true, {entry(kExe, k0), entry(ours, k1)}, ipUnknown},
          {k11, kNo, false, {entry(kExe, k0)}, ipUnknown},
          {{12, 0, 100}, kNo, true, {entry(kExe, k0)}, ipHidden},
      };
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [version, autoTray, read, entries, expected] = cases[i];
    const TTrayFacts facts{version, autoTray, read, entries, kExe, KnownFolder};
    EXPECT_EQ(IconPlaceOf(facts), expected) << "case " << i;
    EXPECT_EQ(TaskbarItemWanted(facts), expected == ipHidden) << "case " << i;
  }
}

TEST(TrayHint, ALeadingKnownFolderStandsForItsPath) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {kExe, kExe},
      {kPrograms + "\\Kobaru\\vemo.exe", kExe},
      {kPrograms, "C:\\P"},
      {"", ""},
      {kPrograms + "vemo.exe", std::nullopt},
      {"{5CD7AEE2-2219-4A67-B85D-6C9CE15660C}\\a", std::nullopt},
      {"{", std::nullopt},
      {"{5CD7AEE2x2219-4A67-B85D-6C9CE15660CB}\\a", std::nullopt}};
  for (const auto& [path, expected] : cases)
    EXPECT_EQ(ExpandKnownFolder(path, KnownFolder), expected) << path;
  EXPECT_EQ(ExpandKnownFolder(kPrograms + "\\a", [](const std::string&) { return "D:\\"; }), "D:\\a");
  EXPECT_EQ(ExpandKnownFolder(kPrograms, nullptr), std::nullopt);
}

TEST(TrayHint, TheBalloonAndWhatItsClickOpensFollowTheVersion) {
  const std::vector<std::tuple<TWindowsVersion, TTextId, std::string>> cases = {
      {{5, 1, 2600}, IDS_HINT_TEXT_7, kNotificationAreaIconsTarget},
      {k8, IDS_HINT_TEXT_7, kNotificationAreaIconsTarget},
      {k10, IDS_HINT_TEXT_10, "ms-settings:taskbar"},
      {k11, IDS_HINT_TEXT_11, "ms-settings:taskbar"}};
  for (const auto& [version, text, target] : cases) {
    const TTrayHint hint = TrayHintFor(FamilyOf(version));
    EXPECT_EQ(hint.Title.Id, IDS_HINT_TITLE);
    EXPECT_EQ(hint.Text.Id, text) << version.Build;
    EXPECT_EQ(hint.Target, target) << version.Build;
  }
  EXPECT_STREQ(kNotificationAreaIconsTarget, "shell:::{05D7B0F4-2121-4EFF-BF6B-ED3F69B894D9}");
}

}  // namespace

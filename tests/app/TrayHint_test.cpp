#include "app/TrayHint.h"

#include <gtest/gtest.h>

namespace {

const std::string kGuid = "{5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}", kExe = "C:\\P\\Kobaru\\vemo.exe";
std::string Folder(const std::string& guid) { return guid == kGuid ? "C:\\P" : ""; }

constexpr TWindowsVersion k7{6, 1, 7601}, k10{10, 0, 21999}, k11{10, 0, 22000};
constexpr TDwordValue kNo{vsAbsent, 0}, kOdd{vsOdd, 0}, k0{vsPresent, 0}, k1{vsPresent, 1}, k2{vsPresent, 2};

TEST(TrayHint, WhereTheIconIsFromTheRegistryAndTheVersion) {
  auto ours = [](TDwordValue promoted, TDwordValue uid = k0,
                 const std::string& path = kGuid + "\\kobaru\\VEMO.EXE") {
    return TNotifyIconEntry{{vsPresent, path}, uid, promoted};
  };
  const TNotifyIconEntry odd{{vsOdd, kExe}, k0, k1}, other = ours(k1, k0, "C:\\P\\other.exe");
  // clang-format off
  const std::vector<std::tuple<TWindowsVersion, TDwordValue, std::vector<TNotifyIconEntry>, TIconPlace>> cases = {
      {k7, kNo, {}, ipUnknown},          {k7, k0, {}, ipOnTaskbar},           {k10, k1, {}, ipUnknown},
      {k10, kOdd, {}, ipUnknown},        {k10, k0, {}, ipOnTaskbar},          {k10, kNo, {ours(k1)}, ipUnknown},
      {k11, k0, {}, ipUnknown},          {k11, kNo, {other}, ipUnknown},      {k11, kNo, {ours(k1)}, ipOnTaskbar},
      {k11, kNo, {ours(k0)}, ipHidden},  {k11, kNo, {ours(kNo)}, ipHidden},   {k11, kNo, {ours(kOdd)}, ipUnknown},
      {k11, kNo, {ours(k2)}, ipUnknown}, {k11, kNo, {ours(k1, k1)}, ipUnknown}, {k11, kNo, {odd}, ipUnknown},
      {k11, kNo, {ours(k1, k0, kExe), ours(k0)}, ipUnknown},
      {k11, kNo, {ours(k0, k0, kExe), ours(k0), other}, ipHidden}};
  // clang-format on
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [version, autoTray, entries, expected] = cases[i];
    TTrayFacts facts{version, autoTray, true, entries, kExe, Folder};
    EXPECT_EQ(IconPlaceOf(facts), expected) << "case " << i;
    EXPECT_EQ(TaskbarItemWanted(facts), expected == ipHidden);
    facts.EntriesRead = false;  // nothing is known from a key not read
    EXPECT_NE(IconPlaceOf(facts), ipHidden);
  }
}

TEST(TrayHint, ALeadingKnownFolderStandsForItsPath) {
  // clang-format off
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {kExe, kExe}, {kGuid + "\\Kobaru\\vemo.exe", kExe}, {kGuid, "C:\\P"}, {"", ""}, {kGuid + "x", std::nullopt},
      {"{5CD7AEE2-2219-4A67-B85D-6C9CE15660C}\\a", std::nullopt}, {"{00000000-0000-0000-0000-000000000000}", std::nullopt}};
  // clang-format on
  for (const auto& [path, expected] : cases) EXPECT_EQ(ExpandKnownFolder(path, Folder), expected) << path;
  EXPECT_EQ(ExpandKnownFolder(kGuid + "\\a", [](const std::string&) { return "D:\\"; }), "D:\\a");
}

TEST(TrayHint, TheBalloonAndWhatItsClickOpensFollowTheVersion) {
  for (const auto& [version, text] :
       {std::pair{k7, IDS_HINT_TEXT_7}, {k10, IDS_HINT_TEXT_10}, {k11, IDS_HINT_TEXT_11}})
    EXPECT_EQ(TrayHintFor(FamilyOf(version)).Text.Id, text);
  EXPECT_STREQ(TrayHintFor(wfWindows7).Target, "shell:::{05D7B0F4-2121-4EFF-BF6B-ED3F69B894D9}");
  EXPECT_STREQ(TrayHintFor(wfWindows10).Target, TrayHintFor(wfWindows11).Target);
}

}  // namespace

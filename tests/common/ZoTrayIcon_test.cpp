#include "common/ZoTrayIcon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "framework/Streams.h"

namespace {

constexpr THandleValue kWindow = 0x1234;
constexpr THandleValue kIcon = 0x5678;

// A shell that answers from a script (accepting once the script runs out),
// and records every call and every sleep.
class TScriptedShell : public TNotificationArea {
public:
  struct TCall {
    uint32_t Message;
    TNotifyIconData Data;
  };
  struct TAnswer {
    bool Success;
    uint32_t Error;
  };
  std::deque<TAnswer> Script;
  std::vector<TCall> Calls;
  std::vector<uint32_t> Sleeps;

  bool NotifyIcon(uint32_t message, const TNotifyIconData& data) override {
    Calls.push_back({message, data});
    if (Script.empty()) {
      FError = 0;
      return true;
    }
    const TAnswer answer = Script.front();
    Script.pop_front();
    FError = answer.Error;
    return answer.Success;
  }
  uint32_t LastError() override { return FError; }
  void Sleep(uint32_t milliseconds) override { Sleeps.push_back(milliseconds); }

private:
  uint32_t FError = 0;
};

std::string Text(const char16_t* field) { return Utf16ToUtf8(std::u16string(field)); }

bool AllZero(const char16_t* field, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (field[i] != 0) return false;
  return true;
}

// --- Each operation fills exactly its column ----------------------------------------

TEST(TrayIconRecord, AddFillsMessageIconAndTipThenAsksForVersion3) {
  TScriptedShell shell;
  TNotifyIconData record;
  record.dwInfoFlags = 77;  // whatever the caller's record held goes
  EXPECT_EQ(AddTrayIcon(shell, kWindow, kIcon, "Kobaru", record, 100), 0u);
  ASSERT_EQ(shell.Calls.size(), 2u);
  const TNotifyIconData& add = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Message, kNimAdd);
  EXPECT_EQ(add.cbSize, kNotifyIconDataSize);
  EXPECT_EQ(add.hWnd, kWindow);
  EXPECT_EQ(add.uID, 0u);
  EXPECT_EQ(add.uFlags, 7u);
  EXPECT_EQ(add.uCallbackMessage, 1124u);
  EXPECT_EQ(add.hIcon, kIcon);
  EXPECT_EQ(Text(add.szTip), "Kobaru");
  EXPECT_EQ(add.uTimeoutOrVersion, 0u);
  EXPECT_TRUE(AllZero(add.szInfo, 256));
  EXPECT_TRUE(AllZero(add.szInfoTitle, 64));
  EXPECT_EQ(add.dwInfoFlags, 0u);
  EXPECT_EQ(shell.Calls[1].Message, kNimSetVersion);
  EXPECT_EQ(shell.Calls[1].Data.uTimeoutOrVersion, kNotifyIconVersion);
  // The caller keeps the record, with the version, for the removal.
  EXPECT_EQ(record.uTimeoutOrVersion, 3u);
  EXPECT_EQ(record.hWnd, kWindow);
  EXPECT_EQ(record.uFlags, 7u);
  EXPECT_TRUE(shell.Sleeps.empty());
}

TEST(TrayIconRecord, ModifyFillsTheIconOnly) {
  TScriptedShell shell;
  EXPECT_TRUE(ModifyTrayIcon(shell, kWindow, kIcon));
  ASSERT_EQ(shell.Calls.size(), 1u);
  const TNotifyIconData& data = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Message, kNimModify);
  EXPECT_EQ(data.cbSize, kNotifyIconDataSize);
  EXPECT_EQ(data.hWnd, kWindow);
  EXPECT_EQ(data.uFlags, 2u);
  EXPECT_EQ(data.hIcon, kIcon);
  EXPECT_EQ(data.uCallbackMessage, 0u);
  EXPECT_TRUE(AllZero(data.szTip, 128));

  shell.Script.push_back({false, 5});
  EXPECT_FALSE(ModifyTrayIcon(shell, kWindow, kIcon));
}

TEST(TrayIconRecord, TipFillsIconAndTip) {
  TScriptedShell shell;
  SetTrayTip(shell, kWindow, kIcon, "C:\\写真\\a.jpg");
  ASSERT_EQ(shell.Calls.size(), 1u);
  const TNotifyIconData& data = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Message, kNimModify);
  EXPECT_EQ(data.uFlags, 6u);
  EXPECT_EQ(data.hIcon, kIcon);
  EXPECT_EQ(Text(data.szTip), "C:\\写真\\a.jpg");
  EXPECT_EQ(data.uCallbackMessage, 0u);
  EXPECT_TRUE(AllZero(data.szInfo, 256));
}

TEST(TrayIconRecord, BalloonFillsInfoTimeoutTitleAndFlags) {
  TScriptedShell shell;
  ShowTrayBalloon(shell, kWindow, "Kobaru", "画像がありません。", kNiifWarning);
  ASSERT_EQ(shell.Calls.size(), 1u);
  const TNotifyIconData& data = shell.Calls[0].Data;
  EXPECT_EQ(shell.Calls[0].Message, kNimModify);
  EXPECT_EQ(data.uFlags, 16u);
  EXPECT_EQ(data.hIcon, 0u);
  EXPECT_TRUE(AllZero(data.szTip, 128));
  EXPECT_EQ(Text(data.szInfo), "画像がありません。");
  EXPECT_EQ(data.uTimeoutOrVersion, 5u);
  EXPECT_EQ(Text(data.szInfoTitle), "Kobaru");
  EXPECT_EQ(data.dwInfoFlags, 2u);
}

TEST(TrayIconRecord, DeleteHandsOverTheCallersRecord) {
  TScriptedShell shell;
  TNotifyIconData record;
  AddTrayIcon(shell, kWindow, kIcon, "x", record, 100);
  shell.Script.push_back({false, 1});
  DeleteTrayIcon(shell, record);
  EXPECT_EQ(shell.Calls.back().Message, kNimDelete);
  EXPECT_EQ(shell.Calls.back().Data.hWnd, kWindow);
  EXPECT_EQ(shell.Calls.back().Data.uID, 0u);
}

// --- The busy shell --------------------------------------------------------------------

TEST(TrayIconAdd, OtherErrorsReturnAtOnceWithoutSleepOrVersion) {
  TScriptedShell shell;
  shell.Script.push_back({false, 5});
  TNotifyIconData record;
  EXPECT_EQ(AddTrayIcon(shell, kWindow, kIcon, "Kobaru", record, 100), 5u);
  ASSERT_EQ(shell.Calls.size(), 1u);
  EXPECT_TRUE(shell.Sleeps.empty());
  EXPECT_EQ(record.uTimeoutOrVersion, 0u);
}

TEST(TrayIconAdd, TimeoutThenAcceptedModifyCountsAsAdded) {
  TScriptedShell shell;
  shell.Script.push_back({false, kErrorTimeout});
  shell.Script.push_back({true, 0});  // the modify finds the icon there
  TNotifyIconData record;
  EXPECT_EQ(AddTrayIcon(shell, kWindow, kIcon, "Kobaru", record, 100), 0u);
  ASSERT_EQ(shell.Calls.size(), 3u);
  EXPECT_EQ(shell.Calls[0].Message, kNimAdd);
  EXPECT_EQ(shell.Calls[1].Message, kNimModify);
  EXPECT_EQ(shell.Calls[1].Data.uFlags, 7u) << "the modify uses the filled record";
  EXPECT_EQ(shell.Calls[2].Message, kNimSetVersion);
  EXPECT_EQ(shell.Sleeps, std::vector<uint32_t>{2000});
}

TEST(TrayIconAdd, TimeoutThenFailedModifyThenAcceptedAdd) {
  TScriptedShell shell;
  shell.Script.push_back({false, kErrorTimeout});
  shell.Script.push_back({false, 0});
  shell.Script.push_back({true, 0});
  TNotifyIconData record;
  EXPECT_EQ(AddTrayIconRetry(shell, record, 5), 0u);
  EXPECT_EQ(shell.Calls.size(), 3u);
  EXPECT_EQ(shell.Calls[2].Message, kNimAdd);
  EXPECT_EQ(shell.Sleeps.size(), 1u);
}

TEST(TrayIconAdd, EndlessTimeoutsCountAsAddedAfterSixAttempts) {
  TScriptedShell shell;
  for (int i = 0; i < 12; ++i) shell.Script.push_back({false, kErrorTimeout});
  shell.Script.push_back({false, 99});  // never reached
  TNotifyIconData record;
  EXPECT_EQ(AddTrayIcon(shell, kWindow, kIcon, "Kobaru", record, 100), 0u);
  EXPECT_EQ(shell.Sleeps, std::vector<uint32_t>(6, 2000));
  ASSERT_EQ(shell.Calls.size(), 13u);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(shell.Calls[i].Message, i % 2 == 0 ? kNimAdd : kNimModify) << i;
  EXPECT_EQ(shell.Calls[12].Message, kNimSetVersion);
}

TEST(TrayIconAdd, AnErrorAfterATimeoutIsReturned) {
  TScriptedShell shell;
  shell.Script.push_back({false, kErrorTimeout});
  shell.Script.push_back({false, 0});
  shell.Script.push_back({false, 1460 + 1});
  TNotifyIconData record;
  EXPECT_EQ(AddTrayIconRetry(shell, record, 5), 1461u);
  EXPECT_EQ(shell.Sleeps.size(), 1u);
}

TEST(TrayIconAdd, RetryCountIsHonoured) {
  TScriptedShell shell;
  for (int i = 0; i < 20; ++i) shell.Script.push_back({false, kErrorTimeout});
  TNotifyIconData record;
  EXPECT_EQ(AddTrayIconRetry(shell, record, 0), 0u);
  EXPECT_EQ(shell.Calls.size(), 2u);
  EXPECT_EQ(shell.Sleeps.size(), 1u);
}

TEST(TrayIconReAdd, TakesTheSameTriesAsTheStartUpWithoutEverSleeping) {
  TScriptedShell shell;
  TNotifyIconData record;
  FillTrayAddRecord(kWindow, kIcon, "Kobaru", record, 100);
  TTrayIconReAdd readd;
  // Accepted at once: no step wanted, version asked for.
  EXPECT_FALSE(readd.Start(shell, record));
  ASSERT_EQ(shell.Calls.size(), 2u);
  EXPECT_EQ(shell.Calls[1].Message, kNimSetVersion);
  // Timeout, failed modify, timeout, accepted modify.
  shell.Calls.clear();
  shell.Script = {{false, kErrorTimeout}, {false, 0}, {false, kErrorTimeout}, {true, 0}};
  EXPECT_TRUE(readd.Start(shell, record));
  EXPECT_TRUE(readd.Step(shell, record));
  EXPECT_FALSE(readd.Step(shell, record));
  EXPECT_FALSE(readd.Pending());
  std::vector<uint32_t> messages;
  for (const auto& call : shell.Calls) messages.push_back(call.Message);
  EXPECT_EQ(messages, (std::vector<uint32_t>{kNimAdd, kNimModify, kNimAdd, kNimModify, kNimSetVersion}));
  // Another error ends it without the version; endless timeouts end after
  // six adds as if taken.
  shell.Calls.clear();
  shell.Script = {{false, 5}};
  EXPECT_FALSE(readd.Start(shell, record));
  EXPECT_EQ(shell.Calls.size(), 1u);
  shell.Calls.clear();
  for (int i = 0; i < 12; ++i) shell.Script.push_back({false, kErrorTimeout});
  int steps = 0;
  for (bool more = readd.Start(shell, record); more; more = readd.Step(shell, record)) ++steps;
  EXPECT_EQ(steps, 6);
  EXPECT_EQ(shell.Calls.back().Message, kNimSetVersion);
  EXPECT_TRUE(shell.Sleeps.empty());
}

// --- Text limits in UTF-16 units ----------------------------------------------------------

TEST(TrayIconText, LongTipIsCutTo127Units) {
  TScriptedShell shell;
  const std::string tip(200, 'x');
  SetTrayTip(shell, kWindow, kIcon, tip);
  EXPECT_EQ(Text(shell.Calls[0].Data.szTip), std::string(127, 'x'));
  EXPECT_EQ(shell.Calls[0].Data.szTip[127], u'\0');

  shell.Calls.clear();
  const std::string path = "C:\\Pictures\\holiday\\beach-0001.jpg";  // fits whole
  SetTrayTip(shell, kWindow, kIcon, path);
  EXPECT_EQ(Text(shell.Calls[0].Data.szTip), path);
}

TEST(TrayIconText, LimitsCountUnitsNotBytes) {
  // 127 Japanese characters are 381 UTF-8 bytes, yet fit the tooltip.
  std::string japanese;
  for (int i = 0; i < 130; ++i) japanese += "画";
  char16_t field[128];
  EXPECT_EQ(CopyTrayText(field, japanese), 127u);
  EXPECT_EQ(field[126], u'画');
  EXPECT_EQ(field[127], u'\0');
  char16_t title[64];
  EXPECT_EQ(CopyTrayText(title, japanese), 63u);
  char16_t info[256];
  EXPECT_EQ(CopyTrayText(info, japanese), 130u);
}

TEST(TrayIconText, SurrogatePairsAreNeverSplit) {
  // 126 units, then U+1F600 (two units): the pair would end at unit 128.
  const std::string text = std::string(126, 'a') + "\xF0\x9F\x98\x80" + "b";
  char16_t field[128];
  EXPECT_EQ(CopyTrayText(field, text), 126u);
  EXPECT_EQ(field[125], u'a');
  EXPECT_EQ(field[126], u'\0');
  // One unit earlier the pair fits whole.
  const std::string fits = std::string(125, 'a') + "\xF0\x9F\x98\x80" + "b";
  EXPECT_EQ(CopyTrayText(field, fits), 127u);
  EXPECT_EQ(field[125], char16_t(0xD83D));
  EXPECT_EQ(field[126], char16_t(0xDE00));
  EXPECT_EQ(field[127], u'\0');
}

TEST(TrayIconText, ShorterTextClearsTheRestOfTheField) {
  char16_t field[16];
  CopyTrayText(field, std::string(15, 'z'));
  CopyTrayText(field, "ab");
  EXPECT_EQ(std::u16string(field), u"ab");
  EXPECT_TRUE(AllZero(field + 2, 14));
}

// Shortened to 20 units, so that each rule shows in a short path.
TEST(TrayIconText, ALongPathKeepsItsRootItsLastFoldersAndItsName) {
  struct TCase {
    const char* Path;
    const char* Tip;
  } const cases[] = {
      {"C:\\a\\b\\name.jpg", "C:\\a\\b\\name.jpg"},  // fits whole
      {"C:\\first\\second\\third\\p.jpg", "C:\\…\\third\\p.jpg"},
      {"C:\\fold\\写真\\休暇\\海.jpg", "C:\\fold\\写真\\休暇\\海.jpg"},  // 19 units, 31 bytes
      {"C:\\folder\\写真\\休暇\\海辺.jpg", "C:\\…\\写真\\休暇\\海辺.jpg"},
      {"\\\\srv\\share\\deep\\deeper\\a.jpg", "\\\\srv\\share\\…\\a.jpg"},      // a share's root
      {"C:\\folders\\a-long-name.jpeg", "…\\a-long-name.jpeg"},                 // no room for the root
      {"C:\\x\\a-much-longer-name.jpg", "a-much-longer-n….jpg"},                // nor for "…\"
      {"C:\\x\\abcdefghijklmn\xF0\x9F\x98\x80xyz.jpg", "abcdefghijklmn….jpg"},  // a pair is not split
      {"C:\\x\\no-extension-at-all-here", "no-extension-at-all…"},
  };
  for (const TCase& c : cases) EXPECT_EQ(ShortenedTip(c.Path, 20), c.Tip) << c.Path;
  const std::string long127 = "C:\\" + std::string(120, 'f') + "\\p.jpg";
  EXPECT_EQ(ShortenedTip(long127), "C:\\…\\p.jpg") << "127 units is the tooltip's own limit";
  EXPECT_EQ(ShortenedTip(long127.substr(2)), long127.substr(2));
}

}  // namespace

#include "framework/Forms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/CancelToken.h"
#include "framework/Menus.h"

namespace {

class TRecordingBoxes : public TMessageBoxes {
public:
  struct TBox {
    std::string Text, Caption;
    TMsgDlgType Type;
  };
  std::vector<TBox> Shown;
  // Runs while the box is up, as its modal loop would.
  std::function<void()> WhileUp;
  void Show(const std::string& text, const std::string& caption, TMsgDlgType type) override {
    Shown.push_back({text, caption, type});
    if (WhileUp) WhileUp();
  }
};

TEST(ErrorDisplay, APeriodFollowsLastCharactersThatSortAfterIt) {
  EXPECT_EQ(ErrorDisplayText("読めません"), "読めません.");
  EXPECT_EQ(ErrorDisplayText("終了します。"), "終了します。.");
  EXPECT_EQ(ErrorDisplayText("file a.bmp"), "file a.bmp.");
  EXPECT_EQ(ErrorDisplayText("code 5"), "code 5.");
  EXPECT_EQ(ErrorDisplayText("(5)"), "(5)");  // ')' sorts before '.'
  EXPECT_EQ(ErrorDisplayText("done."), "done.");
  EXPECT_EQ(ErrorDisplayText("stop!"), "stop!");
  EXPECT_EQ(ErrorDisplayText("a-"), "a-");
  EXPECT_EQ(ErrorDisplayText("a/"), "a/.");
  EXPECT_EQ(ErrorDisplayText(""), "");
  EXPECT_EQ(ErrorDisplayText("emoji \xF0\x9F\x98\x80"), "emoji \xF0\x9F\x98\x80.");
}

TEST(ErrorDisplay, ShowExceptionUsesTheTitleAndTheErrorIcon) {
  TRecordingBoxes boxes;
  TApplication application(boxes);
  application.Title = "Kobaru";
  application.Guard([] { throw Exception("画像が読めません"); });
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_EQ(boxes.Shown[0].Text, "画像が読めません.");
  EXPECT_EQ(boxes.Shown[0].Caption, "Kobaru");
  EXPECT_EQ(boxes.Shown[0].Type, mtError);
  application.Guard([] {});
  EXPECT_EQ(boxes.Shown.size(), 1u);
}

TEST(ErrorDisplay, OneBoxAtATimeToldToItsWatcherAndNoneForCancelledWork) {
  TRecordingBoxes boxes;
  TApplication application(boxes);
  std::vector<bool> told;
  application.OnErrorBox = [&told](bool up) { told.push_back(up); };
  boxes.WhileUp = [&] { application.Guard([] { throw Exception("second"); }); };
  application.Guard([] { throw Exception("first"); });
  application.Guard([] { throw ECancelled(); });
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_EQ(boxes.Shown[0].Text, "first.");
  EXPECT_EQ(told, (std::vector<bool>{true, false}));
  boxes.WhileUp = nullptr;
  application.Guard([] { throw Exception("third"); });
  EXPECT_EQ(boxes.Shown.size(), 2u);
}

TEST(ErrorDisplay, CaptionsFollowTheBoxType) {
  EXPECT_EQ(MessageBoxCaption(mtError, "T"), "エラー");
  EXPECT_EQ(MessageBoxCaption(mtWarning, "T"), "警告");
  EXPECT_EQ(MessageBoxCaption(mtInformation, "T"), "情報");
  EXPECT_EQ(MessageBoxCaption(mtConfirmation, "T"), "確認");
  EXPECT_EQ(MessageBoxCaption(mtCustom, "T"), "T");
}

TEST(Timer, ReportsChangesToItsRealisationAndTicksOnlyWhenEnabled) {
  TTimer timer;
  std::vector<std::pair<bool, uint32_t>> changes;
  int ticks = 0;
  timer.OnChange = [&](bool enabled, uint32_t interval) { changes.push_back({enabled, interval}); };
  timer.OnTimer = [&] { ++ticks; };
  timer.SetInterval(50);
  timer.SetEnabled(false);
  timer.Tick();
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(false);  // no change, no report
  timer.SetEnabled(true);
  timer.Tick();
  EXPECT_EQ(ticks, 1);
  const std::vector<std::pair<bool, uint32_t>> expected = {{true, 50}, {false, 50}, {true, 50}};
  EXPECT_EQ(changes, expected);
}

TEST(Action, LinkedItemsFollowCaptionAndStateAndExecuteIt) {
  TAction action(7, "再生(&P)");
  TMenuItem item;
  int runs = 0;
  action.OnExecute = [&](TAction* sender) {
    EXPECT_EQ(sender, &action);
    ++runs;
  };
  action.Link(&item);
  EXPECT_EQ(item.Caption, "再生(&P)");
  EXPECT_TRUE(item.Enabled);
  action.SetEnabled(false);
  EXPECT_FALSE(item.Enabled);
  item.Click();
  EXPECT_EQ(runs, 0) << "a disabled action does not run";
  action.SetEnabled(true);
  action.SetCaption("Play");
  EXPECT_EQ(item.Caption, "Play");
  item.Click();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(action.Id(), 7);
}

}  // namespace

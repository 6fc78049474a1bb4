#include "app/TrayCommands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/BmpFile.h"
#include "support/StdFolderEnumerator.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using testing::ElementsAre;
using vemo_test::TTempFolder;

// --- The main window's surroundings, as small as they can be -------------------------

class TClock : public TMillisecondClock {
public:
  uint32_t Value = 5000;
  uint32_t Now() override { return Value; }
};

class TTray : public TNotificationArea {
public:
  bool NotifyIcon(uint32_t, const TNotifyIconData&) override { return true; }
  uint32_t LastError() override { return 0; }
  void Sleep(uint32_t) override {}
};

class TIcons : public TIconFactory {
public:
  THandleValue Next = 1;
  THandleValue CreateIcon(const TBitmap&, const TBitmap&) override { return Next++; }
  void DestroyIcon(THandleValue) override {}
};

class TBoxes : public TMessageBoxes {
public:
  std::vector<std::string> Shown;
  void Show(const std::string& text, const std::string&, TMsgDlgType) override { Shown.push_back(text); }
};

class TWindow : public TWindowHost {
public:
  THandleValue Handle() override { return 7; }
  void PostClose() override {}
};

// --- The services, recording the order of the steps ----------------------------------

class TServices : public TTrayServices {
public:
  explicit TServices(TVEMOMainForm*& form) : FForm(form) {}
  std::vector<std::string> Log;
  TPoint Cursor{300, 400};
  std::optional<TStoragePlace> Place = spIniFile;
  // A place whose saves fail.
  std::optional<TStoragePlace> RefusingPlace;
  // What the user does in the dialog.
  std::function<TConfigChanges(TSettings&)> Dialog = [](TSettings&) { return TConfigChanges(0); };
  std::vector<uint16_t> SavedIntervals;
  std::vector<TStoragePlace> SavedPlaces;
  std::vector<int32_t> SavedFolderCounts;
  std::vector<std::vector<std::string>> SavedHidden;

  TPoint CursorPos() override {
    Log.push_back("cursor");
    return Cursor;
  }
  // Where the shell says the icon is; none when empty.
  std::optional<TPoint> Anchor;
  uint32_t Time = 0;
  bool IconAnchor(TPoint& at) override {
    if (Anchor) at = *Anchor;
    return Anchor.has_value();
  }
  uint32_t Now() override { return Time; }
  void SetForeground() override { Log.push_back(Clock("foreground")); }
  void PopupMenu(TMenuItem& menu, const TPoint& at) override {
    const std::string which = &menu == &FForm->PopupMenu1   ? "main"
                              : &menu == &FForm->popHistory ? "history"
                                                            : "?";
    Log.push_back(Clock("menu " + which + " at " + Point(at)));
    if (WhileMenuOpen) std::exchange(WhileMenuOpen, nullptr)();
  }
  // What arrives while the menu is up.
  std::function<void()> WhileMenuOpen;
  void ShowPreviewDialog(const TPoint& at, const std::string& path,
                         const std::function<void(const std::string&)>&) override {
    Log.push_back(Clock("preview " + path + " at " + Point(at)));
    if (Preview) std::exchange(Preview, nullptr)();
  }
  // What arrives while the preview is up.
  std::function<void()> Preview;
  TConfigDialogResult ShowConfigDialog(TConfigDialogParams params) override {
    Log.push_back(Clock("dialog interval " + std::to_string(params.Settings.Interval) + " storage " +
                        std::to_string(int(params.Settings.Storage))));
    TConfigDialogResult result{0, params.Settings};
    result.Changes = Dialog(result.Settings);
    return result;
  }
  void ShowAboutBox() override { Log.push_back("about"); }
  void OpenHomePage() override { Log.push_back("home page"); }
  void OpenShellTarget(const std::string& target) override { Log.push_back(Clock("open " + target)); }
  bool QueryStorage(TStoragePlace& place) override {
    Log.push_back("query");
    if (!Place) return false;
    place = *Place;
    return true;
  }
  void MoveSettings(const TSettings& settings) override {
    Log.push_back("move to " + std::to_string(int(settings.Storage)));
    Place = settings.Storage;
    SaveSettings(settings);
  }
  void SaveSettings(const TSettings& settings) override {
    const uint16_t interval = settings.Interval;
    const TFolderList& folders = settings.Folders;
    Log.push_back("save " + std::to_string(interval) + " into " +
                  (Place ? std::to_string(int(*Place)) : std::string("none")));
    if (Place && Place == RefusingPlace) throw Exception("refused");
    SavedIntervals.push_back(interval);
    SavedFolderCounts.push_back(folders.Count());
    SavedHidden.push_back(settings.Hidden);
  }

private:
  std::string Clock(const std::string& text) const {
    return text + (FForm->Show().ClockRunning() ? " (clock running)" : " (clock held)");
  }
  static std::string Point(const TPoint& p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }
  TVEMOMainForm*& FForm;
};

class TrayCommandsTest : public testing::Test {
protected:
  void SetUp() override {
    App.Title = "Kobaru";
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
      TBitmap picture(8, 8, pf24bit);
      FillRandom(picture, uint32_t(name[0]));
      SaveBitmapToFile(vemo_test::Utf8FromPath(Temp.MakeFolder("one") / name), picture);
    }
    Second = vemo_test::Utf8FromPath(Temp.MakeFolder("two"));
    TBitmap picture(8, 8, pf24bit);
    SaveBitmapToFile(Second + "/d.bmp", picture);
    Form = std::make_unique<TVEMOMainForm>(
        TMainFormServices{App, Window, Clock, Tray, Icons, [] { return 0x00060000u; },
                          [this] {
                            TLoadedSettings loaded;
                            loaded.Settings.Folders.Add(vemo_test::Utf8FromPath(Temp.FsPath() / "one"));
                            return loaded;
                          },
                          [this](const std::string& path) { return Folders.AttributesOf(path); }, Folders,
                          nullptr, [this] { return Facts; }});
    FormPointer = Form.get();
    Form->FormCreate();
    Commands = std::make_unique<TTrayCommands>(*Form, Services);
  }
  void TearDown() override {
    Commands.reset();
    Form.reset();
  }
  // Plays until the icon is in the middle of its first fade.
  void PlayIntoTheFade() {
    Form->Play();
    // The first tick changes to the first picture; 15.5 s later it fades.
    Clock.Value += 1100;
    Form->Timer1.Tick();
    Clock.Value += 15 * 1000 + 500;
    Form->Timer1.Tick();
    ASSERT_TRUE(Form->Show().IsFading(Clock.Value));
  }

  TTempFolder Temp{"vemo-tray"};
  std::string Second;
  TBoxes Boxes;
  TApplication App{Boxes};
  TWindow Window;
  TClock Clock;
  TTray Tray;
  TIcons Icons;
  vemo_test::TStdFolderEnumerator Folders;
  std::unique_ptr<TVEMOMainForm> Form;
  TVEMOMainForm* FormPointer = nullptr;
  TServices Services{FormPointer};
  std::unique_ptr<TTrayCommands> Commands;
  TTrayFacts Facts;  // what Windows says
};

TEST_F(TrayCommandsTest, MenusOpenAtTheCursorWithTheWindowInFrontAndTheClockHeld) {
  Form->Play();
  Form->WMTrayIcon(517);
  Form->WMTrayIcon(513);
  EXPECT_THAT(Services.Log,
              ElementsAre("cursor", "foreground (clock held)", "menu main at 300,400 (clock held)", "cursor",
                          "foreground (clock held)", "menu history at 300,400 (clock held)"));
  EXPECT_TRUE(Form->IsPlaying()) << "the clock runs again after the handler";
  // Stopped, the clock stays stopped.
  Form->Stop(true);
  Services.Log.clear();
  Form->WMTrayIcon(517);
  EXPECT_THAT(Services.Log,
              ElementsAre("cursor", "foreground (clock held)", "menu main at 300,400 (clock held)"));
  EXPECT_FALSE(Form->IsPlaying());
}

TEST_F(TrayCommandsTest, KeyboardUsersOpenBothMenusByTheIconWithTheClockHeld) {
  Form->Play();
  Services.Anchor = TPoint{1250, 1010};
  Form->WMTrayIcon(kTrayContextMenu);
  Form->WMTrayIcon(kTrayKeySelect);
  EXPECT_THAT(Services.Log,
              ElementsAre("cursor", "foreground (clock held)", "menu main at 1250,1010 (clock held)",
                          "cursor", "foreground (clock held)", "menu history at 1250,1010 (clock held)"));
  EXPECT_TRUE(Form->IsPlaying());
  EXPECT_EQ(Commands->HistoryPoint().X, 1250);
  // The same key press reported twice opens the menu once, also when the
  // second report comes while the menu is up; a later press opens it again.
  Services.Log.clear();
  Services.Time += kTrayKeySelectEcho - 1;
  Form->WMTrayIcon(kTrayKeySelect);
  EXPECT_TRUE(Services.Log.size() == 1u) << "the echo opened a menu";
  Services.Time += kTrayKeySelectEcho;
  Services.Anchor.reset();
  Services.WhileMenuOpen = [this] { Form->WMTrayIcon(kTrayKeySelect); };
  Form->WMTrayIcon(kTrayKeySelect);
  EXPECT_THAT(Services.Log, ElementsAre("cursor", "cursor", "foreground (clock held)",
                                        "menu history at 300,400 (clock held)", "cursor"))
      << "without the icon's place, at the cursor";
}

TEST_F(TrayCommandsTest, TheTimeInTheHandlerIsLeftOutOfTheShow) {
  Form->Play();
  Clock.Value += 2000;
  Form->Timer1.Tick();
  const uint32_t before = Form->Show().Time(Clock.Value);
  Services.Dialog = [this](TSettings&) {
    Clock.Value += 60000;  // the menu stays open for a minute
    return TConfigChanges(0);
  };
  Form->WMTrayIcon(1029);
  Clock.Value += 100;
  Form->Timer1.Tick();
  EXPECT_EQ(Form->Show().Time(Clock.Value), before + 100);
}

TEST_F(TrayCommandsTest, ExitWhileTheSettingsDialogIsUpSavesNothingAndTouchesNothing) {
  Form->Play();
  Services.Dialog = [this](TSettings& params) {
    Form->FormDestroy();  // Exit, chosen from the icon's menu the dialog still serves
    return TConfigChanges(params.Interval == 15 ? ccInterval | ccFolders : 0);
  };
  Form->WMTrayIcon(1029);
  for (const std::string& step : Services.Log) EXPECT_EQ(step.find("save"), std::string::npos) << step;
  EXPECT_FALSE(Form->Show().ClockRunning());
}

TEST_F(TrayCommandsTest, ADoubleClickPreviewsTheCurrentPictureOnlyWhenThereIsOne) {
  Form->WMTrayIcon(515);
  EXPECT_THAT(Services.Log, ElementsAre("cursor")) << "no picture yet: nothing";
  // The first picture change makes a play-list picture current.
  Form->Play();
  Clock.Value += 16000;
  Form->Timer1.Tick();
  ASSERT_NE(Form->Current().Index, -1);
  Services.Log.clear();
  Services.Cursor = {10, 20};
  Form->WMTrayIcon(515);
  EXPECT_THAT(Services.Log,
              ElementsAre("cursor", "preview " + Form->Current().Path + " at 10,20 (clock held)"));
  Folders.Attributes[vemo_test::PathFromUtf8(Form->Current().Path)] = kAttributeOffline;
  EXPECT_THROW(Form->WMTrayIcon(515), Exception);
  EXPECT_EQ(Services.Log.size(), 3u) << "gone back to the cloud: a preview would fetch it again";
}

TEST_F(TrayCommandsTest, OtherEventsDoNothingButReadTheCursor) {
  Form->Play();
  for (uint32_t event : {512u, 514u, 516u, 1028u, 0x10000u + 517u}) Form->WMTrayIcon(event);
  EXPECT_EQ(Services.Log.size(), 5u);
  for (const std::string& entry : Services.Log) EXPECT_EQ(entry, "cursor");
  EXPECT_TRUE(Form->IsPlaying());
}

TEST_F(TrayCommandsTest, AHistoryChoicePreviewsWhereTheHistoryMenuOpened) {
  Services.Cursor = {1200, 1010};
  Form->WMTrayIcon(513);
  Services.Cursor = {5, 5};
  Form->History()->Add("C:\\p\\x.jpg", *Form->DefaultTile());
  Form->popHistory.Items(0)->Click();
  EXPECT_EQ(Services.Log.back(), "preview C:\\p\\x.jpg at 1200,1010 (clock held)");
}

TEST_F(TrayCommandsTest, AboutAndHomePageRunTheirCommands) {
  Form->actAbout.Execute();
  Form->actWebsite.Execute();
  EXPECT_THAT(Services.Log, ElementsAre("about", "home page"));
}

TEST_F(TrayCommandsTest, OkWithoutChangesSavesAndRebuildsNothing) {
  const int opened = Folders.Opened;
  Form->actConfig.Execute();
  EXPECT_THAT(Services.Log, ElementsAre("query", "dialog interval 15 storage 0 (clock held)"));
  EXPECT_EQ(Folders.Opened, opened);
}

TEST_F(TrayCommandsTest, TheDialogStartsFromTheIntervalInForce) {
  PlayIntoTheFade();
  Services.Dialog = [](TSettings& params) {
    params.Interval = 30;
    return TConfigChanges(ccInterval);
  };
  Form->actConfig.Execute();  // interval 30 pending until the fade ends
  EXPECT_EQ(Form->Show().NewInterval(), 30);
  EXPECT_EQ(Form->Show().Interval(), 15);
  Services.Log.clear();
  Services.Dialog = [](TSettings&) { return TConfigChanges(0); };
  Form->actConfig.Execute();
  EXPECT_THAT(Services.Log, ElementsAre("query", "dialog interval 15 storage 0 (clock running)"));
}

TEST_F(TrayCommandsTest, ChangedIntervalOutsideAFadeIsSavedAndInForceAtOnce) {
  Services.Dialog = [](TSettings& params) {
    params.Interval = 42;
    return TConfigChanges(ccInterval);
  };
  const int opened = Folders.Opened;
  Form->actConfig.Execute();
  EXPECT_THAT(Services.Log,
              ElementsAre("query", "dialog interval 15 storage 0 (clock held)", "save 42 into 0"));
  EXPECT_EQ(Form->Show().Interval(), 42);
  EXPECT_EQ(Folders.Opened, opened) << "no rescan for an interval";
}

TEST_F(TrayCommandsTest, ChangedIntervalDuringAFadeWaitsForItsEnd) {
  PlayIntoTheFade();
  Services.Dialog = [](TSettings& params) {
    params.Interval = 42;
    return TConfigChanges(ccInterval);
  };
  Form->actConfig.Execute();
  EXPECT_EQ(Services.SavedIntervals, std::vector<uint16_t>{42});
  EXPECT_EQ(Form->Show().Interval(), 15);
  Clock.Value += 600;  // the fade ends and the picture changes: the interval is in force from there
  Form->Timer1.Tick();
  EXPECT_EQ(Form->Show().Interval(), 42);
  EXPECT_EQ(Form->Timer1.Interval(), 42000u);
}

TEST_F(TrayCommandsTest, ChangedFoldersRebuildThePlayListOnlyOutsideAFade) {
  Services.Dialog = [this](TSettings& params) {
    params.Folders.Add(Second);
    return TConfigChanges(ccFolders);
  };
  Form->actConfig.Execute();
  EXPECT_EQ(Form->PlayList()->Count(), 4) << "rebuilt with the new folder";
  EXPECT_EQ(Services.SavedFolderCounts, std::vector<int32_t>{2});

  Services.Dialog = [](TSettings& params) {
    params.Folders.Delete(1);
    return TConfigChanges(ccFolders);
  };
  PlayIntoTheFade();
  Form->actConfig.Execute();
  EXPECT_EQ(Form->Settings().Folders.Count(), 1);
  EXPECT_EQ(Form->PlayList()->Count(), 4) << "the play list keeps its pictures until its end";
  EXPECT_EQ(Services.SavedFolderCounts, (std::vector<int32_t>{2, 1}));
}

TEST_F(TrayCommandsTest, AMovedStoreSavesIntoTheOldPlaceThenMovesAndSavesIntoTheNew) {
  Services.Dialog = [](TSettings& params) {
    params.Storage = spRegistry;
    return TConfigChanges(ccStorage);
  };
  Form->actConfig.Execute();
  EXPECT_THAT(Services.Log, ElementsAre("query", "dialog interval 15 storage 0 (clock held)",
                                        "save 15 into 0", "move to 1", "save 15 into 1"));
}

TEST_F(TrayCommandsTest, AMoveTheNewPlaceCannotTakeGoesBackBeforeTheErrorIsShown) {
  Services.Place = spRegistry;
  Services.RefusingPlace = spIniFile;
  Services.Dialog = [](TSettings& params) {
    params.Storage = spIniFile;
    return TConfigChanges(ccStorage);
  };
  EXPECT_THROW(Form->actConfig.Execute(), Exception);
  EXPECT_THAT(Services.Log,
              ElementsAre("query", "dialog interval 15 storage 1 (clock held)", "save 15 into 1", "move to 0",
                          "save 15 into 0", "move to 1", "save 15 into 1"));
  EXPECT_EQ(Services.Place, spRegistry);
}

TEST_F(TrayCommandsTest, AStoreThatReportsNoPlaceStartsTheDialogAtTheIniFile) {
  Services.Place.reset();
  Form->actConfig.Execute();
  EXPECT_THAT(Services.Log, ElementsAre("query", "dialog interval 15 storage 0 (clock held)"));
}

TEST_F(TrayCommandsTest, ABalloonClickRunsTheSettingsWithTheClockHeld) {
  Form->Play();
  Form->WMTrayIcon(1029);
  EXPECT_THAT(Services.Log, ElementsAre("cursor", "query", "dialog interval 15 storage 0 (clock held)"));
  EXPECT_TRUE(Form->IsPlaying());
}

TEST_F(TrayCommandsTest, AnErrorInTheHandlerStillLetsTheClockRunAgain) {
  Form->Play();
  Services.Dialog = [](TSettings&) -> TConfigChanges { throw Exception("store broken"); };
  EXPECT_THROW(Form->WMTrayIcon(1029), Exception);
  EXPECT_TRUE(Form->IsPlaying());
  EXPECT_TRUE(Form->Show().ClockRunning());
}

TEST_F(TrayCommandsTest, AFailedSaveKeepsTheIntervalAndFoldersInForceAndPending) {
  PlayIntoTheFade();
  Services.Dialog = [](TSettings& params) {
    params.Interval = 30;
    return TConfigChanges(ccInterval);
  };
  Form->actConfig.Execute();
  Services.RefusingPlace = spIniFile;
  Services.Dialog = [this](TSettings& params) {
    params.Interval = 42;
    params.Folders.Add(Second);
    return TConfigChanges(ccInterval | ccFolders);
  };
  EXPECT_THROW(Form->actConfig.Execute(), Exception);
  EXPECT_EQ(Form->Show().Interval(), 15);
  EXPECT_EQ(Form->Show().NewInterval(), 30);
  EXPECT_EQ(Form->Settings().Folders.Count(), 1);
}

TEST_F(TrayCommandsTest, NeverShowSavesTheListAtOnceAndRefusesWhatTheStoreCannotHold) {
  const std::string other = Second + "/d.bmp", emoji = Second + "/\xF0\x9F\x98\x80.bmp";
  Commands->NeverShow(other);
  EXPECT_THAT(Services.SavedHidden.at(0), ElementsAre(other));
  Services.RefusingPlace = spIniFile;  // a failed save is shown; the picture stays hidden
  EXPECT_THROW(Commands->NeverShow(Second + "/e.bmp"), Exception);
  EXPECT_EQ(Form->Hidden().Count(), 2);
  EXPECT_THROW(Commands->NeverShow(emoji), Exception) << "code page 932 has no emoji";
  Services.Place = spRegistry;
  EXPECT_NO_THROW(Commands->NeverShow(emoji));
  TSettings full = Form->Settings();
  for (int32_t i = 0; i < kHiddenMax; ++i) full.Hidden.push_back(std::to_string(i));
  Form->ApplySettings(full);
  EXPECT_THROW(Commands->NeverShow(Second + "/f.bmp"), Exception) << "a full list says so";
}

TEST_F(TrayCommandsTest, HoldsAreCountedSoAMenuClosingNeverReleasesThePreviewStillOpen) {
  Form->Play();
  std::vector<bool> held;
  Services.Preview = [&] {
    Form->WMTrayIcon(kTrayRightButtonUp);  // a right click while the preview is up
    held.push_back(Form->Show().ClockRunning());
  };
  Clock.Value += 16000;
  Form->Timer1.Tick();
  Form->WMTrayIcon(kTrayLeftDoubleClick);
  EXPECT_EQ(held, std::vector<bool>{false});
  EXPECT_TRUE(Form->Show().ClockRunning());
}

TEST_F(TrayCommandsTest, ACommandArrivingAfterTheTeardownDoesNothing) {
  Form->FormDestroy();
  for (TAction* action : {&Form->actConfig, &Form->actAbout, &Form->actPlay, &Form->actExit})
    EXPECT_FALSE(action->Execute());
  Commands->actConfigExecute();
  EXPECT_TRUE(Services.Log.empty());
}

TEST_F(TrayCommandsTest, TheHintsClickOpensWhereIconsAreShownUntilAnotherBalloonComes) {
  Form->Play();
  Form->ShowTaskbarHint();
  Form->WMTrayIcon(1029);
  Form->ShowNothingToShow();
  Form->WMTrayIcon(1029);
  EXPECT_THAT(Services.Log,
              ElementsAre("cursor", std::string("open ") + kNotificationAreaIconsTarget + " (clock held)",
                          "cursor", "query", "dialog interval 15 storage 0 (clock held)"));
}

TEST_F(TrayCommandsTest, OnWindows11WhileHiddenTheMenuOffersTheHintAgain) {
  Facts = {{10, 0, 22621},    {},     true, {{{vsPresent, "C:\\k\\vemo.exe"}, {vsPresent, 0}, {}}},
           "C:\\k\\vemo.exe", nullptr};
  Form->WMTrayIcon(517);
  ASSERT_TRUE(Form->actTaskbar1->Visible);
  Form->actTaskbar1->Click();
  EXPECT_EQ(Form->BalloonTarget(), kTaskbarSettingsTarget);
  Facts.Entries[0].IsPromoted = {vsPresent, 1};  // put on the taskbar since
  Form->WMTrayIcon(kTrayContextMenu);
  EXPECT_FALSE(Form->actTaskbar1->Visible);
}

}  // namespace

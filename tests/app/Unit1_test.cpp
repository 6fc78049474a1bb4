#include "app/Unit1.h"
#include "picture/Pinwheel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/ZoCommon.h"
#include "framework/BmpFile.h"
#include "framework/Streams.h"
#include "picture/OtherFormats.h"
#include "picture/vemoSub.h"
#include "support/ManualWorker.h"
#include "support/StdFolderEnumerator.h"
#include "support/TempFolder.h"

namespace {

using vemo_test::TTempFolder;

constexpr THandleValue kWindow = 0x4242;
constexpr uint32_t kShell50 = 0x00050000;

class TFakeClock : public TMillisecondClock {
public:
  uint32_t Value = 1000000;
  uint32_t Now() override { return Value; }
};

struct TTrayCall {
  uint32_t Message;
  TNotifyIconData Data;
};

class TFakeTray : public TNotificationArea {
public:
  std::vector<TTrayCall> Calls;
  // Answers each call; accepts everything when empty.
  std::function<bool(uint32_t message)> Answer;
  uint32_t Error = 0;
  std::vector<uint32_t> Sleeps;

  bool NotifyIcon(uint32_t message, const TNotifyIconData& data) override {
    Calls.push_back({message, data});
    return Answer ? Answer(message) : true;
  }
  uint32_t LastError() override { return Error; }
  void Sleep(uint32_t milliseconds) override { Sleeps.push_back(milliseconds); }

  std::vector<TTrayCall> CallsOf(uint32_t message, uint32_t flags) const {
    std::vector<TTrayCall> result;
    for (const TTrayCall& call : Calls)
      if (call.Message == message && call.Data.uFlags == flags) result.push_back(call);
    return result;
  }
};

// Icons as copies of the tile they were made of; every handle must be
// destroyed exactly once.
class TFakeIcons : public TIconFactory {
public:
  std::map<THandleValue, std::unique_ptr<TBitmap>> Live;
  THandleValue NextHandle = 0x100;
  int Created = 0;
  int32_t Side = 16;

  THandleValue CreateIcon(const TBitmap& color, const TBitmap& mask) override {
    EXPECT_EQ(color.Width(), Side);
    EXPECT_EQ(color.Height(), Side);
    EXPECT_EQ(mask.Width(), Side);
    EXPECT_EQ(color.PixelFormat(), pf24bit);
    EXPECT_EQ(mask.PixelFormat(), pf1bit);
    for (int32_t y = 0; y < mask.Height(); ++y)
      for (int32_t x = 0; x < mask.Width(); ++x) EXPECT_EQ(mask.RawPixel(x, y), 0u) << "mask must be opaque";
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(color);
    const THandleValue handle = NextHandle++;
    Live[handle] = std::move(copy);
    ++Created;
    return handle;
  }
  void DestroyIcon(THandleValue icon) override {
    EXPECT_EQ(Live.erase(icon), 1u) << "icon " << icon << " destroyed twice or never made";
  }
  const TBitmap& Tile(THandleValue icon) const { return *Live.at(icon); }
};

struct TBoxShown {
  std::string Text, Caption;
  TMsgDlgType Type;
};

class TFakeBoxes : public TMessageBoxes {
public:
  std::vector<TBoxShown> Shown;
  // Runs while the box is up, as the box's own message loop would.
  std::function<void()> WhileUp;
  void Show(const std::string& text, const std::string& caption, TMsgDlgType type) override {
    Shown.push_back({text, caption, type});
    if (WhileUp) WhileUp();
  }
};

class TFakeWindow : public TWindowHost {
public:
  int Closes = 0;
  THandleValue Handle() override { return kWindow; }
  void PostClose() override { ++Closes; }
};

using vemo_test::TManualWorker;

bool SameTile(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.PixelColor(x, y) != b.PixelColor(x, y)) return false;
  return true;
}

std::string TipOf(const TNotifyIconData& data) {
  std::u16string tip(data.szTip);
  return Utf16ToUtf8(tip);
}

class MainFormTest : public testing::Test {
protected:
  void SetUp() override { RandSeed = 0; }
  void TearDown() override {
    Form.reset();
    EXPECT_TRUE(Icons.Live.empty()) << "icons left alive after teardown";
    RandSeed = 0;
  }

  // A 16 x 16 picture of one colour; its tile is that colour all over.
  std::string Picture(const std::string& relative, TColor color) {
    TBitmap bitmap(16, 16, pf24bit);
    bitmap.Canvas().Brush.Color = color;
    bitmap.Canvas().FillRect({0, 0, 16, 16});
    const std::filesystem::path path = (Temp.FsPath() / vemo_test::PathFromUtf8(relative)).lexically_normal();
    std::filesystem::create_directories(path.parent_path());
    const std::string name = vemo_test::Utf8FromPath(path);
    SaveBitmapToFile(name, bitmap);
    Colors[name] = color;
    return name;
  }
  std::string Folder(const std::string& relative) { return Temp.Path() + PathDelim + relative; }

  // Pictures of these colours in "pics" (a.bmp, b.bmp, ...), an interval of
  // 3 s and the form created.
  void CreateWithPictures(std::initializer_list<TColor> colors) {
    char name = 'a';
    for (TColor color : colors) Picture(std::string("pics/") + name++ + ".bmp", color);
    StoredFolders = {Folder("pics")};
    StoredInterval = 3;
    Create();
  }
  // The same, playing; returns the clock at Play.
  uint32_t PlayPictures(std::initializer_list<TColor> colors) {
    CreateWithPictures(colors);
    Form->Play();
    return Clock.Value;
  }

  void Create() {
    Form = std::make_unique<TVEMOMainForm>(ServicesFor());
    Form->FormCreate();
  }
  TSettings SettingsWithInterval(uint16_t interval) const {
    TSettings settings = Form->Settings();
    settings.Interval = interval;
    return settings;
  }
  TMainFormServices ServicesFor() {
    App.Title = "Kobaru";
    return TMainFormServices{App,
                             Window,
                             Clock,
                             Tray,
                             Icons,
                             [this] { return ShellVersion; },
                             [this] {
                               ++Loads;
                               if (LoadError) throw Exception(*LoadError);
                               TLoadedSettings loaded;
                               loaded.Settings.Interval = StoredInterval;
                               for (const std::string& folder : StoredFolders)
                                 loaded.Settings.Folders.Add(folder);
                               return loaded;
                             },
                             [this](const std::string& path) {
                               ++ExistenceChecks;
                               return Exists && !Exists(path) ? std::nullopt : Enumerator.AttributesOf(path);
                             },
                             Enumerator,
                             Worker};
  }

  // One timer message at clock value t (none while the timer is off).
  void TickAt(uint32_t t) {
    Clock.Value = t;
    Form->Timer1.Tick();
  }
  // Timer messages every 50 ms from the clock's value up to and including t.
  void TicksUntil(uint32_t t) {
    while (int32_t(t - Clock.Value) >= 50) TickAt(Clock.Value + 50);
  }

  // Runs Timer1 as the system would, one tick each time its interval is up,
  // until the picture changes count times; returns the ticks it took.
  int RunTimerUntilChanges(int count) {
    int ticks = 0;
    for (; count > 0 && Form->Timer1.Enabled() && ticks < 10000; ++ticks) {
      const uint32_t before = Form->Show().Time(Clock.Value);
      TickAt(Clock.Value + Form->Timer1.Interval());
      count -= Form->Show().Time(Clock.Value) < before;  // a change starts the picture's time anew
    }
    return ticks;
  }

  // Ticks whenever the timer is armed, as late as a real one (0 to 16 ms),
  // until the clock reaches until.
  void FollowTimerUntil(uint32_t until) {
    for (int late = 0; Form->Timer1.Enabled() && int32_t(until - Clock.Value) > 0; late = (late + 7) % 17)
      TickAt(Clock.Value + Form->Timer1.Interval() + uint32_t(late));
  }
  // Makes the picture unreadable from now on.
  void Break(const std::string& path) {
    Temp.MakeFile(std::filesystem::relative(vemo_test::PathFromUtf8(path), Temp.FsPath()).string(), "BM bad");
  }

  const TBitmap& IconTile() const { return Icons.Tile(Form->Icon()); }
  TColor IconColor() const { return IconTile().PixelColor(8, 8); }
  TColor ColorOf(const std::string& path) const { return Colors.at(path); }
  const std::string& PlayItem(int32_t i) const { return Form->PlayList()->Strings(i); }

  TTempFolder Temp{"vemo-unit1"};
  vemo_test::TStdFolderEnumerator Enumerator;
  std::map<std::string, TColor> Colors;
  TFakeBoxes Boxes;
  TApplication App{Boxes};
  TFakeWindow Window;
  TFakeClock Clock;
  TFakeTray Tray;
  TFakeIcons Icons;
  uint32_t ShellVersion = kShell50;
  uint16_t StoredInterval = 15;
  std::vector<std::string> StoredFolders;
  std::optional<std::string> LoadError;
  std::function<bool(const std::string&)> Exists;
  int Loads = 0;
  int ExistenceChecks = 0;
  // Null: the work is done in place.
  TWorker* Worker = nullptr;
  std::unique_ptr<TVEMOMainForm> Form;
};

// --- Start-up ------------------------------------------------------------------------

TEST_F(MainFormTest, StartsStoppedWithTheDefaultTileRegisteredUnderTheTitle) {
  const std::string a = Picture("pics/a.bmp", RGBColor(200, 100, 50));
  StoredFolders = {Folder("pics")};
  Create();

  EXPECT_EQ(Boxes.Shown.size(), 0u);
  EXPECT_EQ(Window.Closes, 0);
  EXPECT_EQ(Loads, 1);
  EXPECT_EQ(Form->actAbout.Caption(), "Kobaruについて(&A)...");
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Form->Timer1.Interval(), 50u);
  EXPECT_TRUE(Form->actPlay.Enabled());
  EXPECT_FALSE(Form->actStop.Enabled());
  EXPECT_EQ(Form->Current().Index, -1);
  EXPECT_EQ(Form->Current().Path, "");
  EXPECT_TRUE(SameTile(*Form->Current().Bitmap, *Form->DefaultTile()));
  EXPECT_EQ(Form->Next().Index, 0);
  EXPECT_EQ(Form->Next().Path, a);
  EXPECT_EQ(Form->Next().Bitmap->PixelColor(0, 0), ColorOf(a));
  EXPECT_EQ(Form->Show().Time(Clock.Value), 15000u);
  EXPECT_EQ(Form->History()->Count(), 0);

  // One icon, showing the default tile, registered with the callback message,
  // then switched to version 3.
  ASSERT_EQ(Icons.Live.size(), 1u);
  EXPECT_TRUE(SameTile(IconTile(), *Form->DefaultTile()));
  ASSERT_EQ(Tray.Calls.size(), 2u);
  EXPECT_EQ(Tray.Calls[0].Message, kNimAdd);
  EXPECT_EQ(Tray.Calls[0].Data.hWnd, kWindow);
  EXPECT_EQ(Tray.Calls[0].Data.uFlags, kNifMessage | kNifIcon | kNifTip);
  EXPECT_EQ(Tray.Calls[0].Data.uCallbackMessage, 0x464u);
  EXPECT_EQ(Tray.Calls[0].Data.hIcon, Form->Icon());
  EXPECT_EQ(TipOf(Tray.Calls[0].Data), "Kobaru");
  EXPECT_EQ(Tray.Calls[1].Message, kNimSetVersion);
  EXPECT_EQ(Tray.Calls[1].Data.uTimeoutOrVersion, 3u);
  EXPECT_TRUE(Form->IconRegistered());
  EXPECT_EQ(Form->TipText(), "Kobaru");
}

TEST_F(MainFormTest, DefaultTileIsAGreyPinwheelOnBlack) {
  std::unique_ptr<TBitmap> tile = MakeDefaultTile();
  ASSERT_EQ(tile->Width(), 16);
  ASSERT_EQ(tile->PixelFormat(), pf24bit);
  int white = 0, black = 0;
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const TColor c = tile->PixelColor(x, y);
      EXPECT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c)) << "grey only at " << x << "," << y;
      white += c == clWhite;
      black += c == clBlack;
    }
  // Corners and border are background; the arms are solid white.
  EXPECT_EQ(tile->PixelColor(0, 0), TileBackColor());
  EXPECT_EQ(tile->PixelColor(15, 15), TileBackColor());
  EXPECT_GT(white, 20);
  EXPECT_GT(black, 100);
  // Four arms: turning the picture by a quarter gives the same picture.
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x)
      EXPECT_NEAR(RedOf(tile->PixelColor(x, y)), RedOf(tile->PixelColor(15 - y, x)), 1) << x << "," << y;
}

TEST_F(MainFormTest, OldShellRefusesToStartAndTearsDownCleanly) {
  ShellVersion = 0x00040048;  // 4.72
  Create();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(
      Boxes.Shown[0].Text,
      "Windowsのバージョンが古いか、対応していないバージョンです。\rKobaruはWindows2000以降でのみ動作可能"
      "です。終了します。");
  EXPECT_EQ(Boxes.Shown[0].Caption, "エラー");
  EXPECT_EQ(Boxes.Shown[0].Type, mtError);
  EXPECT_EQ(Window.Closes, 1);
  EXPECT_EQ(Loads, 0);
  EXPECT_EQ(Form->History(), nullptr);
  EXPECT_TRUE(Tray.CallsOf(kNimAdd, kNifMessage | kNifIcon | kNifTip).empty());
  EXPECT_EQ(Icons.Created, 0);
  // Commands that arrive before the close do nothing.
  Form->actPlay.Execute();
  Form->Timer1Timer();
  Form->Stop(false);
  EXPECT_FALSE(Form->IsPlaying());
  Form->FormDestroy();
  EXPECT_TRUE(Icons.Live.empty());
}

TEST_F(MainFormTest, ShellVersionIsComparedAsSigned) {
  ShellVersion = 0x80050000;  // negative as a signed number: below 5.0
  Create();
  EXPECT_EQ(Window.Closes, 1);
}

TEST_F(MainFormTest, ShellVersionFiveAndAboveIsAccepted) {
  ShellVersion = 0x00060001;
  Create();
  EXPECT_EQ(Window.Closes, 0);
  EXPECT_TRUE(Form->IconRegistered());
}

TEST_F(MainFormTest, RegistrationFailureShowsTheCodeAndCloses) {
  Tray.Answer = [](uint32_t message) { return message != kNimAdd; };
  Tray.Error = 5;
  Create();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text,
            "タスクトレイにアイコンが登録できませんでした。\rアプリケーションを終了します。(5)");
  EXPECT_EQ(Boxes.Shown[0].Caption, "エラー");
  EXPECT_EQ(Window.Closes, 1);
  EXPECT_FALSE(Form->IconRegistered());
  EXPECT_TRUE(Tray.Sleeps.empty());
  // The window still cleans up after itself.
  Form->FormDestroy();
  EXPECT_EQ(Tray.Calls.back().Message, kNimDelete);
}

TEST_F(MainFormTest, SettingsErrorIsShownAndStartUpGoesOnWithDefaults) {
  LoadError = "設定を読めません";
  Create();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "設定を読めません.");
  EXPECT_EQ(Boxes.Shown[0].Caption, "Kobaru");
  EXPECT_EQ(Window.Closes, 0);
  EXPECT_EQ(Form->Show().Interval(), 15);
  EXPECT_EQ(Form->Show().NewInterval(), 15);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 15000u);
  EXPECT_TRUE(Form->IconRegistered());
  EXPECT_EQ(Form->Next().Index, -1);
}

TEST_F(MainFormTest, AWindowClosedWhileTheSettingsErrorIsUpStartsNothing) {
  LoadError = "設定を読めません";
  Boxes.WhileUp = [this] { Form->FormDestroy(); };  // WM_CLOSE, dispatched by the box's loop
  Create();
  EXPECT_TRUE(Form->Destroyed());
  for (const TTrayCall& call : Tray.Calls) EXPECT_NE(call.Message, kNimAdd);
  EXPECT_EQ(Form->Settings().Folders.Count(), 0);
  EXPECT_FALSE(Form->actPlay.Execute());
}

TEST_F(MainFormTest, UnreadablePicturesAtStartAreToldOnceAndPlayThenSaysNoneCouldBeRead) {
  Temp.MakeFile("pics/broken.bmp", "BM not really a bitmap");
  Temp.MakeFile("pics/broken2.bmp", "BM not one either");
  StoredFolders = {Folder("pics")};
  Create();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Caption, "Kobaru");
  EXPECT_EQ(Boxes.Shown[0].Type, mtError);
  EXPECT_TRUE(Form->IconRegistered());
  EXPECT_EQ(Form->Show().NextState(), nsNothing);
  EXPECT_EQ(Form->Next().Index, -1);
  EXPECT_TRUE(SameTile(IconTile(), *Form->DefaultTile()));
  Form->Play();
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Utf16ToUtf8(Tray.Calls.back().Data.szInfo), LoadText(IDS_NONE_READABLE) + kStoppingText);
}

TEST_F(MainFormTest, TeardownRemovesTheIconAndFreesEverything) {
  Picture("pics/a.bmp", RGBColor(1, 2, 3));
  StoredFolders = {Folder("pics")};
  Create();
  const TNotifyIconData registered = Form->IconData();
  Form->FormDestroy();
  ASSERT_FALSE(Tray.Calls.empty());
  EXPECT_EQ(Tray.Calls.back().Message, kNimDelete);
  EXPECT_EQ(Tray.Calls.back().Data.hWnd, kWindow);
  EXPECT_EQ(Tray.Calls.back().Data.uID, 0u);
  EXPECT_EQ(Tray.Calls.back().Data.uFlags, registered.uFlags);
  EXPECT_TRUE(Icons.Live.empty());
  EXPECT_EQ(Form->PlayList(), nullptr);
  EXPECT_EQ(Form->History(), nullptr);
  EXPECT_FALSE(Form->IsPlaying());
  // A second teardown (the destructor's) does nothing more.
  const size_t calls = Tray.Calls.size();
  Form.reset();
  EXPECT_EQ(Tray.Calls.size(), calls);
}

TEST_F(MainFormTest, TaskbarRestartAddsTheIconAgainWithItsImageAndTooltip) {
  const std::string a = Picture("pics/a.bmp", RGBColor(9, 8, 7));
  StoredFolders = {Folder("pics")};
  StoredInterval = 3;
  Create();
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  ASSERT_EQ(Form->Current().Path, a);
  Tray.Calls.clear();

  Form->TaskbarCreated();
  ASSERT_EQ(Tray.Calls.size(), 2u);
  EXPECT_EQ(Tray.Calls[0].Message, kNimAdd);
  EXPECT_EQ(Tray.Calls[0].Data.hIcon, Form->Icon());
  EXPECT_EQ(TipOf(Tray.Calls[0].Data), a);
  EXPECT_EQ(Tray.Calls[0].Data.uCallbackMessage, 0x464u);
  EXPECT_EQ(Tray.Calls[1].Message, kNimSetVersion);
  EXPECT_EQ(Icons.Live.size(), 1u);

  // A shell still busy after its restart is asked again from the timer, with
  // the icon of then; the window's thread never sleeps.
  Tray.Calls.clear();
  Tray.Error = kErrorTimeout;
  Tray.Answer = [](uint32_t message) { return message == kNimSetVersion; };
  Form->TaskbarCreated();
  EXPECT_TRUE(Form->TrayReAddTimer.Enabled());
  EXPECT_EQ(Form->TrayReAddTimer.Interval(), 2000u);
  Tray.Answer = nullptr;
  Form->TrayReAddTimer.Tick();
  EXPECT_FALSE(Form->TrayReAddTimer.Enabled());
  ASSERT_EQ(Tray.Calls.size(), 3u);
  EXPECT_EQ(Tray.Calls[1].Message, kNimModify);
  EXPECT_EQ(Tray.Calls[1].Data.hIcon, Form->Icon());
  EXPECT_EQ(Tray.Calls[2].Message, kNimSetVersion);
  EXPECT_TRUE(Tray.Sleeps.empty());
}

TEST_F(MainFormTest, TheRightClickMenuFollowsTheActions) {
  Create();
  const TMenuItem& menu = Form->PopupMenu1;
  // Fourteen since Previous and Never show joined Play, Stop and Next.
  ASSERT_EQ(menu.Count(), 14);
  const std::vector<std::string> captions = {"開く(&O)",
                                             "フォルダを開く(&F)",
                                             "再生(&P)",
                                             "停止(&S)",
                                             "前の画像(&B)",
                                             "次の画像(&N)",
                                             "この画像を表示しない(&H)",
                                             "-",
                                             "タスクバーに表示する方法(&T)...",
                                             "設定(&C)...",
                                             "Kobaruについて(&A)...",
                                             "&Orvane ホームページ",
                                             "-",
                                             "終了(&X)"};
  for (int32_t i = 0; i < menu.Count(); ++i) EXPECT_EQ(menu.Items(i)->Caption, captions[size_t(i)]) << i;
  EXPECT_FALSE(Form->actOpen1->Visible);
  EXPECT_FALSE(Form->actOpenFolder1->Visible);
  EXPECT_FALSE(Form->actTaskbar1->Visible) << "only where Windows says the icon is hidden";
  EXPECT_TRUE(Form->N2->IsLine());
  EXPECT_TRUE(Form->actPlay1->Enabled);
  EXPECT_FALSE(Form->actStop1->Enabled);

  Picture("pics/a.bmp", RGBColor(1, 2, 3));
  StoredFolders = {Folder("pics")};
  TSettings settings;
  settings.Interval = Form->Show().NewInterval();
  settings.Folders.Add(Folder("pics"));
  Form->ApplySettings(settings);
  Form->RebuildPlayList();
  Form->actPlay1->Click();
  EXPECT_TRUE(Form->IsPlaying());
  EXPECT_FALSE(Form->actPlay1->Enabled);
  EXPECT_TRUE(Form->actStop1->Enabled);
  Form->actStop1->Click();  // outside a fade: at once
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_TRUE(Form->actPlay1->Enabled);
  Form->Exit1->Click();
  EXPECT_EQ(Window.Closes, 1);
}

TEST_F(MainFormTest, ExitActionClosesTheWindowAndCommandsAreFoundById) {
  Create();
  EXPECT_EQ(Form->ActionById(cmdPlay), &Form->actPlay);
  EXPECT_EQ(Form->ActionById(cmdStop), &Form->actStop);
  EXPECT_EQ(Form->ActionById(cmdWebsite), &Form->actWebsite);
  EXPECT_EQ(Form->ActionById(9999), nullptr);
  EXPECT_TRUE(Form->ActionById(cmdExit)->Execute());
  EXPECT_EQ(Window.Closes, 1);
}

// --- Slideshow engine -------------------------------------------------------------

TEST_F(MainFormTest, FirstPlayFadesFromTheDefaultTileThenShowsTheFirstPicture) {
  const std::string a = Picture("pics/a.bmp", RGBColor(200, 100, 40));
  const std::string b = Picture("pics/b.bmp", RGBColor(10, 220, 90));
  StoredFolders = {Folder("pics")};
  Create();
  const std::string first = PlayItem(0), second = PlayItem(1);
  Tray.Calls.clear();

  Clock.Value += 777;  // time before Play does not count
  Form->Play();
  EXPECT_TRUE(Form->IsPlaying());
  EXPECT_FALSE(Form->actPlay.Enabled());
  EXPECT_TRUE(Form->actStop.Enabled());

  const uint32_t start = Clock.Value;
  TickAt(start + 250);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 15250u);
  EXPECT_TRUE(Form->Show().IsFading(Clock.Value));
  TBitmap expected(16, 16, pf24bit);
  BlendBitmaps(expected, *Form->DefaultTile(), *Form->Next().Bitmap, 0.25f);
  EXPECT_TRUE(SameTile(IconTile(), expected));
  ASSERT_EQ(Tray.Calls.size(), 1u);
  EXPECT_EQ(Tray.Calls[0].Message, kNimModify);
  EXPECT_EQ(Tray.Calls[0].Data.uFlags, kNifIcon);
  EXPECT_EQ(Tray.Calls[0].Data.hIcon, Form->Icon());
  EXPECT_EQ(Form->Current().Index, -1);

  // The picture changes at the first tick at or after one second.
  TicksUntil(start + 950);
  EXPECT_EQ(Form->Current().Index, -1);
  TickAt(start + 1000);
  EXPECT_EQ(Form->Current().Index, 0);
  EXPECT_EQ(Form->Current().Path, first);
  EXPECT_EQ(IconColor(), ColorOf(first));
  EXPECT_EQ(Form->TipText(), first);
  EXPECT_EQ(TipOf(Tray.Calls.back().Data), first);
  EXPECT_EQ(Tray.Calls.back().Data.uFlags, kNifIcon | kNifTip);
  EXPECT_EQ(Form->History()->Count(), 1);
  EXPECT_EQ(Form->History()->Paths(0), first);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 0u);
  EXPECT_EQ(Form->Next().Index, 1);
  EXPECT_EQ(Form->Next().Path, second);
  EXPECT_EQ(Form->Next().Bitmap->PixelColor(3, 3), ColorOf(second));
  EXPECT_EQ(Icons.Live.size(), 1u);
  (void)a;
  (void)b;
}

TEST_F(MainFormTest, EachPictureStandsForTheIntervalThenFadesForOneSecond) {
  const uint32_t start = PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200)});
  TicksUntil(start + 1000);
  ASSERT_EQ(Form->Current().Index, 0);

  // Stands still for 3 s: no icon change at all.
  const size_t modifies = Tray.Calls.size();
  const THandleValue icon = Form->Icon();
  TicksUntil(start + 4000);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 3000u);
  EXPECT_FALSE(Form->Show().IsFading(Clock.Value)) << "exactly the interval is not in the fade window";
  EXPECT_EQ(Tray.Calls.size(), modifies);
  EXPECT_EQ(Form->Icon(), icon);

  // Fades with one blended frame per tick, then changes at 4 s.
  TicksUntil(start + 4950);
  EXPECT_EQ(Tray.Calls.size(), modifies + 19);
  EXPECT_EQ(Form->Current().Index, 0);
  TickAt(start + 5000);
  EXPECT_EQ(Form->Current().Index, 1);
  EXPECT_EQ(IconColor(), ColorOf(PlayItem(1)));
  TicksUntil(start + 9000);
  EXPECT_EQ(Form->Current().Index, 2);
  EXPECT_EQ(Icons.Live.size(), 1u);
  EXPECT_EQ(Form->History()->Count(), 3);
}

// The form's side of the walk and of hiding: the kept tile goes on show with
// the play list's place kept, and a hidden picture leaves the history.
TEST_F(MainFormTest, PreviousShowsTheKeptTileAndAHiddenPictureMakesWayAtOnce) {
  TicksUntil(PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200)}) + 5000);
  const std::string second = Form->Current().Path, first = Form->History()->Paths(1);
  Form->actPrevious.Execute();
  TicksUntil(Clock.Value + 1000);
  EXPECT_EQ(IconColor(), ColorOf(first));
  EXPECT_EQ(Form->Current().Index, 1);
  Form->HidePicture(first);
  EXPECT_EQ(Form->History()->Count(), 1);
  TicksUntil(Clock.Value + 1000);
  EXPECT_EQ(Form->Current().Path, second) << "the walk moves forward at once";
  Form->Stop(true);
  const std::string third = Form->Next().Path;
  Form->HidePicture(second);
  EXPECT_EQ(Form->Current().Path, third) << "stopped, the icon cuts to the prepared next picture";
  EXPECT_EQ(Form->PlayList()->Count(), 1) << "the scan passes over the hidden pictures";
}

TEST_F(MainFormTest, OvershootPastTheChangePointIsDropped) {
  PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  TickAt(Clock.Value + 1730);  // a late tick, well past the change point
  EXPECT_EQ(Form->Current().Index, 0);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 0u);
  TickAt(Clock.Value + 50);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 50u);
}

TEST_F(MainFormTest, ClockWrapAddsOnlyTheTrueDifference) {
  Picture("pics/a.bmp", RGBColor(200, 0, 0));
  StoredFolders = {Folder("pics")};
  Clock.Value = 0xFFFFFF00u;
  Create();
  Form->Play();
  TickAt(0xFFFFFF80u);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 15000u + 0x80);
  TickAt(0x00000010u);  // the millisecond clock wrapped between the ticks
  EXPECT_EQ(Form->Show().Time(Clock.Value), 15000u + 0x110);
  EXPECT_TRUE(Form->Show().IsFading(Clock.Value));
  TickAt(0x00000060u);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 15000u + 0x160);
}

TEST_F(MainFormTest, PausedTimeIsLeftOut) {
  PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  TicksUntil(Clock.Value + 1500);
  ASSERT_EQ(Form->Show().Time(Clock.Value), 500u);
  Form->Stop(false);
  TickAt(Clock.Value + 50);  // outside the fade: stopped at once
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Form->Show().Time(Clock.Value), 500u);

  Clock.Value += 60000;  // a minute stopped
  Form->Play();
  TickAt(Clock.Value + 50);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 550u);
}

TEST_F(MainFormTest, TheTrayHoldOfTheClockResumesUnchanged) {
  PlayPictures({RGBColor(200, 0, 0)});
  TicksUntil(Clock.Value + 1200);
  const uint32_t elapsed = Form->Show().Time(Clock.Value);
  Form->Hold(hrMenu, true);
  Clock.Value += 5000;
  Form->Hold(hrMenu, false);
  TickAt(Clock.Value + 50);
  EXPECT_EQ(Form->Show().Time(Clock.Value), elapsed + 50);
}

TEST_F(MainFormTest, StopDuringAFadeFinishesTheFadeAndTheChangeFirst) {
  const uint32_t start = PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  TicksUntil(start + 1000);
  TicksUntil(start + 4500);  // in the second fade
  ASSERT_TRUE(Form->Show().IsFading(Clock.Value));

  Form->Stop(false);
  EXPECT_TRUE(Form->actPlay.Enabled());
  EXPECT_FALSE(Form->actStop.Enabled());
  EXPECT_TRUE(Form->IsPlaying());
  EXPECT_TRUE(Form->Show().StopPending());

  // Play does nothing while the stop is pending.
  Form->Play();
  EXPECT_TRUE(Form->Show().StopPending());

  TicksUntil(start + 4950);
  EXPECT_TRUE(Form->IsPlaying());
  EXPECT_EQ(Form->Current().Index, 0);
  TickAt(start + 5000);  // the change still happens, and the show stops there
  EXPECT_EQ(Form->Current().Index, 1);
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_FALSE(Form->Timer1.Enabled());
  EXPECT_EQ(IconColor(), ColorOf(PlayItem(1)));
  const size_t calls = Tray.Calls.size();
  TickAt(start + 9000);
  EXPECT_EQ(Tray.Calls.size(), calls);

  // Play clears the pending stop.
  Form->Play();
  EXPECT_FALSE(Form->Show().StopPending());
  EXPECT_TRUE(Form->IsPlaying());
}

TEST_F(MainFormTest, StopWhenStoppedOrStopAtOnce) {
  Picture("pics/a.bmp", RGBColor(200, 0, 0));
  StoredFolders = {Folder("pics")};
  Create();
  Form->Stop(false);
  EXPECT_FALSE(Form->Show().StopPending());
  EXPECT_TRUE(Form->actPlay.Enabled());
  Form->Play();
  Form->Stop(true);
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_FALSE(Form->Show().StopPending());
  EXPECT_TRUE(Form->actPlay.Enabled());
  EXPECT_FALSE(Form->actStop.Enabled());
}

TEST_F(MainFormTest, NewIntervalDuringAFadeTakesEffectAtTheChangeWhenTheTimerIsLate) {
  const uint32_t start = PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  FollowTimerUntil(start + 1000 + 3000 + 400);  // in the second fade
  ASSERT_TRUE(Form->Show().IsFading(Clock.Value));
  Form->ApplySettings(SettingsWithInterval(15));
  EXPECT_EQ(Form->Show().Interval(), 3);
  EXPECT_EQ(Form->Show().NewInterval(), 15);
  const std::string fading = Form->Current().Path;
  FollowTimerUntil(start + 5000);
  ASSERT_NE(Form->Current().Path, fading);
  // In force from the change itself: the next picture stands 15 s.
  EXPECT_EQ(Form->Show().Interval(), 15);
  EXPECT_GE(Form->Timer1.Interval(), 14900u);
  const std::string standing = Form->Current().Path;
  FollowTimerUntil(Clock.Value + 14000);
  EXPECT_EQ(Form->Current().Path, standing);
}

TEST_F(MainFormTest, NewIntervalWhileStoppedTakesEffectAtOnce) {
  Create();
  Form->ApplySettings(SettingsWithInterval(60));
  EXPECT_EQ(Form->Show().Interval(), 60);
}

TEST_F(MainFormTest, PlayListShowsInOrderThenRebuildsAtItsEnd) {
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200)});
  const std::vector<std::string> first = {PlayItem(0), PlayItem(1), PlayItem(2)};
  Form->Play();
  uint32_t t = Clock.Value + 1000;
  for (int i = 0; i < 3; ++i, t += 4000) {
    TicksUntil(t);
    EXPECT_EQ(Form->Current().Path, first[size_t(i)]);
  }
  // At the third change the list ran out and was scanned and shuffled again;
  // its first picture is the next.
  const std::string rebuiltFirst = PlayItem(0);
  EXPECT_EQ(Form->Next().Index, 0);
  EXPECT_EQ(Form->Next().Path, rebuiltFirst);
  TicksUntil(t);
  EXPECT_EQ(Form->Current().Path, rebuiltFirst);
  EXPECT_EQ(Form->Current().Index, 0);
}

TEST_F(MainFormTest, DeletedPicturesAreSkippedSilently) {
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200)});
  const std::string second = PlayItem(1), third = PlayItem(2);
  std::filesystem::remove(vemo_test::PathFromUtf8(second));
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  EXPECT_EQ(Form->Next().Index, 2);
  EXPECT_EQ(Form->Next().Path, third);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainFormTest, EverythingDeletedStopsWithTheNoPicturesBalloon) {
  PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  std::filesystem::remove(Temp.FsPath() / "pics" / "a.bmp");
  std::filesystem::remove(Temp.FsPath() / "pics" / "b.bmp");
  // The first change makes the prepared tile current, then finds nothing.
  TicksUntil(Clock.Value + 1000);
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_TRUE(Form->actPlay.Enabled());
  EXPECT_FALSE(Form->actStop.Enabled());
  EXPECT_EQ(Form->PlayList()->Count(), 0);
  const TTrayCall& balloon = Tray.Calls.back();
  EXPECT_EQ(balloon.Data.uFlags, kNifInfo);
  EXPECT_EQ(balloon.Data.dwInfoFlags, kNiifWarning);
  EXPECT_EQ(Utf16ToUtf8(balloon.Data.szInfoTitle), "Kobaru");
  EXPECT_EQ(Utf16ToUtf8(balloon.Data.szInfo), std::string(kNoPicturesText) + kStoppingText);
  // Elapsed rests past the change point.
  EXPECT_GE(Form->Show().Time(Clock.Value), 4000u);
  EXPECT_TRUE(Boxes.Shown.empty());

  // Pictures come back: Play changes the picture at once, no fade.
  Picture("pics/d.bmp", RGBColor(1, 2, 3));
  Form->RebuildPlayList();
  const size_t calls = Tray.Calls.size();
  Form->Play();
  EXPECT_EQ(Form->Current().Path, PlayItem(0));
  EXPECT_EQ(Tray.Calls[calls].Data.uFlags, kNifIcon | kNifTip) << "no blended frame first";
}

TEST_F(MainFormTest, AStopForNothingAtTheChangeShowsTheDefaultTileNeverABlend) {
  const uint32_t start = PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  FollowTimerUntil(start + 1000);
  ASSERT_EQ(Form->Current().Index, 0);
  // New folders with nothing in them, outside a fade: the show fades into
  // the default tile and stops at the change.
  Temp.MakeFolder("empty");
  TSettings settings = SettingsWithInterval(3);
  settings.Folders.Clear();
  settings.Folders.Add(Folder("empty"));
  Form->ApplySettings(settings);
  FollowTimerUntil(start + 6000);
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_TRUE(SameTile(IconTile(), *Form->DefaultTile()));
  EXPECT_EQ(Form->TipText(), "Kobaru");
  EXPECT_EQ(Utf16ToUtf8(Tray.CallsOf(kNimModify, kNifInfo).back().Data.szInfo),
            std::string(kNoPicturesText) + kStoppingText);
  Icons.Side = 24;
  Form->SetTileSide(24);
  EXPECT_TRUE(SameTile(IconTile(), *Form->DefaultTile()));
}

TEST_F(MainFormTest, PlayWithNothingToPlayShowsTheBalloonForTheCase) {
  Create();  // no folders at all
  Form->Play();
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Utf16ToUtf8(Tray.Calls.back().Data.szInfo), std::string(kNoFoldersText) + kStoppingText);

  Form.reset();
  Tray.Calls.clear();
  Temp.MakeFolder("empty");
  StoredFolders = {Folder("empty")};
  Create();
  EXPECT_EQ(Form->Next().Index, -1);
  EXPECT_TRUE(SameTile(*Form->Next().Bitmap, *Form->DefaultTile()));
  Form->Play();
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Utf16ToUtf8(Tray.Calls.back().Data.szInfo), std::string(kNoPicturesText) + kStoppingText);
}

TEST_F(MainFormTest, UnreadablePicturesArePassedOverWithOneBoxAPassThatHoldsTheShow) {
  CreateWithPictures(
      {RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200), RGBColor(9, 9, 9), RGBColor(90, 9, 9)});
  const std::string first = PlayItem(0), second = PlayItem(2), third = PlayItem(4);
  const std::string broken[] = {PlayItem(1), PlayItem(3)};
  // Two pictures turn unreadable after the scan, each found by its own search.
  for (const std::string& path : broken) Break(path);
  std::vector<bool> heldWhileUp;
  Boxes.WhileUp = [&] {
    heldWhileUp.push_back(Form->Show().HeldFor(hrMenu));
    TickAt(Clock.Value + 5000);  // a tick in the box's own loop opens no second box
  };
  Form->Play();
  FollowTimerUntil(Clock.Value + 1000);
  EXPECT_EQ(Form->Current().Path, first);
  EXPECT_EQ(Form->Next().Path, second);
  EXPECT_EQ(heldWhileUp, std::vector<bool>{true});
  EXPECT_FALSE(Form->Show().Held());
  FollowTimerUntil(Clock.Value + 4100);
  EXPECT_EQ(Form->Current().Path, second);
  EXPECT_EQ(Form->TipText(), second);
  EXPECT_EQ(Form->Next().Path, third);
  EXPECT_EQ(Boxes.Shown.size(), 1u) << "one box a pass";
  EXPECT_EQ(Form->History()->Count(), 2);
  for (int32_t i = 0; i < Form->History()->Count(); ++i)
    EXPECT_TRUE(Form->History()->Paths(i) != broken[0] && Form->History()->Paths(i) != broken[1]);
  EXPECT_EQ(Icons.Live.size(), 1u);
}

TEST_F(MainFormTest, APassWithNothingReadableStopsWithOneBoxAndTheBalloonNotAStorm) {
  CreateWithPictures({RGBColor(1, 0, 0), RGBColor(2, 0, 0), RGBColor(3, 0, 0), RGBColor(4, 0, 0),
                      RGBColor(5, 0, 0), RGBColor(6, 0, 0), RGBColor(7, 0, 0)});
  Form->Play();
  FollowTimerUntil(Clock.Value + 1000);
  ASSERT_EQ(Form->Current().Index, 0);
  for (int32_t i = 0; i < 7; ++i) Break(PlayItem(i));
  FollowTimerUntil(Clock.Value + 10000);
  // One box for the pass under way, one for the pass of the list scanned
  // anew at its end; then the show stops.
  EXPECT_EQ(Boxes.Shown.size(), 2u);
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Utf16ToUtf8(Tray.CallsOf(kNimModify, kNifInfo).back().Data.szInfo),
            LoadText(IDS_NONE_READABLE) + kStoppingText);
}

TEST_F(MainFormTest, AnExistenceTestThatRefusesEverythingEndsTheSearch) {
  CreateWithPictures({RGBColor(200, 0, 0)});
  Exists = [](const std::string&) { return false; };
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Utf16ToUtf8(Tray.Calls.back().Data.szInfo), std::string(kNoPicturesText) + kStoppingText);
  EXPECT_LE(ExistenceChecks, 2);
}

TEST_F(MainFormTest, ExactlyOneIconHandleLivesThroughManyFrames) {
  PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  for (int i = 0; i < 400; ++i) {
    TickAt(Clock.Value + 50);
    ASSERT_EQ(Icons.Live.size(), 1u);
    ASSERT_EQ(Icons.Live.begin()->first, Form->Icon());
  }
  EXPECT_GT(Icons.Created, 80);
}

TEST_F(MainFormTest, FadeRatioFollowsTheTimeIntoTheFadeSecond) {
  Picture("pics/a.bmp", RGBColor(250, 250, 250));
  StoredFolders = {Folder("pics")};
  Create();
  Form->Play();
  const uint32_t start = Clock.Value;
  uint8_t previous = 0;
  for (uint32_t ms = 100; ms < 1000; ms += 100) {
    TickAt(start + ms);
    const uint8_t red = RedOf(IconTile().PixelColor(0, 0));  // black in the default tile
    // Black to 250 along the second: 250 * ms / 1000, rounded.
    EXPECT_NEAR(red, 250.0 * ms / 1000.0, 0.5001) << ms;
    EXPECT_GT(red, previous);
    previous = red;
  }
}

// --- With the worker --------------------------------------------------------------

class MainFormWorkerTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Worker = &Manual;
  }
  TManualWorker Manual;
};

TEST_F(MainFormWorkerTest, TheIconComesBeforeTheScanAndPlayWaitsForTheFirstTile) {
  const std::string a = Picture("pics/a.bmp", RGBColor(250, 250, 250));
  StoredFolders = {Folder("pics")};
  StoredInterval = 3;
  Create();
  // Registered with the default tile while the scan has not even started.
  EXPECT_TRUE(Form->IconRegistered());
  EXPECT_EQ(Enumerator.Opened, 0);
  EXPECT_TRUE((Form->Show().NextState() == nsScanning));
  EXPECT_FALSE(Form->Show().NextReady());
  EXPECT_EQ(Form->PlayList()->Count(), 0);

  // Play before the list exists starts the clock; the default picture stays.
  Form->Play();
  EXPECT_TRUE(Form->IsPlaying());
  EXPECT_TRUE(Boxes.Shown.empty());
  TicksUntil(Clock.Value + 2000);
  EXPECT_TRUE((Form->Show().Phase(Clock.Value) == spWaiting));
  EXPECT_EQ(Form->Show().Time(Clock.Value), 3000u);
  EXPECT_TRUE(SameTile(IconTile(), *Form->DefaultTile()));

  Manual.RunOne();  // the scan
  EXPECT_FALSE((Form->Show().NextState() == nsScanning));
  EXPECT_EQ(Form->PlayList()->Count(), 1);
  EXPECT_FALSE(Form->Show().NextReady());
  TicksUntil(Clock.Value + 500);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 3000u);

  Manual.RunOne();  // the first tile
  ASSERT_TRUE(Form->Show().NextReady());
  EXPECT_EQ(Form->Next().Path, a);
  // The whole fade second follows.
  TicksUntil(Clock.Value + 500);
  EXPECT_TRUE(Form->Show().IsFading(Clock.Value));
  EXPECT_NEAR(RedOf(IconTile().PixelColor(0, 0)), 125, 1);
  TicksUntil(Clock.Value + 450);
  EXPECT_EQ(Form->Current().Index, -1);
  TicksUntil(Clock.Value + 50);
  EXPECT_EQ(Form->Current().Path, a);
  EXPECT_EQ(Form->History()->Paths(0), a);
}

TEST_F(MainFormWorkerTest, ALateTileHoldsThePictureThenFadesInFull) {
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  Manual.RunAll();
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  const std::string first = PlayItem(0), second = PlayItem(1);
  ASSERT_EQ(Form->Current().Path, first);
  ASSERT_EQ(Manual.Queue.size(), 1u) << "the second tile is asked for at the change";

  // The interval ends with the second tile still being made: no blended frame.
  const size_t calls = Tray.Calls.size();
  TicksUntil(Clock.Value + 5000);
  EXPECT_TRUE((Form->Show().Phase(Clock.Value) == spWaiting));
  EXPECT_EQ(Form->Show().Time(Clock.Value), 3000u);
  EXPECT_EQ(Tray.Calls.size(), calls);
  EXPECT_EQ(IconColor(), ColorOf(first));

  // A stop chosen while waiting takes effect at once: no fade is under way.
  Form->Stop(false);
  TickAt(Clock.Value + 50);
  EXPECT_FALSE(Form->IsPlaying());
  Form->Play();

  Manual.RunOne();
  EXPECT_EQ(Form->Next().Path, second);
  TickAt(Clock.Value + 50);
  EXPECT_EQ(Form->Show().Time(Clock.Value), 3050u);
  EXPECT_EQ(Tray.Calls.size(), calls + 1) << "the fade starts from its beginning";
  TicksUntil(Clock.Value + 900);
  EXPECT_EQ(Form->Current().Path, first);
  TicksUntil(Clock.Value + 50);
  EXPECT_EQ(Form->Current().Path, second);
}

TEST_F(MainFormWorkerTest, ThePlayOrderIsThatOfTheWorkDoneInPlace) {
  const std::initializer_list<TColor> colors = {RGBColor(1, 0, 0), RGBColor(2, 0, 0), RGBColor(3, 0, 0),
                                                RGBColor(4, 0, 0), RGBColor(5, 0, 0)};
  auto order = [&](bool manual) {
    RandSeed = 0;
    Worker = manual ? static_cast<TWorker*>(&Manual) : nullptr;
    Form.reset();
    CreateWithPictures(colors);
    Manual.RunAll();
    Form->Play();
    std::vector<std::string> shown;
    while (shown.size() < 12) {
      TickAt(Clock.Value + 50);
      Manual.RunAll();
      if (shown.empty() || shown.back() != Form->Current().Path) shown.push_back(Form->Current().Path);
    }
    return shown;
  };
  const std::vector<std::string> inPlace = order(false);
  EXPECT_EQ(order(true), inPlace);
  // Three passes, each shuffled anew.
  EXPECT_NE(std::vector<std::string>(inPlace.begin() + 1, inPlace.begin() + 6),
            std::vector<std::string>(inPlace.begin() + 6, inPlace.begin() + 11));
}

TEST_F(MainFormWorkerTest, NewFoldersCancelTheRunningScanAndExitCancelsEverything) {
  const std::string a = Picture("one/a.bmp", RGBColor(10, 0, 0));
  const std::string b = Picture("two/b.bmp", RGBColor(20, 0, 0));
  StoredFolders = {Folder("one")};
  Create();
  ASSERT_EQ(Manual.Queue.size(), 1u);
  TSettings settings;
  settings.Interval = Form->Show().NewInterval();
  settings.Folders.Add(Folder("two"));
  Form->ApplySettings(settings);
  Form->RebuildPlayList();
  // The first scan sees its cancellation before opening any folder, and its
  // list is dropped.
  Manual.RunOne();
  EXPECT_EQ(Enumerator.Opened, 0);
  EXPECT_TRUE((Form->Show().NextState() == nsScanning));
  Manual.RunAll();
  ASSERT_EQ(Form->PlayList()->Count(), 1);
  EXPECT_EQ(PlayItem(0), b);
  EXPECT_EQ(Form->Next().Path, b);

  // Teardown with a scan and a tile under way: both stop, neither lands.
  Form->RebuildPlayList();
  Form->FormDestroy();
  const int opened = Enumerator.Opened;
  Manual.RunAll();
  EXPECT_EQ(Enumerator.Opened, opened);
  EXPECT_TRUE(Icons.Live.empty());
}

TEST_F(MainFormWorkerTest, AFailingTileIsReportedWhenMadeAndPassedOverAtOnce) {
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200)});
  Manual.RunAll();
  const std::string first = PlayItem(0), third = PlayItem(2);
  Break(PlayItem(1));
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  ASSERT_EQ(Form->Current().Path, first);
  EXPECT_NO_THROW(Manual.RunOne());
  EXPECT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Form->Next().Path, third);
  EXPECT_TRUE(Form->Show().NextReady());
}

TEST_F(MainFormWorkerTest, APictureOfAFormatKnownNotToDecodeIsPassedOverWithoutAWord) {
  SetOtherPictureFormats({{"FAKE", {"fake"}}}, [](const std::string&) -> std::unique_ptr<TRawPicture> {
    throw EPicturePassedOver("FAKE");
  });
  Temp.MakeFile("pics/c.fake", "x");
  PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  std::set<std::string> shown;
  for (int change = 0; change < 8; ++change) {
    EXPECT_NO_THROW(Manual.RunAll());
    TicksUntil(Clock.Value + 4000);
    shown.insert(Form->Current().Path);
  }
  SetOtherPictureFormats({}, nullptr);
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_EQ(Form->PlayList()->Count(), 3);
  EXPECT_TRUE(shown.count(PlayItem(0)) + shown.count(PlayItem(1)) + shown.count(PlayItem(2)) >= 2);
}

TEST_F(MainFormWorkerTest, ATileMadeAtAnOldIconSizeIsMadeAgainAtTheNewOne) {
  CreateWithPictures({RGBColor(200, 0, 0)});
  Manual.RunOne();  // the scan; the first tile is asked for at 16 x 16
  Icons.Side = 32;
  Form->SetTileSide(32);
  Manual.RunAll();
  ASSERT_TRUE(Form->Show().NextReady());
  EXPECT_EQ(Form->Next().Bitmap->Width(), 32);
  EXPECT_EQ(Form->Next().Bitmap->PixelColor(16, 16), RGBColor(200, 0, 0));
}

TEST_F(MainFormWorkerTest, TheEndOfTheListRescansWhileThePictureStandsAndNothingFoundStops) {
  CreateWithPictures({RGBColor(200, 0, 0)});
  Manual.RunAll();
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  std::filesystem::remove(Temp.FsPath() / "pics" / "a.bmp");
  Manual.RunOne();  // the search reaches the end: a rescan is posted
  EXPECT_TRUE((Form->Show().NextState() == nsScanning));
  EXPECT_TRUE(Form->IsPlaying());
  Manual.RunAll();  // it finds nothing
  TickAt(Clock.Value + 50);
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Utf16ToUtf8(Tray.Calls.back().Data.szInfo), std::string(kNoPicturesText) + kStoppingText);
  EXPECT_GE(Form->Show().Time(Clock.Value), 4000u);
}

// Exit from the icon's menu while a dialog is up: the form is gone when the
// dialog returns, and nothing may touch it.
TEST_F(MainFormWorkerTest, APlayDuringTheFirstScanStopsWhenItFindsNothingEvenWhileAMenuHoldsTheClock) {
  StoredFolders = {Folder("empty")};
  Temp.MakeFolder("empty");
  Create();
  Form->Play();
  Form->Hold(hrMenu, true);
  Manual.RunAll();
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Utf16ToUtf8(Tray.Calls.back().Data.szInfo), std::string(kNoPicturesText) + kStoppingText);
  Form->Hold(hrMenu, false);
  TicksUntil(Clock.Value + 3000);
  EXPECT_EQ(Form->History()->Count(), 0);
}

TEST_F(MainFormWorkerTest, StopWhileWaitingPastTheChangePointIsAtOnceAndThePictureStays) {
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  Manual.RunAll();
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  Form->RebuildPlayList();  // folders changed: the next tile waits for the scan
  TicksUntil(Clock.Value + 5000);
  ASSERT_EQ(Form->Show().Phase(Clock.Value), spWaiting);
  const std::string shown = Form->Current().Path;
  Form->Stop(false);
  EXPECT_FALSE(Form->Show().ClockRunning());
  Manual.RunAll();
  TicksUntil(Clock.Value + 5000);
  EXPECT_EQ(Form->Current().Path, shown);
  Form->Play();
  EXPECT_TRUE(Form->Show().ClockRunning());
}

TEST_F(MainFormWorkerTest, AFailedScanIsReportedKeepsTheListAndIsTriedAgainAtTheChangePoint) {
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  Manual.RunAll();
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  Enumerator.Failure = "folder broke";
  Form->RebuildPlayList();
  EXPECT_NO_THROW(Manual.RunAll());
  EXPECT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Form->PlayList()->Count(), 2);
  EXPECT_EQ(Form->Show().NextState(), nsRescan);
  Enumerator.Failure.clear();
  TicksUntil(Clock.Value + 3000);
  ASSERT_EQ(Manual.Queue.size(), 1u) << "the change point scans again";
  Manual.RunAll();
  EXPECT_TRUE(Form->Show().NextReady());
}

TEST_F(MainFormWorkerTest, ResultsForAnOlderListOrASupersededScanAreDropped) {
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  Manual.Finish();  // the scan, finished but not yet delivered
  const uint32_t seed = RandSeed;
  Form->RebuildPlayList();
  Manual.Deliver();
  EXPECT_EQ(RandSeed, seed) << "a superseded scan draws nothing from the generator";
  Manual.RunOne();  // the new scan
  Manual.Finish();  // its first tile
  Form->RebuildPlayList();
  Manual.Deliver();
  EXPECT_EQ(Form->Show().NextState(), nsScanning);
  EXPECT_EQ(Form->Next().Path, "");
  // Exit with finished work undelivered: nothing lands.
  Manual.Finish();
  Form->FormDestroy();
  Manual.Deliver();
  EXPECT_EQ(Form->PlayList(), nullptr);
}

TEST_F(MainFormWorkerTest, ATileRemadeForAPictureThatIsNoLongerOnShowIsDropped) {
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200)});
  Manual.RunAll();
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  Manual.RunAll();
  Icons.Side = 24;
  Form->SetTileSide(24);  // the remake waits in the queue while the show changes
  TicksUntil(Clock.Value + 4000);
  ASSERT_EQ(Form->Current().Path, PlayItem(1));
  Manual.RunAll();
  EXPECT_EQ(IconColor(), ColorOf(PlayItem(1)));
  EXPECT_EQ(Form->Current().Bitmap->PixelColor(0, 0), ColorOf(PlayItem(1)));
}

TEST_F(MainFormWorkerTest, ANewIconSizeStretchesTheTilesUntilTheWorkerHasMadeThem) {
  TBitmap stripes(64, 64, pf24bit);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x)
      stripes.SetPixelColor(x, y, (x & 1) ? clWhite : RGBColor(0, 0, uint8_t(4 * y)));
  Temp.MakeFolder("pics");
  SaveBitmapToFile(Folder("pics") + PathDelim + "s.bmp", stripes);
  StoredFolders = {Folder("pics")};
  Create();
  Manual.RunAll();
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  Icons.Side = 32;
  Form->SetTileSide(32);
  TBitmap expected(32, 32, pf24bit);
  MakeTile(Form->Current().Path, expected, 32);
  EXPECT_EQ(Form->Current().Bitmap->Width(), 32);
  EXPECT_FALSE(SameTile(*Form->Current().Bitmap, expected)) << "no picture is decoded on the window's thread";
  Manual.RunAll();
  EXPECT_TRUE(SameTile(*Form->Current().Bitmap, expected));
  EXPECT_TRUE(SameTile(IconTile(), expected));
}

// The engine on the real thread: work is posted, the thread wakes the window's
// side, and delivery shows the first picture.
TEST_F(MainFormTest, TheShowRunsThroughTheRealThreadWorker) {
  std::mutex lock;
  std::condition_variable woken;
  int wakeUps = 0;
  std::unique_ptr<TWorker> thread = NewThreadWorker([&] {
    std::lock_guard guard(lock);
    ++wakeUps;
    woken.notify_all();
  });
  Worker = thread.get();
  CreateWithPictures({RGBColor(0, 0, 200)});
  while (!Form->Show().NextReady()) {
    std::unique_lock wait(lock);
    ASSERT_TRUE(woken.wait_for(wait, std::chrono::seconds(10), [&] { return wakeUps > 0; }));
    wakeUps = 0;
    wait.unlock();
    Form->DeliverWork();
  }
  Form->Play();
  TicksUntil(Clock.Value + 1000);
  EXPECT_EQ(IconColor(), RGBColor(0, 0, 200));
  Form.reset();
}

TEST_F(MainFormTest, PicturesKeptOnlyOnlineStayUnopenedAndAListOfOnlyThemSaysSo) {
  auto toCloud = [this](const std::string& path) {
    Break(path);  // opened, it would show a box or the balloon for unreadable pictures
    Enumerator.Attributes[vemo_test::PathFromUtf8(path)] = kAttributeRecallOnDataAccess;
  };
  toCloud(Picture("pics/z.bmp", RGBColor(1, 1, 1)));
  CreateWithPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0)});
  toCloud(PlayItem(1));  // after the scan: the search for the next picture passes it
  Form->Play();
  FollowTimerUntil(Clock.Value + 1000);
  toCloud(Form->Current().Path);
  FollowTimerUntil(Clock.Value + 4100);
  EXPECT_EQ(Utf16ToUtf8(Tray.Calls.back().Data.szInfo), std::string(kOnlineOnlyText) + kStoppingText);
  EXPECT_TRUE(Boxes.Shown.empty());
  TSettings settings = SettingsWithInterval(3);
  settings.OnlineOnly = true;
  Form->ApplySettings(settings);
  EXPECT_EQ(Form->PlayList()->Count(), 3);
}

TEST_F(MainFormTest, WithAnimationsOffAChangeIsACutWithNoFrameBetween) {
  const uint32_t start = PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200)});
  Form->SetAnimate(false);
  Tray.Calls.clear();
  FollowTimerUntil(start + 9000);
  EXPECT_TRUE(Tray.CallsOf(kNimModify, kNifIcon).empty());
  EXPECT_EQ(Tray.CallsOf(kNimModify, kNifIcon | kNifTip).size(), 3u);
}

}  // namespace

// --- The timer's schedule, holds and Next -----------------------------------------------

class MainFormScheduleTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    for (const char* name : {"pics/a.bmp", "pics/b.bmp", "pics/c.bmp"})
      Picture(name, RGBColor(uint8_t(name[5]), 0, 0));
    StoredFolders = {Folder("pics")};
    Create();  // the interval of 15 s
    Form->Play();
    RunTimerUntilChanges(1);
  }
  TManualWorker Manual;
};

TEST_F(MainFormScheduleTest, BetweenFadesTheTimerWakesOnlyForTheFadesStart) {
  const uint32_t changed = Clock.Value;
  EXPECT_LE(RunTimerUntilChanges(1), 25);
  EXPECT_NEAR(double(Clock.Value - changed), 16000.0, 50.0);
  EXPECT_LE(RunTimerUntilChanges(1), 25);
}

TEST_F(MainFormScheduleTest, HoldsAddUpAndLeaveTheirTimeOutOfTheShow) {
  const uint32_t changed = Clock.Value;
  Clock.Value += 14900;
  Form->Hold(hrMenu, true);
  Form->Hold(hrSessionLocked, true);
  Form->RebuildPlayList();
  Clock.Value += 5000;
  Form->Hold(hrMenu, false);
  EXPECT_FALSE(Form->Show().ClockRunning()) << "the pause still holds it";
  EXPECT_EQ(Form->Show().NextState(), nsScanning);
  EXPECT_EQ(Form->PlayList()->Count(), 0) << "no work while nobody can see the icon";
  Clock.Value += 5000;
  Form->Hold(hrSessionLocked, false);
  EXPECT_EQ(Form->Show().NextState(), nsReady);
  RunTimerUntilChanges(1);
  EXPECT_NEAR(double(Clock.Value - changed), 26000.0, 50.0);

  // A hold never starts a stopped show; Play during one starts it once it ends.
  Form->Stop(false);
  Form->Hold(hrDisplayOff, true);
  Form->Hold(hrDisplayOff, false);
  EXPECT_FALSE(Form->IsPlaying());
  Form->Hold(hrSuspended, true);
  Form->Play();
  EXPECT_FALSE(Form->Show().ClockRunning());
  Form->Hold(hrSuspended, false);
  EXPECT_TRUE(Form->Show().ClockRunning());
}

TEST_F(MainFormScheduleTest, NextStartsTheChangeNowAndWaitsForATileNotYetMade) {
  EXPECT_TRUE(Form->actNext1->Enabled);
  Clock.Value += 3000;
  const uint32_t chosen = Clock.Value;
  Form->actNext.Execute();
  RunTimerUntilChanges(1);
  EXPECT_NEAR(double(Clock.Value - chosen), 1000.0, 50.0);

  // The next tile still being made: the change follows its arrival.
  Worker = &Manual;
  Form = std::make_unique<TVEMOMainForm>(ServicesFor());
  Form->FormCreate();
  Manual.RunAll();
  Form->Play();
  RunTimerUntilChanges(1);
  Form->NextPicture();
  EXPECT_FALSE(Form->Timer1.Enabled()) << "the result wakes the show, not a timer";
  Manual.RunAll();
  const uint32_t arrived = Clock.Value;
  RunTimerUntilChanges(1);
  EXPECT_NEAR(double(Clock.Value - arrived), 1000.0, 50.0);
  Form->Stop(false);
  EXPECT_FALSE(Form->actNext1->Enabled);
}

// --- Display scaling -------------------------------------------------------------------

TEST_F(MainFormTest, ANewIconSizeRemakesEveryTileAndTheIconAtOnceEvenMidFade) {
  const uint32_t start = PlayPictures({RGBColor(200, 0, 0), RGBColor(0, 0, 200)});
  TicksUntil(start + 1000 + 3000 + 400);
  ASSERT_TRUE(Form->Show().IsFading(Clock.Value));
  ASSERT_FALSE(Form->Current().Path.empty());
  Tray.Calls.clear();

  Icons.Side = 24;
  Form->SetTileSide(24);
  EXPECT_EQ(Form->TileSide(), 24);
  // The blend and the mask are checked by the icon maker, which is told 24.
  for (const TBitmap* tile : std::initializer_list<const TBitmap*>{
           Form->Current().Bitmap.get(), Form->Next().Bitmap.get(), Form->DefaultTile()})
    EXPECT_EQ(tile->Width(), 24);
  TBitmap expected(24, 24, pf24bit);
  MakeTile(Form->Current().Path, expected, 24);
  EXPECT_TRUE(SameTile(*Form->Current().Bitmap, expected));
  // The icon shows the fade at the new size straight away.
  BlendBitmaps(expected, *Form->Current().Bitmap, *Form->Next().Bitmap, 0.4f);
  EXPECT_TRUE(SameTile(IconTile(), expected));
  ASSERT_EQ(Tray.CallsOf(kNimModify, kNifIcon).size(), 1u);
  EXPECT_EQ(Tray.Calls.back().Data.hIcon, Form->Icon());
  EXPECT_EQ(Icons.Live.size(), 1u);

  // The show goes on at the new size; the same size again changes nothing.
  TicksUntil(Clock.Value + 1000);
  EXPECT_EQ(Form->Current().Bitmap->Width(), 24);
  const int created = Icons.Created;
  Form->SetTileSide(24);
  EXPECT_EQ(Icons.Created, created);
}

TEST_F(MainFormTest, TheDefaultTileIsDrawnAtTheIconSizeAndAnUnreadablePictureIsStretched) {
  Icons.Side = 32;
  App.Title = "Kobaru";
  Picture("pics/a.bmp", RGBColor(10, 200, 30));
  StoredFolders = {Folder("pics")};
  // The size is known before start-up: the first icon is already 32 x 32.
  Form = std::make_unique<TVEMOMainForm>(ServicesFor());
  Form->SetTileSide(32);
  Form->FormCreate();
  std::unique_ptr<TBitmap> pinwheel = MakeDefaultTile(32);
  EXPECT_TRUE(SameTile(IconTile(), *pinwheel));
  // A crisp pinwheel, not a stretched one: solid white arms, black corners,
  // the same after a quarter turn, and not a 2 x 2 blow-up of the 16-px one.
  int white = 0;
  bool blockwise = true;
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 32; ++x) {
      const TColor c = pinwheel->PixelColor(x, y);
      white += c == clWhite;
      blockwise = blockwise && c == pinwheel->PixelColor(x & ~1, y & ~1);
      EXPECT_NEAR(RedOf(c), RedOf(pinwheel->PixelColor(31 - y, x)), 1) << x << "," << y;
    }
  EXPECT_GT(white, 120);
  EXPECT_FALSE(blockwise);
  EXPECT_EQ(pinwheel->PixelColor(0, 0), clBlack);

  // The next picture gone before the size changes: its old tile, stretched.
  const TColor old = Form->Next().Bitmap->PixelColor(31, 31);
  std::filesystem::remove(vemo_test::PathFromUtf8(Form->Next().Path));
  Icons.Side = 16;
  Form->SetTileSide(8);  // below 16 is taken as 16
  EXPECT_EQ(Form->TileSide(), 16);
  EXPECT_EQ(Form->Next().Bitmap->PixelColor(15, 15), old);
}

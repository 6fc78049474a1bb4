#include "app/Unit1_win.h"

#include <psapi.h>
#include <shellapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/ZoShell.h"
#include "picture/vemoSub.h"
#include "support/WaitUntil.h"

namespace {

class TRecordingBoxes : public TMessageBoxes {
public:
  std::vector<std::pair<std::string, std::string>> Shown;
  void Show(const std::string& text, const std::string& caption, TMsgDlgType) override {
    Shown.push_back({text, caption});
  }
};

class TSettableClock : public TMillisecondClock {
public:
  uint32_t Value = 0xFFFF0000u;  // close to the wrap
  uint32_t Now() override { return Value; }
};

struct TShellCall {
  uint32_t Message;
  UINT Flags;
  std::wstring Tip;
  HICON Icon;
};

// The process's committed private memory: Wine's GetGuiResources answers 0
// for everything, so a leak of icons or bitmaps shows here instead.
size_t PrivateBytes() {
  using TProc = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  static const auto proc = reinterpret_cast<TProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "K32GetProcessMemoryInfo")));
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!proc || !proc(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PagefileUsage;
}

// Handles every message waiting for this thread.
void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Runs this thread's messages until the state is reached.
template <typename TCondition>
bool PumpUntil(TCondition reached) {
  return vemo_test::WaitUntil([&] {
    Pump();
    return reached();
  });
}

// The main window with the real window, timer and icons, and either the real
// notification area or one that records what the shell would get.
class MainWindowTest : public testing::Test {
protected:
  void Build(bool realShell) {
    App.Title = "Kobaru";
    if (realShell) {
      Tray = NewShellNotificationArea();
    } else {
      Tray = NewShellNotificationArea(
          [this](uint32_t message, void* data) {
            const auto* record = static_cast<NOTIFYICONDATAW*>(data);
            Calls.push_back({message, record->uFlags, record->szTip, record->hIcon});
            return true;
          },
          [](uint32_t) {});
    }
    Window = std::make_unique<TMainWindow>(App);
    Form = std::make_unique<TVEMOMainForm>(TMainFormServices{
        App, *Window, *ClockSource, *Tray, Icons, [] { return GetShell32Version(); },
        [this] {
          TLoadedSettings loaded;
          loaded.Settings.Interval = Interval;
          loaded.Settings.Folders.Add(std::string(VEMO_TEST_DATA_DIR) + "\\jpeg");
          return loaded;
        },
        [](const std::string& path) { return ExistingFileAttributes(path); }, PlatformFolderEnumerator()});
    Window->Attach(*Form);
    Form->FormCreate();
  }
  void TearDown() override {
    if (Window) Window->Destroy();
    Form.reset();
    EXPECT_EQ(Icons.LiveIcons(), 0);
    Pump();
  }
  HWND Hwnd() { return Window->Hwnd(); }

  TRecordingBoxes Boxes;
  TApplication App{Boxes};
  TWinClock RealClock;
  TSettableClock FakeClock;
  TMillisecondClock* ClockSource = &RealClock;
  std::unique_ptr<TNotificationArea> Tray;
  std::vector<TShellCall> Calls;
  TWinIconFactory Icons;
  uint16_t Interval = 3;
  std::unique_ptr<TMainWindow> Window;
  std::unique_ptr<TVEMOMainForm> Form;
};

TEST_F(MainWindowTest, IsAHiddenTopLevelWindowFoundByItsClass) {
  Build(false);
  ASSERT_TRUE(Window->Alive());
  EXPECT_EQ(FindWindowW(kMainWindowClass, L"Kobaru"), Hwnd());
  EXPECT_FALSE(IsWindowVisible(Hwnd()));
  EXPECT_EQ(GetParent(Hwnd()), nullptr);
  EXPECT_EQ(GetAncestor(Hwnd(), GA_PARENT), GetDesktopWindow()) << "a message-only window misses broadcasts";
  wchar_t caption[64] = {};
  GetWindowTextW(Hwnd(), caption, 64);
  EXPECT_EQ(std::wstring(caption), L"Kobaru");
  ASSERT_FALSE(Calls.empty());
  EXPECT_EQ(Calls[0].Message, DWORD(NIM_ADD));
  EXPECT_EQ(Calls[0].Tip, L"Kobaru");
  EXPECT_EQ(Icons.LiveIcons(), 1);
}

TEST_F(MainWindowTest, CommandsRunTheActionsAndTheTimerRunsOnlyWhilePlaying) {
  Build(false);
  // Stopped: no window timer exists at all.
  EXPECT_FALSE(KillTimer(Hwnd(), kSlideshowTimerId));
  SendMessageW(Hwnd(), WM_COMMAND, cmdPlay, 0);
  EXPECT_TRUE(Form->IsPlaying());
  EXPECT_FALSE(Form->actPlay.Enabled());
  const size_t before = Calls.size();
  PumpUntil([&] { return Form->Show().Time(ClockSource->Now()) > 3000 && Calls.size() >= before + 3; });
  // The fade from the default tile has begun: frames reached the shell.
  EXPECT_GT(Form->Show().Time(ClockSource->Now()), 3000u);
  EXPECT_GE(Calls.size(), before + 3);
  EXPECT_EQ(Calls.back().Flags, UINT(NIF_ICON));
  EXPECT_EQ(Icons.LiveIcons(), 1);

  // A disabled action does nothing; Stop's command stops after the fade.
  SendMessageW(Hwnd(), WM_COMMAND, cmdPlay, 0);
  SendMessageW(Hwnd(), WM_COMMAND, cmdStop, 0);
  EXPECT_TRUE(Form->Show().StopPending());
  PumpUntil([&] { return !Form->IsPlaying(); });
  EXPECT_FALSE(Form->IsPlaying());
  EXPECT_EQ(Form->Current().Index, 0) << "the fade finished and the picture changed first";
  EXPECT_FALSE(KillTimer(Hwnd(), kSlideshowTimerId)) << "the timer is gone once stopped";
}

TEST_F(MainWindowTest, TrayMessagesAndTaskbarRestartReachTheForm) {
  Build(false);
  std::vector<uint32_t> events;
  Form->OnTrayIcon = [&](uint32_t event) { events.push_back(event); };
  SendMessageW(Hwnd(), WM_USER + 100, 0, WM_RBUTTONUP);
  SendMessageW(Hwnd(), WM_USER + 100, 0, 1029);
  EXPECT_EQ(events, (std::vector<uint32_t>{WM_RBUTTONUP, 1029}));

  Calls.clear();
  SendMessageW(Hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  ASSERT_EQ(Calls.size(), 2u);
  EXPECT_EQ(Calls[0].Message, DWORD(NIM_ADD));
  EXPECT_EQ(Calls[0].Tip, L"Kobaru");
  EXPECT_EQ(Calls[0].Icon, reinterpret_cast<HICON>(Form->Icon()));
}

TEST_F(MainWindowTest, ErrorsEscapingAHandlerReachTheErrorDisplay) {
  Build(false);
  Form->OnTrayIcon = [](uint32_t) { throw Exception("処理できませんでした"); };
  SendMessageW(Hwnd(), WM_USER + 100, 0, WM_LBUTTONDOWN);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].first, "処理できませんでした.");
  EXPECT_EQ(Boxes.Shown[0].second, "Kobaru");
  EXPECT_TRUE(Window->Alive()) << "the program goes on";
}

TEST_F(MainWindowTest, CloseTearsDownRemovesTheIconAndEndsTheLoop) {
  Build(false);
  SendMessageW(Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(Window->Alive());
  ASSERT_FALSE(Calls.empty());
  EXPECT_EQ(Calls.back().Message, DWORD(NIM_DELETE));
  EXPECT_EQ(Icons.LiveIcons(), 0);
  MSG message;
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainWindowTest, FatalStartupErrorPostsCloseToItsOwnWindow) {
  Build(false);
  Form->FatalStartupError("テスト");
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].second, "エラー");
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, Hwnd(), WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
  PumpUntil([&] { return !Window->Alive(); });
  EXPECT_FALSE(Window->Alive());
}

TEST(WinIconFactory, IconsCarryTheTilePixelsFullyOpaque) {
  TBitmap tile(16, 16, pf24bit);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) tile.SetPixelColor(x, y, RGBColor(uint8_t(x * 16), uint8_t(y * 16), 77));
  TBitmap mask(16, 16, pf1bit);
  TWinIconFactory factory;
  const THandleValue icon = factory.CreateIcon(tile, mask);
  ASSERT_NE(icon, 0u);
  EXPECT_EQ(factory.LiveIcons(), 1);

  // Drawn over white, every pixel is the tile's own.
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = -16;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  TGdiBitmap canvas(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(canvas);
  std::memset(bits, 0xFF, 16 * 16 * 4);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, canvas.Get());
  ASSERT_TRUE(DrawIconEx(dc, 0, 0, reinterpret_cast<HICON>(icon), 16, 16, 0, nullptr, DI_NORMAL));
  GdiFlush();
  SelectObject(dc, old);
  DeleteDC(dc);
  const auto* pixels = static_cast<const uint8_t*>(bits);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const uint8_t* p = pixels + (y * 16 + x) * 4;
      const TColor c = tile.PixelColor(x, y);
      ASSERT_EQ(p[2], RedOf(c)) << x << "," << y;
      ASSERT_EQ(p[1], GreenOf(c)) << x << "," << y;
      ASSERT_EQ(p[0], BlueOf(c)) << x << "," << y;
    }
  factory.DestroyIcon(icon);
  EXPECT_EQ(factory.LiveIcons(), 0);
  EXPECT_THROW(factory.CreateIcon(mask, mask), Exception);
}

// 2,000 blended frames through the real icons and the real notification
// area: the process's GDI and USER object counts must not grow.
TEST_F(MainWindowTest, SoakOfTwoThousandFadeFramesKeepsObjectCountsFlat) {
  ClockSource = &FakeClock;
  Build(true);
  ASSERT_TRUE(Form->IconRegistered());
  Form->Play();
  const HANDLE process = GetCurrentProcess();
  int frames = 0, changes = 0;
  DWORD gdiAfterWarmUp = 0, userAfterWarmUp = 0;
  size_t memoryAfterWarmUp = 0;
  double fadeSeconds = 0;
  std::vector<DWORD> gdiSamples;
  while (frames < 2000) {
    FakeClock.Value += 50;
    const bool fading = Form->Show().IsFading(FakeClock.Value);
    const int32_t before = Form->Current().Index;
    const auto started = std::chrono::steady_clock::now();
    Form->Timer1.Tick();
    if (fading) {
      fadeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      ++frames;
    }
    if (Form->Current().Index != before) ++changes;
    ASSERT_EQ(Icons.LiveIcons(), 1);
    if (frames == 100 && gdiAfterWarmUp == 0) {
      Pump();
      gdiAfterWarmUp = GetGuiResources(process, GR_GDIOBJECTS);
      userAfterWarmUp = GetGuiResources(process, GR_USEROBJECTS);
      memoryAfterWarmUp = PrivateBytes();
    }
    if (frames % 200 == 0 && fading) gdiSamples.push_back(GetGuiResources(process, GR_GDIOBJECTS));
  }
  Pump();
  const DWORD gdiAtEnd = GetGuiResources(process, GR_GDIOBJECTS);
  const DWORD userAtEnd = GetGuiResources(process, GR_USEROBJECTS);
  const size_t memoryAtEnd = PrivateBytes();
  std::printf(
      "soak: %d fade frames, %d picture changes, GDI objects %lu -> %lu, USER objects %lu -> %lu, "
      "private memory %zu -> %zu KiB, %.1f us per fade tick (blend, icon, modify)\n",
      frames, changes, static_cast<unsigned long>(gdiAfterWarmUp), static_cast<unsigned long>(gdiAtEnd),
      static_cast<unsigned long>(userAfterWarmUp), static_cast<unsigned long>(userAtEnd),
      memoryAfterWarmUp / 1024, memoryAtEnd / 1024, fadeSeconds / frames * 1e6);
  EXPECT_EQ(gdiAtEnd, gdiAfterWarmUp);
  EXPECT_EQ(userAtEnd, userAfterWarmUp);
  for (DWORD sample : gdiSamples) EXPECT_LE(sample, gdiAfterWarmUp + 2);
  // 1,900 leaked 16 x 16 icons would hold well over a mebibyte.
  ASSERT_GT(memoryAfterWarmUp, 0u);
  EXPECT_LT(memoryAtEnd, memoryAfterWarmUp + 512 * 1024);
  EXPECT_GE(changes, 90);
}

TEST_F(MainWindowTest, TheWindowFollowsTheAnimationSettingWhenWindowsAnnouncesAChange) {
  Build(false);
  BOOL before = TRUE;
  SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &before, 0);
  for (BOOL on : {FALSE, before}) {
    SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0, reinterpret_cast<void*>(INT_PTR(on)), 0);
    SendMessageW(Hwnd(), WM_SETTINGCHANGE, SPI_SETCLIENTAREAANIMATION, 0);
    EXPECT_EQ(Form->Show().Animate(), on != FALSE);
  }
}

}  // namespace

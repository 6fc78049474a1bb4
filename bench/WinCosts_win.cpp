// Costs on the Windows side under Wine, each against a reference measured in
// the same run: the parts of one fade tick (making the icon, handing it to
// the notification area) against the blend of two tiles, and the scan of
// 20,000 files in 400 folders (with and without the large-fetch find)
// against the standard library's walk of the same tree. Printed, not judged.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "app/Discovery.h"
#include "app/Unit1_win.h"
#include "common/ZoTrayIcon.h"
#include "picture/vemoSub.h"
#include "support/TempFolder.h"

namespace {

using TClock = std::chrono::steady_clock;

// Microseconds one step takes, the mean of rounds.
double MicrosecondsPer(int rounds, const std::function<void()>& step) {
  const auto started = TClock::now();
  for (int i = 0; i < rounds; ++i) step();
  return std::chrono::duration<double, std::micro>(TClock::now() - started).count() / rounds;
}

// Milliseconds of the fastest of five runs.
double BestMilliseconds(const std::function<void()>& run) {
  double best = 1e12;
  for (int round = 0; round < 5; ++round) {
    const auto started = TClock::now();
    run();
    best = std::min(best, std::chrono::duration<double, std::milli>(TClock::now() - started).count());
  }
  return best;
}

void FadeTick() {
  TBitmap first(16, 16, pf24bit), second(16, 16, pf24bit), mix(16, 16, pf24bit), mask(16, 16, pf1bit);
  second.Canvas().Brush.Color = RGBColor(200, 100, 50);
  second.Canvas().FillRect({0, 0, 16, 16});
  mask.Canvas().Brush.Color = clBlack;
  mask.Canvas().FillRect({0, 0, 16, 16});
  const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"bench", WS_OVERLAPPED, 0, 0, 0, 0,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  const THandleValue handle = reinterpret_cast<THandleValue>(window);
  std::unique_ptr<TNotificationArea> tray = NewShellNotificationArea();
  TWinIconFactory icons;
  THandleValue icon = icons.CreateIcon(mix, mask);
  TNotifyIconData record;
  const bool added = AddTrayIcon(*tray, handle, icon, "bench", record, 100) == 0;
  constexpr int kRounds = 1000;
  float ratio = 0;
  const double blend = MicrosecondsPer(kRounds, [&] {
    ratio = ratio >= 0.95f ? 0.05f : ratio + 0.05f;
    BlendBitmaps(mix, first, second, ratio);
  });
  const double remake = MicrosecondsPer(kRounds, [&] {
    const THandleValue next = icons.CreateIcon(mix, mask);
    icons.DestroyIcon(std::exchange(icon, next));
  });
  const double modify = added ? MicrosecondsPer(kRounds, [&] { ModifyTrayIcon(*tray, handle, icon); }) : 0;
  if (added) DeleteTrayIcon(*tray, record);
  icons.DestroyIcon(icon);
  DestroyWindow(window);
  std::printf(
      "one 16 x 16 fade tick, %d rounds: blend %.2f us (reference); icon %.2f us (%.1f x blend); "
      "modify %.2f us (%.1f x blend)%s\n",
      kRounds, blend, remake, remake / blend, modify, modify / blend, added ? "" : " [no tray]");
}

void FolderScan() {
  vemo_test::TTempFolder temp("vemo-speed");
  for (int folder = 0; folder < 400; ++folder) {
    // (Strings, not literals, first: GCC 12 warns wrongly on literal + to_string.)
    const std::string name = std::string("f") + std::to_string(folder / 20) + std::string("/g") +
                             std::to_string(folder % 20) + "/";
    for (int file = 0; file < 50; ++file)
      temp.MakeFile(name + std::to_string(file) + (file % 10 == 0 ? ".jpg" : ".dat"));
  }
  int32_t found = 0;
  const double fast = BestMilliseconds([&] {
    TStringList list;
    ScanFolder(temp.Path(), list, *NewWindowsFolderEnumerator(true));
    found = list.Count();
  });
  const double plain = BestMilliseconds([&] {
    TStringList list;
    ScanFolder(temp.Path(), list, *NewWindowsFolderEnumerator(false));
  });
  size_t walked = 0;
  const double standard = BestMilliseconds([&] {
    walked = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temp.FsPath()))
      if (entry.is_regular_file()) ++walked;
  });
  std::printf(
      "scan of %zu files in 400 folders (%d pictures), best of 5: std::filesystem walk %.1f ms "
      "(reference); large-fetch find %.1f ms (%.2f x); plain find %.1f ms (%.2f x)\n",
      walked, int(found), standard, fast, fast / standard, plain, plain / standard);
}

}  // namespace

int main() {
  FadeTick();
  FolderScan();
  return 0;
}

// Thread switches a second of a playing vemo.exe while a picture stands
// (Interval=15, two JPEGs), under Wine: one build of the program against
// another, measured in the same run. Run by bench/wakeups.sh.
//   vemo_wakeups_bench BEFORE.exe AFTER.exe
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "LinuxStats_win.h"
#include "app/Unit1_win.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace std::chrono_literals;

const std::filesystem::path kDataDir = vemo_test::PathFromUtf8(VEMO_TEST_DATA_DIR);
constexpr int kSeconds = 8;

// Switches a second over kSeconds, from 3 s after Play (the first fade is
// over by then) until 11 s: inside the first picture's 15 s.
double SwitchesPerSecond(const std::filesystem::path& program) {
  vemo_test::TTempFolder temp("vemo-wakeups");
  const std::filesystem::path exe = temp.FsPath() / L"vemo-bench.exe";
  std::filesystem::copy_file(program, exe);
  const std::filesystem::path pictures = temp.MakeFolder("pics");
  for (const char* name : {"landscape-640x480.jpg", "portrait-300x500.jpg"})
    std::filesystem::copy_file(kDataDir / "jpeg" / name, pictures / name);
  std::ofstream(temp.FsPath() / "vemo-bench.ini", std::ios::binary)
      << "[General]\r\nInterval=15\r\n[Folders]\r\nCount=1\r\n0=" << vemo_test::Utf8FromPath(pictures)
      << "\r\n";
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvane\\vemo-bench");

  vemo_test::TProcess process(exe, L"", temp.FsPath());
  HWND main = nullptr;
  vemo_test::WaitUntil(
      [&] { return (main = vemo_test::TopWindowOf(process.Id(), kMainWindowClass)) != nullptr; }, 20s);
  process.WaitIdle(20000);
  PostMessageW(main, WM_COMMAND, cmdPlay, 0);
  std::this_thread::sleep_for(3s);
  const std::string marker = vemo_test::Utf8FromPath(temp.FsPath().filename());
  const TLinuxStats start = LinuxStatsOf(marker);
  std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
  const TLinuxStats end = LinuxStatsOf(marker);
  PostMessageW(main, WM_CLOSE, 0, 0);
  process.Wait(10000);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvane\\vemo-bench");
  if (!start.Found) return -1;
  return double(end.Wakeups - start.Wakeups) / kSeconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vemo_wakeups_bench BEFORE.exe AFTER.exe\n");
    return 2;
  }
  const double before = SwitchesPerSecond(argv[1]);
  const double after = SwitchesPerSecond(argv[2]);
  if (before < 0 || after < 0) {
    std::printf("the Linux processes were not found under Z:\\proc\n");
    return 1;
  }
  std::printf("thread switches a second of vemo.exe between fades (Interval=15, two JPEGs, %d s):\n",
              kSeconds);
  std::printf("  before %.1f, after %.1f, ratio after/before %.3f\n", before, after,
              after / (before > 0 ? before : 1));
  return 0;
}

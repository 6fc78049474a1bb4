// Start-up and idle figures of vemo.exe under Wine on a (virtual) X display,
// each against a reference measured in the same run: the time from start to
// icon against the smallest program that adds an icon, and the processor time
// and wake-ups of five seconds stopped and five playing against the same
// smallest program idle. Run by bench/startup-idle.sh.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "LinuxStats_win.h"
#include "app/Unit1_win.h"
#include "support/TempFolder.h"
#include "support/WindowDriver_win.h"

namespace {

using namespace std::chrono_literals;
using vemo_test::TopWindowOf;
using vemo_test::TProcess;
using vemo_test::TrayShown;
using vemo_test::WaitUntil;

const std::filesystem::path kBuildDir = vemo_test::PathFromUtf8(VEMO_BUILD_DIR);
const std::filesystem::path kDataDir = vemo_test::PathFromUtf8(VEMO_TEST_DATA_DIR);

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain() {
  vemo_test::TTempFolder temp("vemo-bench");
  const std::filesystem::path exe = temp.FsPath() / L"vemo-bench.exe";
  const std::filesystem::path minimalExe = kBuildDir / "vemo_minimal_tray.exe";
  std::filesystem::copy_file(kBuildDir / "vemo.exe", exe);
  const std::filesystem::path pictures = temp.MakeFolder("pics");
  std::filesystem::copy_file(kDataDir / "jpeg" / "landscape-640x480.jpg", pictures / "first.jpg");
  {
    std::ofstream ini(temp.FsPath() / "vemo-bench.ini", std::ios::binary);
    ini << "[General]\r\nInterval=3\r\n[Folders]\r\nCount=1\r\n0=" << vemo_test::Utf8FromPath(pictures)
        << "\r\n";
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvane\\vemo-bench");

  auto timeToIcon = [&](const std::filesystem::path& program, const wchar_t* className) {
    WaitUntil([] { return !TrayShown(); }, 5s);
    const auto start = std::chrono::steady_clock::now();
    TProcess process(program, L"", temp.FsPath());
    const bool shown = WaitUntil([] { return TrayShown(); }, 20s, 1ms);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    WaitUntil([&] { return TopWindowOf(process.Id(), className) != nullptr; }, 5s);
    PostMessageW(TopWindowOf(process.Id(), className), WM_CLOSE, 0, 0);
    process.Wait(10000);
    return shown ? ms : -1.0;
  };
  std::vector<double> minimal, vemo;
  for (int i = 0; i < 5; ++i) {
    minimal.push_back(timeToIcon(minimalExe, L"VemoMinimalTray"));
    vemo.push_back(timeToIcon(exe, kMainWindowClass));
  }
  std::printf("start to icon, median of 5 (vemo.exe with one 640x480 JPEG in its folder):\n");
  std::printf("  minimal program %.0f ms, vemo.exe %.0f ms, ratio %.2f\n", Median(minimal), Median(vemo),
              Median(vemo) / Median(minimal));

  // Five seconds of each, measured through the Linux processes.
  auto over5s = [](const std::string& marker, const std::string& program) {
    const TLinuxStats start = LinuxStatsOf(marker, program);
    std::this_thread::sleep_for(5s);
    const TLinuxStats end = LinuxStatsOf(marker, program);
    return std::make_pair(end.CpuTicks - start.CpuTicks, end.Wakeups - start.Wakeups);
  };
  TProcess reference(minimalExe, L"", temp.FsPath());
  WaitUntil([] { return TrayShown(); }, 20s);
  reference.WaitIdle(10000);
  const auto idleReference = over5s("vemo_minimal_tray.exe", "vemo_minimal_tray.exe");
  PostMessageW(TopWindowOf(reference.Id(), L"VemoMinimalTray"), WM_CLOSE, 0, 0);
  reference.Wait(10000);

  TProcess process(exe, L"", temp.FsPath());
  process.WaitIdle(20000);
  const HWND main = TopWindowOf(process.Id(), kMainWindowClass);
  const std::string marker = vemo_test::Utf8FromPath(temp.FsPath().filename());
  const auto stopped = over5s(marker, "vemo-bench.exe");
  PostMessageW(main, WM_COMMAND, cmdPlay, 0);
  const auto playing = over5s(marker, "vemo-bench.exe");
  PostMessageW(main, WM_CLOSE, 0, 0);
  process.Wait(10000);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvane\\vemo-bench");
  if (!LinuxStatsOf(marker).Found && stopped.first == 0 && playing.first == 0)
    std::printf("(the Linux processes were not found under Z:\\proc: figures below are empty)\n");
  std::printf("over 5 s, processor time in clock ticks / wake-ups:\n");
  std::printf("  minimal program idle %llu / %llu\n", static_cast<unsigned long long>(idleReference.first),
              static_cast<unsigned long long>(idleReference.second));
  auto line = [&](const char* what, const std::pair<uint64_t, uint64_t>& figures) {
    std::printf("  vemo.exe %s %llu / %llu, ratio to the minimal program %.2f / %.2f\n", what,
                static_cast<unsigned long long>(figures.first),
                static_cast<unsigned long long>(figures.second),
                double(figures.first) / double(std::max<uint64_t>(idleReference.first, 1)),
                double(figures.second) / double(std::max<uint64_t>(idleReference.second, 1)));
  };
  line("stopped", stopped);
  line("playing", playing);
  return 0;
}

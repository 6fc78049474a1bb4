// Processor time and context switches of a Windows program under Wine, read
// from the Linux side through drive Z:, since Wine does not give another
// process's times through GetProcessTimes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

struct TLinuxStats {
  bool Found = false;
  uint64_t CpuTicks = 0;
  // Voluntary and involuntary context switches: the thread's wake-ups.
  uint64_t Wakeups = 0;
};

inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Summed over the threads of the Linux process whose command line holds both
// marker and program.
inline TLinuxStats LinuxStatsOf(const std::string& marker, const std::string& program = "vemo-bench.exe") {
  TLinuxStats stats;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("Z:\\proc", error)) {
    const std::string name = vemo_test::Utf8FromPath(entry.path().filename());
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string commandLine = ReadWhole(entry.path() / "cmdline");
    std::replace(commandLine.begin(), commandLine.end(), '\0', ' ');
    if (commandLine.find(marker) == std::string::npos || commandLine.find(program) == std::string::npos)
      continue;
    stats.Found = true;
    for (const auto& task : std::filesystem::directory_iterator(entry.path() / "task", error)) {
      const std::string stat = ReadWhole(task.path() / "stat");
      const size_t close = stat.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream fields(stat.substr(close + 2));
      std::vector<std::string> values(std::istream_iterator<std::string>{fields}, {});
      // After the name: state is field 3, utime 14 and stime 15.
      if (values.size() > 12) stats.CpuTicks += std::stoull(values[11]) + std::stoull(values[12]);
      std::istringstream status(ReadWhole(task.path() / "status"));
      std::string line;
      while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
            line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
          stats.Wakeups += std::stoull(line.substr(line.find(':') + 1));
    }
  }
  return stats;
}

// The one way a test waits: for a state, polled, within a limit.
#pragma once

#include <chrono>
#include <thread>

namespace vemo_test {

using namespace std::chrono_literals;

// Whether condition came true within limit; it is asked once more at the end.
template <typename TCondition>
bool WaitUntil(TCondition condition, std::chrono::milliseconds limit = 10s,
               std::chrono::milliseconds step = 10ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return condition();
    std::this_thread::sleep_for(step);
  }
}

}  // namespace vemo_test

#include "app/Visibility.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Each report in turn, and the holds it must take ("+2") or give back ("-2").
struct TStep {
  char Kind;  // 's'ession, 'd'isplay, 'p'ower; power 'a'c/dc source, 'b'attery and 'e'nergy saver
  uint32_t Value;
  std::string Expected;
};

TEST(VisibilityHolds, HoldWhileNobodyCanSeeTheIconAndGiveBackOnce) {
  const std::vector<TStep> steps = {
      {'d', kDisplayOn, ""},
      {'s', kWtsSessionLock, "+2"},
      {'s', kWtsConsoleDisconnect, ""},
      // Connected again at the lock screen: still locked.
      {'s', kWtsConsoleConnect, ""},
      {'s', kWtsSessionUnlock, "-2"},
      {'s', kWtsRemoteDisconnect, "+2"},
      {'s', kWtsRemoteConnect, "-2"},
      {'s', 5, ""},
      {'d', kDisplayDimmed, ""},
      {'d', kDisplayOff, "+4"},
      {'d', kDisplayOff, ""},
      {'p', kPbtSuspend, "+8"},
      {'p', kPbtResumeAutomatic, "-8"},
      {'p', kPbtResumeSuspend, ""},
      {'p', 10, ""},
      {'d', kDisplayDimmed, "-4"},
      {'e', 2, ""},  // energy saver on for good on a desktop
      {'a', 1, "+16"},
      {'e', 0, "-16"},
      {'b', 1, "+16"},
      {'a', 0, "-16"},
  };
  std::string told;
  TVisibilityHolds holds([&told](THoldReason reason, bool on) {
    told += on ? '+' : '-';
    told += std::to_string(int(reason));
  });
  for (size_t i = 0; i < steps.size(); ++i) {
    told.clear();
    const TStep& step = steps[i];
    if (step.Kind == 's') holds.SessionChange(step.Value);
    if (step.Kind == 'd') holds.DisplayState(step.Value);
    if (step.Kind == 'p') holds.PowerEvent(step.Value);
    if (const size_t fact = std::string("abe").find(step.Kind); fact != std::string::npos)
      holds.PowerSetting(TPowerFact(fact), step.Value);
    EXPECT_EQ(told, step.Expected) << "step " << i;
  }
}

std::optional<TSessionState> State(uint32_t lockFlags, bool connected = true, bool reversed = false) {
  return TSessionState{lockFlags, connected, reversed};
}
const std::optional<TSessionState> kCannotTell;

TEST(VisibilityHolds, TheSystemIsAskedAtFirstAndOnEachReportWhichDecidesOnlyWhenItCannotTell) {
  struct TAsked {
    uint32_t Event;
    std::optional<TSessionState> Answer;
    std::string Expected;
  };
  const std::vector<TAsked> steps = {
      // Locked before the program began listening.
      {kWtsFirstLook, State(kWtsSessionStateLock), "+2"},
      {kWtsSessionUnlock, State(kWtsSessionStateLock), ""},
      {kWtsSessionUnlock, State(kWtsSessionStateUnlock), "-2"},
      {kWtsSessionLock, State(kWtsSessionStateUnknown), ""},
      {kWtsSessionLock, State(5), ""},
      {kWtsRemoteDisconnect, State(kWtsSessionStateUnlock, false), "+2"},
      {kWtsRemoteConnect, kCannotTell, "-2"},
      {kWtsConsoleDisconnect, kCannotTell, "+2"},
      {5, State(kWtsSessionStateUnlock), "-2"},
      // Windows 7's flags, the wrong way round.
      {5, State(kWtsSessionStateUnlock, true, true), "+2"},
      {5, State(kWtsSessionStateUnknown, true, true), "-2"},
      {5, State(kWtsSessionStateLock, false, true), "+2"},
      {5, State(kWtsSessionStateLock, true, true), "-2"},
      {kWtsSessionLock, kCannotTell, "+2"},
      {kWtsSessionUnlock, kCannotTell, "-2"},
      {5, kCannotTell, ""},
  };
  std::string told;
  size_t i = 0;
  TVisibilityHolds holds(
      [&told](THoldReason reason, bool on) {
        told += on ? '+' : '-';
        told += std::to_string(int(reason));
      },
      [&] { return steps[i].Answer; });
  for (; i < steps.size(); ++i) {
    told.clear();
    holds.SessionChange(steps[i].Event);
    EXPECT_EQ(told, steps[i].Expected) << "step " << i;
  }
}

}  // namespace

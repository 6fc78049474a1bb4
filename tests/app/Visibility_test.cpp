#include "app/Visibility.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Each report in turn, and the holds it must take ("+2") or give back ("-2").
struct TStep {
  char Kind;  // 's'ession, 'd'isplay, 'p'ower
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
    EXPECT_EQ(told, step.Expected) << "step " << i;
  }
}

}  // namespace

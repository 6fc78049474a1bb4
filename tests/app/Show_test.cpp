#include "app/Show.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// An interval of 3 s: the fade runs from 3000 to 4000.
TEST(Show, PhaseRatioAndWakeUpFollowThePicturesTime) {
  struct TCase {
    uint32_t At;
    TNextState Next;
    TShowPhase Phase;
    float Ratio;
    std::optional<uint32_t> Wake;
    bool Due;
  };
  const TCase cases[] = {
      {0, nsReady, spStanding, 0, 3000, false},
      {3000, nsReady, spStanding, 0, kTimerInterval, false},  // the fade's start itself is no blend
      {3250, nsReady, spFading, 0.25f, kTimerInterval, false},
      {3990, nsReady, spFading, 0.99f, 10, false},
      {4000, nsReady, spFading, 0, 0, true},
      {9000, nsReady, spFading, 0, 0, true},  // a late tick: the overshoot is dropped
      {2000, nsPreparing, spStanding, 0, 1000, false},
      {9000, nsPreparing, spWaiting, 0, std::nullopt,
       false},  // held at the fade's start until the tile comes
      {9000, nsRescan, spWaiting, 0, 0, false},
  };
  for (const TCase& c : cases) {
    TShow show(3, 100);
    show.SetNextState(c.Next, 100);
    show.RestartTime(100);
    ASSERT_TRUE(show.Play(100));
    const uint32_t now = 100 + c.At;
    SCOPED_TRACE(c.At);
    EXPECT_EQ(show.Phase(now), c.Phase);
    EXPECT_FLOAT_EQ(show.FadeRatio(now), c.Ratio);
    EXPECT_EQ(show.WakeIn(now), c.Wake);
    EXPECT_EQ(show.ChangeDue(now), c.Due);
    EXPECT_EQ(show.Time(now), c.Next == nsReady ? std::min(c.At, 4000u) : std::min(c.At, 3000u));
  }
}

TEST(Show, AClockWrapAddsOnlyTheTrueDifference) {
  TShow show(15, 0xFFFFFF00u);
  show.SetNextState(nsReady, 0xFFFFFF00u);
  show.Play(0xFFFFFF00u);
  EXPECT_EQ(show.Time(0x00000010u), 15000u + 0x110);
  // A session locked before the settings were read still holds afterwards.
  show.Hold(hrSessionLocked, true, 0x20u);
  show.Reset(3, 0x30u);
  EXPECT_TRUE(show.HeldFor(hrSessionLocked));
}

// Drives the schedule as the window does, through random inputs and a timer
// that ticks when it is armed, 0 to 16 ms late, and checks what must always
// hold.
TEST(Show, RandomSequencesKeepTheScheduleSound) {
  std::mt19937 random(24);
  auto pick = [&random](uint32_t n) { return uint32_t(random() % n); };
  for (int run = 0; run < 200; ++run) {
    uint32_t now = random();
    TShow show(uint16_t(1 + pick(5)), now);
    show.SetNextState(nsReady, now);
    int holds[kHoldReasons] = {};
    uint16_t lastSet = show.Interval();
    for (int step = 0; step < 400; ++step) {
      const bool fading = show.IsFading(now);
      switch (pick(10)) {
        case 0: show.Play(now); break;
        case 1: {
          const TShowPhase phase = show.Phase(now);
          show.Stop(now);
          if (phase == spStanding || phase == spWaiting) {
            EXPECT_FALSE(show.IsPlaying()) << "stop outside a fade is at once";
          }
          break;
        }
        case 2: {
          const bool could = show.CanNext(now);
          EXPECT_EQ(show.Next(now), could);
          EXPECT_FALSE(fading && could) << "no Next during a fade";
          break;
        }
        case 3: {
          const int slot = int(pick(kHoldReasons));
          const bool on = holds[slot] == 0 || pick(2) == 0;
          holds[slot] += on ? 1 : -1;
          show.Hold(THoldReason(1 << slot), on, now);
          break;
        }
        case 4: {
          const uint16_t before = show.Interval();
          show.SetNewInterval(lastSet = uint16_t(1 + pick(5)), now);
          EXPECT_EQ(show.Interval(), fading ? before : lastSet) << "a new interval waits only for a fade";
          break;
        }
        case 5:  // work starts only outside a fade, and ends any time
          if (!fading) show.SetNextState(pick(2) ? nsPreparing : nsScanning, now);
          break;
        case 6: show.SetAnimate(pick(3) != 0, now); break;
        default: show.SetNextState(pick(5) == 0 ? nsNothing : nsReady, now); break;
      }
      const bool held = holds[0] + holds[1] + holds[2] + holds[3] + holds[4] > 0;
      ASSERT_EQ(show.Held(), held);
      EXPECT_EQ(show.Paused(), holds[1] + holds[2] + holds[3] + holds[4] > 0);
      const std::optional<uint32_t> wake = show.WakeIn(now);
      const uint32_t later = now + (wake ? *wake + pick(17) : pick(3000));
      if (held) {
        EXPECT_FALSE(wake) << "no timer while held";
        EXPECT_EQ(show.Time(later), show.Time(now)) << "the clock stands while held";
      }
      if (show.ClockRunning() && show.NextReady()) {
        EXPECT_TRUE(wake) << "a running show always wakes";
      }
      if (!show.NextReady() && show.Time(now) <= show.FadeStart()) {
        EXPECT_LE(show.Time(later), show.FadeStart()) << "a late tile holds the time";
      }
      if (show.IsPlaying()) {
        EXPECT_GE(show.Time(later), show.Time(now));
      }
      if (fading) {
        EXPECT_TRUE(show.IsFading(now) || !show.Animate()) << "nothing but its change or the cut ends a fade";
      }
      if (!show.Animate()) {
        EXPECT_FALSE(show.Phase(now) == spFading || show.FadeRatio(now) != 0) << "a cut has no fade";
        EXPECT_TRUE(!wake || !show.NextReady() || show.ChangeDue(now) ||
                    *wake == show.ChangePoint() - show.Time(now))
            << "no tick in a cut";
      }
      if (show.IsFading(now)) {
        EXPECT_TRUE(show.IsFading(later) || show.ChangeDue(later));
      }
      now = later;
      if (show.ChangeDue(now)) {
        if (show.NextState() == nsNothing) {
          show.StopForNothing(now);
        } else {
          show.Changed(now);
          EXPECT_EQ(show.Interval(), lastSet) << "the interval last set is in force after a change";
          EXPECT_EQ(show.Time(now), 0u);
        }
      }
      if (show.RescanDue(now)) show.SetNextState(nsScanning, now);
    }
  }
}

}  // namespace

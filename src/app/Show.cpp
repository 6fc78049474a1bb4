#include "app/Show.h"

#include <algorithm>
#include <iterator>

void TShow::Reset(uint16_t interval, uint32_t now) {
  FRun = srStopped;
  FInterval = FNewInterval = interval;
  FElapsed = FadeStart();
  FLastTick = now;
  // Holds taken before the settings were read (a session locked at start)
  // still hold.
  FNextState = nsScanning;
  FWalk = 0;
  FBack = FOffList = false;
}

int TShow::Slot(THoldReason reason) {
  switch (reason) {
    case hrMenu: return 0;
    case hrSessionLocked: return 1;
    case hrDisplayOff: return 2;
    case hrSuspended: return 3;
    default: return 4;
  }
}

bool TShow::Held() const {
  return std::any_of(std::begin(FHolds), std::end(FHolds), [](uint16_t count) { return count != 0; });
}

uint32_t TShow::Time(uint32_t now) const {
  uint64_t time = FElapsed;
  // Differences are taken modulo 2^32, so a wrap of the clock adds only the
  // true difference.
  if (ClockRunning()) time += uint32_t(now - FLastTick);
  // The picture stays until the next tile is made, and the fade then takes
  // its full second; a time already past the fade's start holds where it is.
  if (!TargetReady()) time = std::max<uint64_t>(FElapsed, std::min<uint64_t>(time, FadeStart()));
  return uint32_t(std::min<uint64_t>(time, std::max(FElapsed, ChangePoint())));
}

bool TShow::FadingAt(uint32_t time) const {
  return FAnimate && TargetReady() && FadeStart() < time && time < ChangePoint();
}

void TShow::Settle(uint32_t now) {
  FElapsed = Time(now);
  FLastTick = now;
  if (!FadingAt(FElapsed)) FInterval = FNewInterval;
}

TShowPhase TShow::Phase(uint32_t now) const {
  if (FRun == srStopped) return spStopped;
  if (FRun == srStopping) return spStopping;
  const uint32_t time = Time(now);
  if (!TargetReady() && time >= FadeStart()) return spWaiting;
  // Past the change point the fade has run out, and the change is due. A
  // cut has no fade: the picture stands until the change.
  return time > FadeStart() && FAnimate ? spFading : spStanding;
}

bool TShow::IsFading(uint32_t now) const { return FadingAt(Time(now)); }

float TShow::FadeRatio(uint32_t now) const {
  const uint32_t time = Time(now);
  if (!FadingAt(time)) return 0;
  return float(double(time - FadeStart()) / double(kFadeLength));
}

bool TShow::ChangeDue(uint32_t now) const {
  return FRun != srStopped && TargetReady() && Time(now) >= ChangePoint();
}

bool TShow::RescanDue(uint32_t now) const {
  // Within a walk the list is not needed until the walk is back at its start.
  return FRun == srPlaying && FNextState == nsRescan && Target() < 0 && Time(now) >= FadeStart();
}

std::optional<uint32_t> TShow::WakeIn(uint32_t now) const {
  if (!ClockRunning()) return std::nullopt;
  if (ChangeDue(now) || RescanDue(now)) return 0;
  const uint32_t time = Time(now);
  if (!TargetReady()) {
    // The time holds at the fade's start until the work is done; before it,
    // the fade's start is when a failed scan is tried again.
    if (time >= FadeStart()) return std::nullopt;
    return FadeStart() - time;
  }
  if (!FAnimate) return ChangePoint() - time;
  if (time < FadeStart()) return FadeStart() - time;
  return std::min(kTimerInterval, ChangePoint() - time);
}

bool TShow::CanNext(uint32_t now) const {
  return FRun == srPlaying && Phase(now) == spStanding && Time(now) < FadeStart();
}

bool TShow::Play(uint32_t now) {
  if (FRun != srStopped || (FNextState == nsNothing && Target() < 0)) return false;
  Settle(now);
  FRun = srPlaying;
  return true;
}

void TShow::Stop(uint32_t now) {
  if (FRun != srPlaying) return;
  // Outside a fade nothing is left to finish.
  if (Phase(now) == spFading) {
    Settle(now);
    FRun = srStopping;
    return;
  }
  StopNow(now);
}

void TShow::StopNow(uint32_t now) {
  Settle(now);
  FRun = srStopped;
}

void TShow::StopForNothing(uint32_t now) {
  StopNow(now);
  FElapsed = std::max(FElapsed, ChangePoint());
}

bool TShow::Next(uint32_t now) {
  if (!CanNext(now)) return false;
  Settle(now);
  FElapsed = FadeStart();
  return true;
}

void TShow::Hold(THoldReason reason, bool on, uint32_t now) {
  Settle(now);
  uint16_t& count = FHolds[Slot(reason)];
  if (on)
    ++count;
  else if (count > 0)
    --count;
}

void TShow::SetNewInterval(uint16_t interval, uint32_t now) {
  FNewInterval = interval;
  Settle(now);
}

void TShow::SetNextState(TNextState state, uint32_t now) {
  Settle(now);
  FNextState = state;
}

void TShow::Changed(uint32_t now) {
  Settle(now);
  FElapsed = 0;
  FInterval = FNewInterval;
  if (FRun == srStopping) FRun = srStopped;
  FWalk = std::max(Target(), 0);
  FBack = FOffList = false;
}

void TShow::RestartTime(uint32_t now) {
  Settle(now);
  FElapsed = 0;
}

// --- The cut -----------------------------------------------------------------------

void TShow::SetAnimate(bool animate, uint32_t now) {
  Settle(now);
  FAnimate = animate;
  // Settled inside a fade that is now none, the new interval goes into force.
  Settle(now);
}

// --- The walk --------------------------------------------------------------------

int32_t TShow::Target() const {
  if (FBack) return OlderEntry();
  return FWalk > 0 ? FWalk - 1 : -1;
}

bool TShow::CanPrevious(uint32_t now, int32_t historyCount) const {
  if (FRun != srPlaying || FBack || OlderEntry() >= historyCount) return false;
  const TShowPhase phase = Phase(now);
  return phase == spWaiting || (phase == spStanding && Time(now) < FadeStart());
}

bool TShow::Previous(uint32_t now, int32_t historyCount) {
  if (!CanPrevious(now, historyCount)) return false;
  Settle(now);
  FBack = true;
  FElapsed = FadeStart();
  return true;
}

void TShow::Forget(int32_t index, int32_t historyCount, uint32_t now) {
  Settle(now);
  if (index < FWalk)
    --FWalk;
  else if (index == FWalk)
    FOffList = true;
  if (FBack && Target() >= historyCount) FBack = false;
}

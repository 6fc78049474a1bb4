// The show's schedule: when a picture stands, fades and changes, what the
// commands may do and when the timer must wake. Pure arithmetic on a few
// stored facts and the millisecond clock's value, which every call is given;
// no bitmaps, no windows, no worker. The main window asks it and turns the
// answers into the icon, the tooltip and the timer.
#pragma once

#include <cstdint>
#include <optional>

// The fade from one picture to the next, and the tick through it.
inline constexpr uint32_t kFadeLength = 1000;
inline constexpr uint32_t kTimerInterval = 50;

// What the show is doing, worked out from the stored facts whenever asked.
enum TShowPhase : uint8_t {
  // The clock is off and the icon still; Play starts the show.
  spStopped,
  // A picture stands until the fade's start; Stop stops the clock at once.
  spStanding,
  // The fade's start or the change point has come, but not the next tile or
  // list: the picture stays and its time holds; Stop takes effect at once.
  spWaiting,
  // The icon blends into the next tile every tick.
  spFading,
  // Stop was chosen during a fade: the fade runs to the change, and the show
  // stops there. Play does nothing meanwhile.
  spStopping,
};

// What the next slot holds, whatever the phase.
enum TNextState : uint8_t {
  // The list is being scanned; the next tile follows it.
  nsScanning,
  // The next picture is being looked for and its tile made.
  nsPreparing,
  // The next picture's tile, ready for the fade.
  nsReady,
  // The scan found nothing to show: the slot holds the default tile.
  nsNothing,
  // The scan failed: the list before it stays, and the show scans again when
  // the picture's time next reaches the fade's start.
  nsRescan,
};

// Why the show's clock is held. Holds add up, and each reason is counted:
// the clock runs only while the show plays and no hold of any reason is on.
enum THoldReason : uint8_t {
  hrMenu = 1,
  hrSessionLocked = 2,
  hrDisplayOff = 4,
  hrSuspended = 8,
  // On battery while Windows saves energy: the show rests as if nobody
  // could see it.
  hrEnergySaver = 16,
};
inline constexpr int kHoldReasons = 5;

class TShow {
public:
  // Stopped, with the picture's time at the fade's start: the first Play
  // fades from the default tile into the first picture at once. The holds
  // stay as they are.
  explicit TShow(uint16_t interval = 15, uint32_t now = 0) { Reset(interval, now); }
  void Reset(uint16_t interval, uint32_t now);

  // --- Inputs: each takes the clock's value now ---------------------------------
  // Whether the show started: not while it plays or stops, nor with nothing
  // to show.
  bool Play(uint32_t now);
  // Outside a fade the show stops at once; in one, the fade runs to the
  // change, which stops it (Changed).
  void Stop(uint32_t now);
  // Stops the clock at once, whatever the phase.
  void StopNow(uint32_t now);
  // Nothing is left to show at a change: stopped, with the time past the
  // change point, so that a later Play changes the picture at once.
  void StopForNothing(uint32_t now);
  // Starts the change now, as if the interval had ended; only while a
  // picture stands before its fade. Says whether it did.
  bool Next(uint32_t now);
  void Hold(THoldReason reason, bool on, uint32_t now);
  // The interval last set: in force at once outside a fade, else at the
  // change that ends it.
  void SetNewInterval(uint16_t interval, uint32_t now);
  void SetNextState(TNextState state, uint32_t now);
  // The change was made: the next picture is current, its time begins, the
  // interval last set is in force, and a stop chosen during the fade ends
  // the show.
  void Changed(uint32_t now);
  // The picture's time begins again without a change (a failed rescan waits
  // a whole interval before it is tried again).
  void RestartTime(uint32_t now);

  // --- Outputs --------------------------------------------------------------------
  // The picture's time now: what the clock added since the last input, held
  // at the fade's start while the next tile is late, never past the change
  // point. Every decision below is taken on it.
  uint32_t Time(uint32_t now) const;
  TShowPhase Phase(uint32_t now) const;
  bool IsFading(uint32_t now) const;
  // How far the fade is, 0 < ratio < 1 inside one; 0 outside.
  float FadeRatio(uint32_t now) const;
  // The next picture's tile (or the default one) is due to become current.
  bool ChangeDue(uint32_t now) const;
  // A failed scan is due to be tried again.
  bool RescanDue(uint32_t now) const;
  // Milliseconds until the timer must wake; none while the clock stands or
  // the show waits for work, whose result wakes it.
  std::optional<uint32_t> WakeIn(uint32_t now) const;

  // --- The walk back through the recent pictures ------------------------------
  // Entries count from 0, the newest of the recent-pictures list. Outside a
  // walk entry 0 is the picture on show; during one, the entry walked to is.
  // Fades to the entry before the one on show, the picture's time starting
  // again at the change; allowed where Next is, and while the show waits for
  // a tile. historyCount: the entries the list holds now.
  bool CanPrevious(uint32_t now, int32_t historyCount) const;
  bool Previous(uint32_t now, int32_t historyCount);
  // The entry on show: 0 outside a walk.
  int32_t Walk() const { return FWalk; }
  // What the coming (or running) fade fades to: an entry of the list, or -1
  // for the next slot's picture. Within a walk the end of the interval and
  // Next walk forward, and once back at entry 0 the next slot comes again.
  int32_t Target() const;
  // Entry index left the list, which holds historyCount entries now: the
  // walk keeps to the same pictures. When it is the picture on show, the
  // entries on either side become the targets; when it is the one a fade
  // back goes to and none is older, the fade goes forward instead.
  void Forget(int32_t index, int32_t historyCount, uint32_t now);
  // The picture on show is not in the list (it was hidden).
  bool OffList() const { return FOffList; }

  bool CanPlay() const { return FRun != srPlaying; }
  bool CanStop() const { return FRun == srPlaying; }
  bool CanNext(uint32_t now) const;

  // From Play until the show stops, held or not.
  bool IsPlaying() const { return FRun != srStopped; }
  bool StopPending() const { return FRun == srStopping; }
  bool ClockRunning() const { return FRun != srStopped && !Held(); }
  bool Held() const;
  bool HeldFor(THoldReason reason) const { return FHolds[Slot(reason)] != 0; }
  // Nobody can see the show: no work is started then.
  bool Paused() const {
    return HeldFor(hrSessionLocked) || HeldFor(hrDisplayOff) || HeldFor(hrSuspended) ||
           HeldFor(hrEnergySaver);
  }

  uint16_t Interval() const { return FInterval; }
  uint16_t NewInterval() const { return FNewInterval; }
  TNextState NextState() const { return FNextState; }
  // The next slot holds its picture's tile, or the default tile when there
  // is nothing to show.
  bool NextReady() const { return FNextState == nsReady || FNextState == nsNothing; }
  // The picture's time at which the fade starts (the interval's end), and
  // the change point one fade later.
  uint32_t FadeStart() const { return uint32_t(FInterval) * 1000; }
  uint32_t ChangePoint() const { return FadeStart() + kFadeLength; }

  // --- The cut: where the user turned animation effects off ---------------------
  // Without animation the fade's second passes with no blended frame and no
  // tick, and the picture changes at the change point, as after a fade. A
  // fade under way when they are turned off stands on the current picture.
  void SetAnimate(bool animate, uint32_t now);
  bool Animate() const { return FAnimate; }

private:
  enum TRun : uint8_t { srStopped, srPlaying, srStopping };
  static int Slot(THoldReason reason);
  // Brings the stored time up to now, so that what changes next counts from
  // here; a pending interval outside a fade goes into force.
  void Settle(uint32_t now);
  bool FadingAt(uint32_t time) const;
  // The history entry older than the one on show; a picture that left the
  // list leaves its older neighbour at its place.
  int32_t OlderEntry() const { return FOffList ? FWalk : FWalk + 1; }
  // The picture the fade goes to is there: an entry of the list always is.
  bool TargetReady() const { return Target() >= 0 || NextReady(); }

  TRun FRun = srStopped;
  // The picture's time as of FLastTick.
  uint32_t FElapsed = 0;
  uint32_t FLastTick = 0;
  uint16_t FHolds[kHoldReasons] = {};
  uint16_t FInterval = 15;
  uint16_t FNewInterval = 15;
  TNextState FNextState = nsScanning;
  // Like the holds, a setting of the system's: a Reset keeps it.
  bool FAnimate = true;
  // The walk: the entry on show, whether the coming fade goes back, and
  // whether the picture on show left the list.
  int32_t FWalk = 0;
  bool FBack = false;
  bool FOffList = false;
};

#include "app/ShowWork.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ManualWorker.h"

namespace {

TEST(ShowWork, NewWorkInASlotCallsOffTheOldAndAPauseKeepsWorkBack) {
  vemo_test::TManualWorker worker;
  TShowWork work(&worker);
  std::string log;
  auto start = [&](TWorkSlot slot, char name) {
    work.Start(
        slot, [&log, name] { log += std::string(1, name) + (TCancelScope::Cancelled() ? "?" : ""); },
        [&log, name] { log += char(name - 'a' + 'A'); });
  };
  start(wsScan, 'a');
  start(wsPrepare, 'b');
  worker.Finish();     // a runs, its result waits
  start(wsScan, 'c');  // calls a off before it is handed back, b stays
  worker.RunAll();
  EXPECT_EQ(log, "abBcC");
  // Called off while it runs: the work sees it through the thread's scope.
  log.clear();
  auto callsItselfOff = [&] {
    start(wsScan, 'f');
    log += TCancelScope::Cancelled() ? "off" : "on";
  };
  work.Start(wsScan, callsItselfOff, [] {});
  worker.RunAll();
  EXPECT_EQ(log, "offfF");

  log.clear();
  work.SetPaused(true);
  start(wsRemake, 'd');
  EXPECT_TRUE(worker.Queue.empty());
  work.SetPaused(false);
  worker.RunAll();
  work.SetPaused(true);
  start(wsRemake, 'e');
  work.CancelAll();
  work.SetPaused(false);
  worker.RunAll();
  EXPECT_EQ(log, "dD");
}

}  // namespace

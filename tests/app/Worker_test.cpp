#include "app/Worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/Discovery.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "picture/JpegDecoder.h"
#include "support/StdFolderEnumerator.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

// Counts the worker's wake-up calls and lets the test wait for them.
struct TWakeUps {
  std::mutex Lock;
  std::condition_variable Changed;
  int Count = 0;
  void Notify() {
    std::lock_guard lock(Lock);
    ++Count;
    Changed.notify_all();
  }
  bool WaitFor(int count) {
    std::unique_lock lock(Lock);
    return Changed.wait_for(lock, std::chrono::seconds(10), [&] { return Count >= count; });
  }
};

TEST(ThreadWorker, RunsWorkAwayAndHandsResultsBackInOrderOnDeliver) {
  TWakeUps wakeUps;
  std::unique_ptr<TWorker> worker = NewThreadWorker([&wakeUps] { wakeUps.Notify(); });
  const std::thread::id caller = std::this_thread::get_id();
  std::vector<int> delivered;
  std::atomic<bool> awayFromCaller{true};
  for (int i = 0; i < 3; ++i)
    worker->Post([&, i] { awayFromCaller = awayFromCaller && std::this_thread::get_id() != caller; },
                 [&, i] {
                   EXPECT_TRUE(std::this_thread::get_id() == caller);
                   delivered.push_back(i);
                   if (i == 1) throw std::runtime_error("second");
                 });
  ASSERT_TRUE(wakeUps.WaitFor(3));
  EXPECT_TRUE(delivered.empty()) << "nothing reaches the window's side before Deliver";
  // An error of one result is raised once the others have been handed over.
  EXPECT_THROW(worker->Deliver(), std::runtime_error);
  EXPECT_EQ(delivered, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(awayFromCaller);
  worker->Deliver();
  EXPECT_EQ(delivered.size(), 3u);
}

TEST(ThreadWorker, ShutdownDropsQueuedWorkAndDoesNotWaitForAStuckPiece) {
  auto release = std::make_shared<std::atomic<bool>>(false);
  auto started = std::make_shared<std::atomic<bool>>(false);
  auto queuedRan = std::make_shared<std::atomic<bool>>(false);
  TWakeUps wakeUps;
  {
    std::unique_ptr<TWorker> worker = NewThreadWorker([] {}, 50);
    // A piece that hangs like a listing of a dead network share.
    worker->Post(
        [release, started] {
          *started = true;
          while (!*release) std::this_thread::yield();
        },
        [] {});
    worker->Post([queuedRan] { *queuedRan = true; }, [] {});
    while (!*started) std::this_thread::yield();
    const auto before = std::chrono::steady_clock::now();
    worker.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  }
  *release = true;
  EXPECT_FALSE(*queuedRan);

  // An idle worker ends at once and joins.
  std::unique_ptr<TWorker> idle = NewThreadWorker([&wakeUps] { wakeUps.Notify(); });
  idle->Post([] {}, [] {});
  ASSERT_TRUE(wakeUps.WaitFor(1));
  idle.reset();
}

TEST(ScanCancellation, IsAskedOnEveryFolderAndEveryFewHundredEntries) {
  vemo_test::TTempFolder temp("vemo-scan-cancel");
  for (int i = 0; i < 1000; ++i) temp.MakeFile("big/p" + std::to_string(i) + ".jpg");
  temp.MakeFile("big/sub/x.jpg");
  vemo_test::TStdFolderEnumerator enumerator;
  const std::string folder = temp.Path() + PathDelim + "big";

  TStringList all;
  int asked = 0;
  ScanFolder(folder, all, enumerator, [&asked] { return ++asked < 0; });
  EXPECT_EQ(all.Count(), 1001);
  // Two folders, and one question every kScanCancelStride entries.
  EXPECT_GE(asked, 2 + 1000 / kScanCancelStride);

  // Cancelled from the second question: the first stride's pictures at most.
  TStringList part;
  asked = 0;
  ScanFolder(folder, part, enumerator, [&asked] { return ++asked >= 2; });
  EXPECT_LT(part.Count(), kScanCancelStride);
  // Cancelled before it starts: not a folder is opened.
  const int opened = enumerator.Opened;
  TStringList none;
  ScanFolder(folder, none, enumerator, [] { return true; });
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(enumerator.Opened, opened);
}

TEST(JpegCancellation, AFlagSetForTheThreadStopsTheRowLoop) {
  std::atomic<bool> cancel{false};
  TBitmap bitmap;
  {
    const TJpegCancelScope scope(cancel);
    LoadJpegFromFile(TestDataPath("jpeg/rgb-420.jpg"), bitmap);
    EXPECT_GT(bitmap.Width(), 0);
    cancel = true;
    TBitmap stopped;
    EXPECT_THROW(LoadJpegFromFile(TestDataPath("jpeg/rgb-420.jpg"), stopped), EInvalidGraphic);
  }
  // Outside the scope the flag no longer counts.
  TBitmap again;
  LoadJpegFromFile(TestDataPath("jpeg/rgb-420.jpg"), again);
  EXPECT_EQ(again.Width(), bitmap.Width());
}

}  // namespace

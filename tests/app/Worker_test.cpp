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
#include "framework/CancelToken.h"
#include "framework/BmpFile.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "picture/JpegDecoder.h"
#include "support/JpegWriter.h"
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
          // It gives up by itself in the end, so that a worker waiting for it
          // fails the test rather than hanging the run.
          const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(4);
          while (!*release && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
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

// Reads through another enumerator and cancels the token once the scan has
// read After entries.
class TCancellingEnumerator : public TFolderEnumerator {
public:
  TCancellingEnumerator(TFolderEnumerator& inner, TCancelToken token, int after)
      : FInner(inner), FToken(std::move(token)), FLeft(after) {}
  std::unique_ptr<TFolderReader> Open(const std::string& folder) override {
    struct TReader : TFolderReader {
      std::unique_ptr<TFolderReader> Inner;
      TCancellingEnumerator* Owner = nullptr;
      std::optional<TFolderIdentity> Identity() override { return Inner->Identity(); }
      bool Next(TFolderEntry& entry) override {
        if (--Owner->FLeft == 0) Owner->FToken.Cancel();
        return Inner->Next(entry);
      }
    };
    auto reader = std::make_unique<TReader>();
    reader->Inner = FInner.Open(folder);
    reader->Owner = this;
    return reader->Inner ? std::move(reader) : nullptr;
  }

private:
  TFolderEnumerator& FInner;
  TCancelToken FToken;
  int FLeft;
};

TEST(ScanCancellation, IsAskedOnEveryFolderAndEveryFewHundredEntries) {
  vemo_test::TTempFolder temp("vemo-scan-cancel");
  for (int i = 0; i < 1000; ++i) temp.MakeFile("big/p" + std::to_string(i) + ".jpg");
  temp.MakeFile("big/sub/x.jpg");
  vemo_test::TStdFolderEnumerator enumerator;
  const std::string folder = temp.Path() + PathDelim + "big";

  TStringList all;
  ScanFolder(folder, all, enumerator);
  EXPECT_EQ(all.Count(), 1001);

  // Cancelled at the second entry: the first stride's pictures at most.
  const TCancelToken token;
  TCancellingEnumerator cancelling(enumerator, token, 2);
  TStringList part;
  {
    const TCancelScope scope(token);
    ScanFolder(folder, part, cancelling);
  }
  EXPECT_LT(part.Count(), kScanCancelStride);
  // Cancelled before it starts: not a folder is opened.
  const int opened = enumerator.Opened;
  TStringList none;
  {
    const TCancelScope scope(token);
    ScanFolder(folder, none, enumerator);
  }
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(enumerator.Opened, opened);
}

TEST(JpegCancellation, AFlagSetForTheThreadStopsTheRowLoop) {
  TCancelToken cancel;
  TBitmap bitmap;
  {
    const TCancelScope scope(cancel);
    LoadJpegFromFile(TestDataPath("jpeg/rgb-420.jpg"), bitmap);
    EXPECT_GT(bitmap.Width(), 0);
    cancel.Cancel();
    TBitmap stopped;
    EXPECT_THROW(LoadJpegFromFile(TestDataPath("jpeg/rgb-420.jpg"), stopped), ECancelled);
  }
  // Outside the scope the flag no longer counts.
  TBitmap again;
  LoadJpegFromFile(TestDataPath("jpeg/rgb-420.jpg"), again);
  EXPECT_EQ(again.Width(), bitmap.Width());
}

// Reads like a memory stream, and cancels the token on its first read once
// armed: the decoder is then in the middle of the picture's data.
class TCancellingStream : public TMemoryStream {
public:
  TCancellingStream(const std::vector<uint8_t>& data, const TCancelToken& token)
      : TMemoryStream(data.data(), data.size()), FToken(token) {}
  bool Armed = false;
  size_t Read(void* buffer, size_t count) override {
    if (Armed) FToken.Cancel();
    return TMemoryStream::Read(buffer, count);
  }

private:
  TCancelToken FToken;
};

TEST(DecoderCancellation, EveryDecoderStopsWithinARowBandOfTheCancel) {
  TBitmap big(1024, 1024, pf24bit);
  const std::vector<uint8_t> bmp = SaveBitmapToMemory(big);
  const std::vector<uint8_t> baseline = vemo_test::NoiseJpeg(1024, 1024, false);
  const std::vector<uint8_t> progressive = vemo_test::NoiseJpeg(1024, 1024, true);
  for (const std::vector<uint8_t>* file : {&bmp, &baseline, &progressive}) {
    TCancelToken token;
    const TCancelScope scope(token);
    TCancellingStream stream(*file, token);
    int32_t rowsAfter = 0;
    auto sink = [&](int32_t, const uint8_t*) { rowsAfter += token.Cancelled(); };
    if (file == &bmp) {
      TBmpDecoder decoder(stream);
      stream.Armed = true;
      EXPECT_THROW(decoder.ReadRows(sink), ECancelled);
    } else {
      TJpegDecoder decoder(stream);
      stream.Armed = true;
      EXPECT_THROW(decoder.ReadRows(sink), ECancelled);
    }
    EXPECT_LE(rowsAfter, 16) << (file == &bmp ? "bmp" : file == &baseline ? "baseline" : "progressive");
    // A progressive picture is read whole before its first row comes out.
    if (file == &progressive) {
      EXPECT_LT(stream.Position(), file->size() / 2);
    }
  }
}

// Shutdown cancels the work in flight. Work that heeds its token lets the
// thread be joined; work that does not (a listing stuck on a dead share) is
// left behind after the worker's second. Either way the test ends: the stuck
// piece gives up on its own after a few seconds, so a worker that waits for
// ever fails here instead of hanging the run.
TEST(ThreadWorker, ShutdownJoinsWorkThatHeedsItsTokenAndLeavesWorkThatDoesNot) {
  for (const bool heeds : {true, false}) {
    TCancelToken token;
    auto started = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<TWorker> worker = NewThreadWorker([] {});
    worker->Post(
        [token, started, ended, heeds] {
          *started = true;
          const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(4);
          while (!(heeds && token.Cancelled()) && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
          *ended = true;
        },
        [] {});
    while (!*started) std::this_thread::yield();
    const auto before = std::chrono::steady_clock::now();
    token.Cancel();
    worker.reset();
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, std::chrono::milliseconds(heeds ? 900 : 2500)) << heeds;
    EXPECT_EQ(bool(*ended), heeds) << "joined exactly when the work heeded its token";
  }
}

}  // namespace

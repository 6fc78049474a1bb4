#include "app/Worker.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct TTask {
  std::function<void()> Work;
  std::function<void()> Done;
};

// Shared by the window's side and the thread, so that a thread left running
// at shutdown still has what it uses.
struct TWorkerState {
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<TTask> Queue;
  std::deque<std::function<void()>> Finished;
  std::function<void()> Notify;
  bool Stopping = false;
  bool Ended = false;
};

void RunWorker(const std::shared_ptr<TWorkerState>& state) {
  std::unique_lock lock(state->Lock);
  for (;;) {
    state->Changed.wait(lock, [&] { return state->Stopping || !state->Queue.empty(); });
    if (state->Stopping) break;
    TTask task = std::move(state->Queue.front());
    state->Queue.pop_front();
    lock.unlock();
    // The work reports its own errors through what it hands to done.
    try {
      task.Work();
    } catch (...) {
    }
    lock.lock();
    if (state->Stopping) break;
    state->Finished.push_back(std::move(task.Done));
    lock.unlock();
    state->Notify();
    lock.lock();
  }
  state->Ended = true;
  state->Changed.notify_all();
}

class TThreadWorker : public TWorker {
public:
  TThreadWorker(std::function<void()> notify, unsigned shutdownWait)
      : FState(std::make_shared<TWorkerState>()), FShutdownWait(shutdownWait) {
    FState->Notify = std::move(notify);
    FThread = std::thread([state = FState] { RunWorker(state); });
  }

  ~TThreadWorker() override {
    bool ended;
    {
      std::unique_lock lock(FState->Lock);
      FState->Stopping = true;
      FState->Queue.clear();
      FState->Changed.notify_all();
      ended = FState->Changed.wait_for(lock, std::chrono::milliseconds(FShutdownWait),
                                       [this] { return FState->Ended; });
    }
    if (ended)
      FThread.join();
    else
      FThread.detach();
  }

  void Post(std::function<void()> work, std::function<void()> done) override {
    std::lock_guard lock(FState->Lock);
    FState->Queue.push_back(TTask{std::move(work), std::move(done)});
    FState->Changed.notify_all();
  }

  void Deliver() override {
    std::exception_ptr first;
    for (;;) {
      std::function<void()> done;
      {
        std::lock_guard lock(FState->Lock);
        if (FState->Finished.empty()) break;
        done = std::move(FState->Finished.front());
        FState->Finished.pop_front();
      }
      try {
        done();
      } catch (...) {
        if (!first) first = std::current_exception();
      }
    }
    if (first) std::rethrow_exception(first);
  }

private:
  std::shared_ptr<TWorkerState> FState;
  unsigned FShutdownWait;
  std::thread FThread;
};

}  // namespace

std::unique_ptr<TWorker> NewThreadWorker(std::function<void()> notify, unsigned shutdownWait) {
  return std::make_unique<TThreadWorker>(std::move(notify), shutdownWait);
}

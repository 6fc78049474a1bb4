// The one worker that scans folders and makes tiles away from the window's
// thread. Work runs on the worker; what it found is handed back to the
// window's thread by a second function, run there when the window asks for
// finished work (Deliver), so that the engine's state is only ever touched by
// the window's thread.
#pragma once

#include <functional>
#include <memory>

class TWorker {
public:
  virtual ~TWorker() = default;
  // Queues work for the worker; done runs later on the window's thread, in
  // the order the work was posted.
  virtual void Post(std::function<void()> work, std::function<void()> done) = 0;
  // Runs, on the window's thread, the done part of all work finished so far.
  // An error of one is raised after the others have run.
  virtual void Deliver() = 0;
};

// A real thread. notify is called on the worker each time work has finished,
// to make the window's thread call Deliver (a posted message). Destruction
// drops the queued work and waits at most shutdownWait milliseconds for the
// running piece; a piece stuck on a slow disk is left to end on its own, so
// whatever work captures must be owned by the work itself.
std::unique_ptr<TWorker> NewThreadWorker(std::function<void()> notify, unsigned shutdownWait = 1000);

// A worker that does nothing until the test says so, with the two steps of the
// real one apart: Finish runs the oldest posted work (as the thread would),
// Deliver hands the finished results to the window's side (as the posted
// message would). A test can act in between.
#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <utility>

#include "app/Worker.h"

namespace vemo_test {

class TManualWorker : public TWorker {
public:
  std::deque<std::pair<std::function<void()>, std::function<void()>>> Queue;
  std::deque<std::function<void()>> Finished;

  void Post(std::function<void()> work, std::function<void()> done) override {
    Queue.emplace_back(std::move(work), std::move(done));
  }
  void Deliver() override {
    std::exception_ptr first;
    while (!Finished.empty()) {
      std::function<void()> done = std::move(Finished.front());
      Finished.pop_front();
      try {
        done();
      } catch (...) {
        if (!first) first = std::current_exception();
      }
    }
    if (first) std::rethrow_exception(first);
  }
  void Finish() {
    auto [work, done] = std::move(Queue.front());
    Queue.pop_front();
    work();
    Finished.push_back(std::move(done));
  }
  void RunOne() {
    Finish();
    Deliver();
  }
  void RunAll() {
    while (!Queue.empty()) RunOne();
  }
};

}  // namespace vemo_test

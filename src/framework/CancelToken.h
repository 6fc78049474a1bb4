// Cancelling work that runs away from the window's thread: one token per piece
// of work, shared between whoever may call it off and the work itself.
#pragma once

#include <atomic>
#include <memory>

#include "framework/Exceptions.h"

// Copies share one flag; once cancelled, a token stays cancelled.
class TCancelToken {
public:
  TCancelToken() : FFlag(std::make_shared<std::atomic<bool>>(false)) {}
  void Cancel() const { FFlag->store(true, std::memory_order_relaxed); }
  bool Cancelled() const { return FFlag->load(std::memory_order_relaxed); }

private:
  std::shared_ptr<std::atomic<bool>> FFlag;
};

// Work that stopped because its token was cancelled; nobody waits for its
// result, so it is never shown.
class ECancelled : public Exception {
public:
  ECancelled() : Exception("cancelled") {}
};

// While one lives on a thread, the decoders on that thread look at its token
// between row bands and raise ECancelled once it is cancelled, so that a
// picture nobody wants any more is not decoded to its end. The decoders sit
// below the code that knows the token, which is why it travels this way.
class TCancelScope {
public:
  explicit TCancelScope(const TCancelToken& token) : FOuter(Current()) { Current() = &token; }
  ~TCancelScope() { Current() = FOuter; }
  TCancelScope(const TCancelScope&) = delete;
  TCancelScope& operator=(const TCancelScope&) = delete;

  static bool Cancelled() {
    const TCancelToken* token = Current();
    return token && token->Cancelled();
  }
  static void ThrowIfCancelled() {
    if (Cancelled()) throw ECancelled();
  }

private:
  static const TCancelToken*& Current() {
    thread_local const TCancelToken* current = nullptr;
    return current;
  }
  const TCancelToken* FOuter;
};

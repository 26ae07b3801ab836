#pragma once
// A blocking system call (a name look-up, a WinINet call) run on a helper thread while the
// calling thread pumps its message queue every kPumpIntervalMs, so that the window keeps
// answering however long the call blocks. Once the cancel flag is set the caller stops
// waiting and gets nothing; the helper finishes on its own, and what it gave is released
// then. The call must therefore own everything it touches (values, shared pointers), never
// the caller's locals.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/network_limits.h"
#include "platform/pump.h"

namespace brimsel::platform {

// Runs `work` and then `deliver` on one of the program's helper threads for blocking calls,
// and returns at once. The helpers live as long as the program and take one job after
// another; a helper counts as free again before it delivers, so that a caller woken by the
// delivery finds it free for its next call. A new helper starts only while every other is
// busy (with a call its caller walked away from). Threads that came and went for each call
// raced one another's start and end in the Windows runtime's thread bookkeeping, which could
// hang the program for good.
void RunOnHelperThread(std::function<void()> work, std::function<void()> deliver);

// The call's result, or nothing when `*cancelFlag` was set first (null: never cancelled).
template <typename Result>
std::optional<Result> CallPumping(std::function<Result()> call, const bool* cancelFlag) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Result> made;    // the helper's alone
    std::optional<Result> result;  // under the mutex
  };
  auto shared = std::make_shared<Shared>();
  // The caller that gave up does not wait for the job: the job holds what it shares.
  RunOnHelperThread([shared, call = std::move(call)] { shared->made.emplace(call()); },
                    [shared] {
                      const std::lock_guard lock(shared->mutex);
                      shared->result = std::move(shared->made);
                      shared->done.notify_all();
                    });

  std::unique_lock lock(shared->mutex);
  for (;;) {
    const bool ready = shared->done.wait_for(lock, std::chrono::milliseconds(kPumpIntervalMs),
                                             [&] { return shared->result.has_value(); });
    if (ready) return std::move(shared->result);
    lock.unlock();
    ProcessMessages();
    if (cancelFlag != nullptr && *cancelFlag) return std::nullopt;
    lock.lock();
  }
}

}  // namespace brimsel::platform

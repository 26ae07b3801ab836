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
#include <thread>
#include <utility>

#include "platform/network_limits.h"
#include "platform/pump.h"

namespace brimsel::platform {

// The call's result, or nothing when `*cancelFlag` was set first (null: never cancelled).
template <typename Result>
std::optional<Result> CallPumping(std::function<Result()> call, const bool* cancelFlag) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<Result> result;
  };
  auto shared = std::make_shared<Shared>();
  // Detached: a caller that gave up must not wait for it.
  std::thread([shared, call = std::move(call)] {
    Result result = call();
    const std::lock_guard lock(shared->mutex);
    shared->result.emplace(std::move(result));
    shared->done.notify_all();
  }).detach();

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

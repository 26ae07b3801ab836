#include "platform/pump.h"

#include <chrono>
#include <future>
#include <thread>
#include <utility>

namespace brimsel::platform {
namespace {
MessagePump& InstalledPump() {
  static MessagePump pump;
  return pump;
}
}  // namespace

void ProcessMessages() {
  if (auto& pump = InstalledPump()) pump();
}

MessagePump SetMessagePump(MessagePump pump) { return std::exchange(InstalledPump(), std::move(pump)); }

void RunWhilePumping(const std::function<void()>& work) {
  if (!InstalledPump()) return work();
  std::packaged_task<void()> task(work);
  std::future<void> done = task.get_future();
  // Joined on every path: a handler that raises here still waits for the work it shares
  // its data with.
  std::jthread worker(std::move(task));
  constexpr auto kMessageInterval = std::chrono::milliseconds(10);
  while (done.wait_for(kMessageInterval) != std::future_status::ready) ProcessMessages();
  done.get();
}

}  // namespace brimsel::platform

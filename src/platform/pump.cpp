#include "platform/pump.h"

#include <chrono>
#include <exception>
#include <future>
#include <memory>
#include <utility>

#include "platform/pumping_call.h"

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
  struct Outcome {
    std::exception_ptr error;  // the helper's alone until it delivers
    std::promise<void> done;
  };
  auto outcome = std::make_shared<Outcome>();
  std::future<void> done = outcome->done.get_future();
  // On one of the helper threads the blocking calls share: a thread started and ended per
  // call is what hung the Windows runtime.
  RunOnHelperThread(
      [&work, outcome] {
        try {
          work();
        } catch (...) {
          outcome->error = std::current_exception();
        }
      },
      [outcome] {
        if (outcome->error) {
          outcome->done.set_exception(outcome->error);
        } else {
          outcome->done.set_value();
        }
      });
  // Waited for on every path: a handler that raises here still waits for the work it shares
  // its data with.
  struct WaitForTheWork {
    std::future<void>& done;
    ~WaitForTheWork() {
      if (done.valid()) done.wait();
    }
  } waitAtTheEnd{done};
  constexpr auto kMessageInterval = std::chrono::milliseconds(10);
  while (done.wait_for(kMessageInterval) != std::future_status::ready) ProcessMessages();
  done.get();
}

}  // namespace brimsel::platform

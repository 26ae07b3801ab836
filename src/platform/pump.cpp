#include "platform/pump.h"

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

}  // namespace brimsel::platform

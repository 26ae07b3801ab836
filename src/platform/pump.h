#pragma once
// The message pump and the immediate repaint. Long operations call ProcessMessages() at
// fixed points so that the window stays alive; the GUI installs the real pump at start.
// Without a GUI (the command-line tools, most tests) both calls do nothing.

#include <functional>

namespace brimsel::platform {

// Handles every message waiting in the queue, then returns.
void ProcessMessages();
using MessagePump = std::function<void()>;
// Installs the pump; an empty function removes it. Returns the one it replaces.
MessagePump SetMessagePump(MessagePump pump);

}  // namespace brimsel::platform

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

// Runs `work`, which cannot stop at points of its own to let the window answer, on a
// thread of its own while this one handles the messages that arrive, every few
// milliseconds, until the work is done; its exception, if any, is raised here. Without a
// pump installed the work simply runs here.
void RunWhilePumping(const std::function<void()>& work);

}  // namespace brimsel::platform

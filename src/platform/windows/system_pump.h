#pragma once
// The thread's message pump (PeekMessageA, TranslateMessage, DispatchMessageA), to be
// installed with SetMessagePump by the Windows wizard.

namespace brimsel::platform {

// Handles every message waiting in the calling thread's queue. A WM_QUIT taken from the
// queue is posted again, so that the main loop still sees it and ends the program.
void PumpSystemMessages();

}  // namespace brimsel::platform

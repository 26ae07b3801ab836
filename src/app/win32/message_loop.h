#pragma once
// The program's message loop and the pump that the long operations call between chunks
// of their work. Both hand each message to the window's keyboard interface first, so that
// Tab, the mnemonics and Esc behave alike whether or not a step is running.

namespace brimsel {

class TfrmUpdate;

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop(TfrmUpdate& window);
// Handles every message waiting in the queue, then returns. A WM_QUIT taken from the queue
// is posted again, so that the loop above still sees it and ends the program.
void PumpMessages(TfrmUpdate& window);

}  // namespace brimsel

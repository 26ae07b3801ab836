// batchrun: runs the updater's update.bat on a system without cmd.exe.
//
//   batchrun SCRIPT
//
// The updater starts it detached, beside update.exe, on the update.bat it has written.
// It knows labels, GOTO, del "PATH", del %0, if exist "PATH" GOTO LABEL, copy "PATH"
// "PATH", move [/y] "PATH" "PATH" and the pause ping -n COUNT 127.0.0.1 >nul, with
// cmd.exe's meaning ("%" expanded first, "%%" read as one "%"), without regard to letter
// case, and touches only files directly in the script's folder and in its "update"
// folder. Any other line or path makes it refuse the whole script before doing anything.
// A move, like a delete, fails while the file it replaces runs. A loop pauses 200 ms per
// round besides the script's own pauses and waits as long as the file it waits for is
// running; it gives up a minute after nothing runs it. A copy or a move keeps the mode of
// the file it replaces. It writes what it did to batchrun.log beside the script.
// Exit status: 0 done, 1 refused, 2 gave up, 3 script unreadable, 64 usage.

#include <cstdio>

#include "runner.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: batchrun SCRIPT\n");
    return 64;
  }
  return static_cast<int>(brimsel::batchrun::RunScriptFile(argv[1]));
}

// batchrun: runs the updater's update.bat on a system without cmd.exe.
//
//   batchrun SCRIPT
//
// The updater starts it detached, beside update.exe, on the update.bat it has just
// written. It knows labels, GOTO, del "PATH", del %0, if exist "PATH" GOTO LABEL and
// copy "PATH" "PATH", with cmd.exe's meaning ("%" expanded first, as cmd.exe does),
// without regard to letter case, and touches only files directly in the script's folder
// and in its "update" folder. Any other line or path makes it refuse the whole script
// before doing anything. A loop pauses 200 ms per round and waits as long as the file it
// waits for is running; it gives up a minute after nothing runs it. A copy keeps the mode
// of the file it replaces. It writes what it did to batchrun.log beside the script.
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

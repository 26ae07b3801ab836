#pragma once
// A program a test starts and ends itself (for instance a copy of /bin/sleep standing in
// for a running update.exe), and a bounded wait for a condition that another process
// brings about.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brimsel::test {

class ChildProcess {
 public:
  // Starts `program` with `arguments`; Running() tells whether that worked.
  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments);
  // Kills the program if it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running() const { return pid_ > 0 && !status_; }
  // Waits at most `limit` for the program to end; its exit code, or nothing when it still
  // runs or was ended by a signal.
  std::optional<int> WaitFor(std::chrono::milliseconds limit);
  void Kill();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;  // the raw wait status once reaped
};

// Waits at most `limit` for the child `pid` to end and reaps it: its raw wait status, or
// nothing when it still runs.
std::optional<int> ReapWithin(pid_t pid, std::chrono::milliseconds limit);

// Checks `condition` until it holds or `limit` has passed; the last result.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

}  // namespace brimsel::test

#pragma once
// A private X server for the tests: Xvfb on a display number it picks itself (-displayfd),
// reachable only through its local socket (-nolisten tcp). Stopped when the object goes;
// it also goes when the test process dies, so a crashed test leaves no server behind.

#include <sys/types.h>

#include <optional>
#include <string>

namespace brimsel::test {

class Xvfb {
 public:
  // Starts the server and waits, at most 20 s, until it accepts connections.
  Xvfb();
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  bool Running() const { return pid_ > 0 && !display_.empty(); }
  // ":N", for $DISPLAY; empty when the server did not start.
  const std::string& Display() const { return display_; }
  // Why the server did not start.
  const std::string& Error() const { return error_; }

  // Sets $DISPLAY to this server until the object goes (the old value is put back).
  void ExportDisplay();

 private:
  void Start();
  void Stop();

  pid_t pid_ = -1;
  std::string display_;
  std::string error_;
  bool exported_ = false;
  std::optional<std::string> previousDisplay_;
};

}  // namespace brimsel::test

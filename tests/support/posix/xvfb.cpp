#include "support/posix/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "support/posix/child_process.h"

namespace brimsel::test {
namespace {

constexpr std::chrono::seconds kStartLimit{20};
constexpr std::chrono::milliseconds kStopLimit{5000};

}  // namespace

Xvfb::Xvfb() { Start(); }

Xvfb::~Xvfb() {
  if (exported_) {
    if (previousDisplay_)
      ::setenv("DISPLAY", previousDisplay_->c_str(), 1);
    else
      ::unsetenv("DISPLAY");
  }
  Stop();
}

void Xvfb::ExportDisplay() {
  if (!exported_) {
    if (const char* old = std::getenv("DISPLAY")) previousDisplay_ = old;
    exported_ = true;
  }
  ::setenv("DISPLAY", display_.c_str(), 1);
}

void Xvfb::Start() {
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  // Everything the child needs is prepared before fork: after it only async-signal-safe calls.
  const std::string fd = std::to_string(ready[1]);
  // -noreset: a client connecting just as the last one leaves would otherwise be refused.
  const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0", "800x600x24", nullptr};
  const pid_t parent = ::getpid();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);  // the test died before we got here
    const int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, 0);
    ::dup2(devnull, 1);
    ::dup2(devnull, 2);
    ::fcntl(ready[1], F_SETFD, 0);  // the one descriptor the server must keep
    ::execvp("Xvfb", const_cast<char* const*>(argv));
    ::_exit(127);
  }
  ::close(ready[1]);
  if (pid < 0) {
    ::close(ready[0]);
    error_ = "fork failed";
    return;
  }
  pid_ = pid;

  // The server writes its display number and a newline once it accepts connections.
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (number.empty() || number.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{ready[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[16];
    const ssize_t n = ::read(ready[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the server ended without telling
    number.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(ready[0]);
  if (number.empty() || number.back() != '\n') {
    error_ = "Xvfb did not start (is it installed?)";
    Stop();
    return;
  }
  number.pop_back();
  display_ = ":" + number;
}

void Xvfb::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  if (!ReapWithin(pid_, kStopLimit)) {  // a server takes a few milliseconds to shut down
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  display_.clear();
}

}  // namespace brimsel::test

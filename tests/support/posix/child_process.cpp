#include "support/posix/child_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace brimsel::test {

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> texts{program.string()};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  // glibc's posix_spawn returns only once the program has been executed (or has failed to be).
  if (::posix_spawn(&pid, texts[0].c_str(), nullptr, nullptr, argv.data(), environ) == 0) pid_ = pid;
}

ChildProcess::~ChildProcess() { Kill(); }

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return std::nullopt;
  if (!status_) status_ = ReapWithin(pid_, limit);
  if (!status_ || !WIFEXITED(*status_)) return std::nullopt;
  return WEXITSTATUS(*status_);
}

void ChildProcess::Kill() {
  if (!Running()) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  status_ = status;
}

std::optional<int> ReapWithin(pid_t pid, std::chrono::milliseconds limit) {
  // glibc 2.36 declares pidfd_open without C linkage for C++, so call it directly.
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (pidfd >= 0) {
    pollfd p{pidfd, POLLIN, 0};  // readable once the process has ended
    ::poll(&p, 1, static_cast<int>(limit.count()));
    ::close(pidfd);
  }
  int status = 0;
  if (::waitpid(pid, &status, WNOHANG) == pid) return status;
  return std::nullopt;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace brimsel::test

#include "support/posix/private_volume.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/posix/child_process.h"

namespace brimsel::test {
namespace {

// The child's first byte: whether the volume stands, then the piece's text or the reason.
constexpr char kVolumeMade = '+';
constexpr char kNoVolume = '-';

void WriteAll(int fd, const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
    if (n <= 0 && errno != EINTR) return;
    if (n > 0) at += static_cast<std::size_t>(n);
  }
}

[[noreturn]] void RunChild(int out, const std::filesystem::path& folder, std::size_t bytes,
                           const std::function<std::string()>& piece) {
  const std::string options = "size=" + std::to_string(bytes);
  if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    WriteAll(out, kNoVolume + std::string("cannot mount a tmpfs in a mount namespace of its own: ") +
                      std::strerror(errno));
    ::_exit(0);
  }
  std::string text;
  try {
    text = kVolumeMade + piece();
  } catch (const std::exception& error) {
    text = kVolumeMade + std::string("raised: ") + error.what();
  }
  WriteAll(out, text);
  ::_exit(0);
}

}  // namespace

std::optional<std::string> RunOnPrivateVolume(const std::filesystem::path& folder, std::size_t bytes,
                                              const std::function<std::string()>& piece, std::string& why) {
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) {
    why = std::string("pipe: ") + std::strerror(errno);
    return std::nullopt;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    RunChild(pipe[1], folder, bytes, piece);
  }
  ::close(pipe[1]);
  std::string text;
  bool ended = false;
  if (child > 0) {
    pollfd readable{pipe[0], POLLIN, 0};
    char buffer[4096];
    while (::poll(&readable, 1, 60000) > 0) {
      const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
      if (n <= 0) {
        ended = n == 0;
        break;
      }
      text.append(buffer, static_cast<std::size_t>(n));
    }
    if (!ended) ::kill(child, SIGKILL);
    ReapWithin(child, std::chrono::seconds(10));
  }
  ::close(pipe[0]);
  if (!ended || text.empty()) {
    why = child < 0 ? std::string("fork: ") + std::strerror(errno) : "the child did not finish within 60 s";
    return std::nullopt;
  }
  if (text[0] == kNoVolume) {
    why = text.substr(1);
    return std::nullopt;
  }
  return text.substr(1);
}

}  // namespace brimsel::test

#include "platform/posix/detached_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/descriptor.h"

namespace brimsel::platform {
namespace {

// In the grandchild, before exec: only async-signal-safe calls, the caller may have threads.
[[noreturn]] void BecomeProgram(const char* program, char* const* argv, const char* workingFolder, int report) {
  int error = 0;
  if (::chdir(workingFolder) != 0) error = errno;
  const int devnull = error == 0 ? ::open("/dev/null", O_RDWR) : -1;
  if (error == 0 && devnull < 0) error = errno;
  if (error == 0) {
    for (int fd = 0; fd <= 2; ++fd)
      if (devnull != fd && ::dup2(devnull, fd) < 0) error = errno;
  }
  if (error == 0) {
    // Everything but 0, 1, 2 and the report pipe (which closes itself on exec) goes.
    ::close_range(3, static_cast<unsigned>(report) - 1, 0);
    ::close_range(static_cast<unsigned>(report) + 1, ~0U, 0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &standard, nullptr);
    ::execv(program, argv);
    error = errno;
  }
  [[maybe_unused]] const ssize_t n = ::write(report, &error, sizeof error);
  ::_exit(127);
}

}  // namespace

bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder) {
  // Everything the children need is made before fork.
  const std::string programText = program.string();
  const std::string folderText = workingFolder.string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(programText.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // The grandchild reports a failed exec through this pipe; a successful exec closes it.
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  const Descriptor reportRead(ends[0]);
  // Above the standard descriptors, which the grandchild replaces.
  Descriptor reportWrite(::fcntl(ends[1], F_DUPFD_CLOEXEC, 3));
  ::close(ends[1]);
  if (!reportWrite.valid()) return false;

  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // The child starts a session, leaving any terminal behind, and its child runs the program;
    // the child then ends at once, so that the program is nobody's child to wait for.
    if (::setsid() < 0) ::_exit(1);
    const pid_t grandchild = ::fork();
    if (grandchild == 0) BecomeProgram(programText.c_str(), argv.data(), folderText.c_str(), reportWrite.get());
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  reportWrite.Close();

  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;

  int error = 0;
  ssize_t got = 0;
  do {
    got = ::read(reportRead.get(), &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  return got == 0;  // closed by the exec
}

}  // namespace brimsel::platform

#include "platform/posix/file_mapping.h"

#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

namespace brimsel::platform {

std::optional<FileMapping> FileMapping::ForReading(const File& file, std::uint64_t offset, std::uint64_t length) {
  struct stat st {};
  if (file.fd_ < 0 || length == 0 || ::fstat(file.fd_, &st) != 0) return std::nullopt;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (offset > size || length > size - offset) return std::nullopt;
  const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const std::uint64_t start = offset / page * page;
  const std::uint64_t lead = offset - start;
  if (length > std::numeric_limits<std::size_t>::max() - lead) return std::nullopt;
  void* base = ::mmap(nullptr, static_cast<std::size_t>(lead + length), PROT_READ, MAP_SHARED, file.fd_,
                      static_cast<off_t>(start));
  if (base == MAP_FAILED) return std::nullopt;
  // Read once, front to back: pages behind the reader may go early.
  ::madvise(base, static_cast<std::size_t>(lead + length), MADV_SEQUENTIAL);
  return FileMapping(static_cast<std::uint8_t*>(base), static_cast<std::size_t>(lead), static_cast<std::size_t>(length));
}

std::optional<FileMapping> FileMapping::ForWriting(File& file, std::uint64_t length) {
  if (file.fd_ < 0 || length == 0 || length > std::numeric_limits<std::size_t>::max() ||
      length > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
    return std::nullopt;
  if (!file.SetSize(static_cast<std::int64_t>(length))) return std::nullopt;
  int reserved;
  while ((reserved = ::fallocate(file.fd_, 0, 0, static_cast<off_t>(length))) != 0 && errno == EINTR) {
  }
  if (reserved != 0) return std::nullopt;
  void* base = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ | PROT_WRITE, MAP_SHARED, file.fd_, 0);
  if (base == MAP_FAILED) return std::nullopt;
  // Every page made writable in one pass of the system instead of a fault each, which cuts
  // the system's share of writing a large file this way to about a third. Older systems
  // do without.
  ::madvise(base, static_cast<std::size_t>(length), MADV_POPULATE_WRITE);
  return FileMapping(static_cast<std::uint8_t*>(base), 0, static_cast<std::size_t>(length));
}

FileMapping::FileMapping(FileMapping&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)), lead_(other.lead_), length_(std::exchange(other.length_, 0)) {}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
  if (this != &other) {
    Unmap();
    base_ = std::exchange(other.base_, nullptr);
    lead_ = other.lead_;
    length_ = std::exchange(other.length_, 0);
  }
  return *this;
}

FileMapping::~FileMapping() { Unmap(); }

void FileMapping::Unmap() {
  if (base_) ::munmap(base_, lead_ + length_);
  base_ = nullptr;
}

namespace {

// Where a bus error of the thread now working on mapped pages jumps to.
thread_local sigjmp_buf* busErrorExit = nullptr;
struct sigaction previousBusAction {};

void OnBusError(int, siginfo_t*, void*) {
  if (busErrorExit) siglongjmp(*busErrorExit, 1);
  // Not ours: the handler that was there before gets this one, and the faulting
  // instruction, run again, raises it anew.
  ::sigaction(SIGBUS, &previousBusAction, nullptr);
}

// Puts back what RunOnMappedPages changed, however it ends.
struct BusErrorExitScope {
  explicit BusErrorExitScope(sigjmp_buf& jump) { busErrorExit = &jump; }
  ~BusErrorExitScope() {
    busErrorExit = nullptr;
    ::sigaction(SIGBUS, &previousBusAction, nullptr);
  }
  BusErrorExitScope(const BusErrorExitScope&) = delete;
  BusErrorExitScope& operator=(const BusErrorExitScope&) = delete;
};

}  // namespace

bool RunOnMappedPages(const std::function<void()>& work) {
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  if (::sigaction(SIGBUS, &action, &previousBusAction) != 0) return false;
  sigjmp_buf jump;
  const BusErrorExitScope scope(jump);
  // The jump back lands here with the signal mask as it was.
  if (sigsetjmp(jump, 1) != 0) return false;
  work();
  return true;
}

}  // namespace brimsel::platform

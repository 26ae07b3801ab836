#include "platform/copy_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/replacement_file.h"

namespace brimsel::platform {
namespace fs = std::filesystem;

namespace {

bool CopyBytes(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

// Whether the target may be replaced at all, before anything is written: Windows refuses
// a read-only file and an executable that is running, and so do we.
bool TargetWritable(std::string_view newFile, const fs::path& target, bool failIfExists) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) {
    if (failIfExists || S_ISDIR(st.st_mode)) return false;
    if (IsReadOnly(newFile) || IsRunningExecutable(newFile)) return false;
  } else if (errno != ENOENT) {
    return false;
  }
  struct stat folder {};
  return ::stat(target.parent_path().c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
}

bool Copy(std::string_view existingFile, std::string_view newFile, bool failIfExists) {
  if (existingFile.empty() || newFile.empty()) return false;
  const fs::path source = NativePath(existingFile);
  fs::path target = NativePath(newFile);
  if (target.filename().empty()) return false;
  if (!target.is_absolute()) target = fs::absolute(target);

  Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat sourceStat {};
  if (in.get() < 0 || ::fstat(in.get(), &sourceStat) != 0 || !S_ISREG(sourceStat.st_mode)) return false;
  struct stat targetStat {};
  if (::stat(target.c_str(), &targetStat) == 0 && targetStat.st_dev == sourceStat.st_dev &&
      targetStat.st_ino == sourceStat.st_ino)
    return false;  // a file cannot be copied onto itself
  if (!TargetWritable(newFile, target, failIfExists)) return false;

  ReplacementFile staged(target);
  if (!staged.Created()) return false;
  // The copy keeps the source's last-write time and reaches the disk before it replaces
  // the target. A replaced file keeps its own permission bits (a program stays executable
  // whatever mode the staged file was given); a new one takes the source's. Either way a
  // read-only source gives a read-only copy, as the read-only attribute travels on
  // Windows; set-id bits do not travel.
  const bool replacing = ::stat(target.c_str(), &targetStat) == 0 && S_ISREG(targetStat.st_mode);
  mode_t mode = (replacing ? targetStat.st_mode : sourceStat.st_mode) & 0777;
  constexpr mode_t kWritable = S_IWUSR | S_IWGRP | S_IWOTH;
  if ((sourceStat.st_mode & kWritable) == 0) mode &= ~kWritable;
  const timespec times[2] = {{0, UTIME_OMIT}, sourceStat.st_mtim};
  if (!CopyBytes(in.get(), staged.fd()) || ::fchmod(staged.fd(), mode) != 0 ||
      ::futimens(staged.fd(), times) != 0 || ::fsync(staged.fd()) != 0)
    return false;
  return staged.PutInPlace(failIfExists);
}

}  // namespace

bool CopyFileA(std::string_view existingFile, std::string_view newFile, bool failIfExists) {
  try {
    return Copy(existingFile, newFile, failIfExists);
  } catch (...) {
    return false;  // like the Windows call, a failure is a result, never an error
  }
}

}  // namespace brimsel::platform

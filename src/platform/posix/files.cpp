#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/posix/folder_index.h"

namespace brimsel::platform {
namespace fs = std::filesystem;

namespace {

// True when the path names something, a dangling link included.
bool ExistsAsWritten(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

bool Stat(std::string_view path, struct stat& st) { return ::stat(NativePath(path).c_str(), &st) == 0; }

std::string ErrnoText(int error) { return std::strerror(error); }

}  // namespace

namespace {

// The path converted to UTF-8 with "/" as separator, in its parts (empty ones dropped).
struct Utf8Path {
  bool absolute = false;
  bool trailingSlash = false;
  std::vector<std::string> parts;
};

Utf8Path SplitUtf8(std::string_view path) {
  std::string utf8 = FileNameToUtf8(path);
  for (char& c : utf8)
    if (c == '\\') c = '/';
  Utf8Path split;
  split.absolute = !utf8.empty() && utf8[0] == '/';
  split.trailingSlash = !utf8.empty() && utf8.back() == '/';
  std::size_t pos = 0;
  while (pos <= utf8.size()) {
    std::size_t slash = utf8.find('/', pos);
    if (slash == std::string::npos) slash = utf8.size();
    if (slash > pos) split.parts.push_back(utf8.substr(pos, slash - pos));
    pos = slash + 1;
  }
  return split;
}

// The path as written, with no part looked up.
fs::path AsWritten(const Utf8Path& split) {
  fs::path exact = split.absolute ? fs::path("/") : fs::path();
  for (const std::string& part : split.parts) exact /= part;
  if (split.trailingSlash && !exact.empty()) exact += "/";
  return exact;
}

// NativePath, also telling whether the whole path exists.
fs::path Resolve(std::string_view path, bool& exists) {
  Utf8Path split = SplitUtf8(path);
  std::vector<std::string>& parts = split.parts;
  fs::path result = split.absolute ? fs::path("/") : fs::path();

  // Most paths exist as written, or all but their last part does: one or two look-ups then
  // stand for the first steps of the walk below, with the same result.
  std::size_t asWritten = 0;
  fs::path exact = result;
  for (const std::string& part : parts) exact /= part;
  const bool exactExists = ExistsAsWritten(exact);
  if (exactExists) {
    asWritten = parts.size();
  } else if (parts.size() > 1 && ExistsAsWritten(exact.parent_path())) {
    asWritten = parts.size() - 1;
  }

  bool resolving = true;  // once a component is missing, the rest cannot exist either
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::string& part = parts[i];
    const bool knownMissing = !exactExists && i + 1 == parts.size();
    if (i >= asWritten && resolving && part != "." && part != ".." &&
        (knownMissing || !ExistsAsWritten(result / part))) {
      if (auto found = FindNameIgnoringCase(result, part)) {
        part = *found;
      } else {
        resolving = false;
      }
    }
    result /= part;
  }
  if (split.trailingSlash && !result.empty()) result += "/";
  exists = resolving && (exactExists || !parts.empty());
  return result;
}

void Describe(const struct stat& st, ResolvedTarget& target) {
  target.exists = true;
  target.isFile = S_ISREG(st.st_mode);
  target.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  target.executable = (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
  target.device = static_cast<std::uint64_t>(st.st_dev);
  target.inode = static_cast<std::uint64_t>(st.st_ino);
}

bool RunsAsExecutable(std::uint64_t device, std::uint64_t inode) {
  std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
  if (!proc) return false;
  while (dirent* entry = readdir(proc.get())) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::string exe = std::string("/proc/") + entry->d_name + "/exe";
    struct stat running {};
    if (::stat(exe.c_str(), &running) == 0 && static_cast<std::uint64_t>(running.st_dev) == device &&
        static_cast<std::uint64_t>(running.st_ino) == inode)
      return true;
  }
  return false;
}

// The access and modification times for utimensat: the access time left as it is.
void WriteTimes(std::chrono::system_clock::time_point time, struct timespec (&times)[2]) {
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(ns / 1000000000);
  times[1].tv_nsec = static_cast<long>(ns % 1000000000);
  if (times[1].tv_nsec < 0) {
    times[1].tv_nsec += 1000000000;
    times[1].tv_sec -= 1;
  }
}

// Only the read-only bit of the attributes has a meaning here.
mode_t WithAttributes(mode_t mode, std::uint32_t attributes) {
  if (attributes & kAttributeReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    mode |= S_IWUSR;
  }
  return mode;
}

// The mode a file is created with, before the umask.
constexpr mode_t kNewFileMode = 0644;

// The process's file creation mask, read once without changing it (the call that reads it
// also sets it, which would race with any other thread creating a file). Nothing when the
// system does not tell.
std::optional<mode_t> ProcessUmask() {
  static const std::optional<mode_t> mask = []() -> std::optional<mode_t> {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return std::nullopt;
  }();
  return mask;
}

// Nothing from an archive makes a file writable by others or gives it set-id bits.
mode_t FromUnixMode(std::uint32_t mode) { return static_cast<mode_t>(mode & 0755); }

}  // namespace

fs::path NativePath(std::string_view path) {
  bool exists = false;
  return Resolve(path, exists);
}

ResolvedTarget ResolveTarget(std::string_view base, std::string_view path) {
  ResolvedTarget target;
  struct stat st {};
  if (path.substr(0, base.size()) != base) {
    target.native = NativePath(path);
    if (::lstat(target.native.c_str(), &st) == 0) Describe(st, target);
    target.folderExists = ::stat(target.native.parent_path().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return target;
  }
  // What stat said of the folder reached so far, when it said it: the index of its names
  // need not look again.
  struct stat folder {};
  bool folderKnown = false;
  bool present = false;
  const fs::path exactBase = AsWritten(SplitUtf8(base));
  if (::stat(exactBase.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)) {
    target.native = exactBase;
    present = folderKnown = true;
  } else {
    target.native = Resolve(base, present);
  }
  target.folderExists = present;
  // Each part below the base is looked up without following it: a link is seen as such.
  const std::vector<std::string> parts = SplitUtf8(path.substr(base.size())).parts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    fs::path next = target.native / parts[i];
    if (present && ::lstat(next.c_str(), &st) != 0) {
      present = false;
      if (parts[i] != "." && parts[i] != "..") {
        if (auto found = FindNameIgnoringCase(target.native, parts[i], folderKnown ? &folder : nullptr)) {
          next = target.native / *found;
          present = ::lstat(next.c_str(), &st) == 0;
        }
      }
    }
    target.native = std::move(next);
    if (present && S_ISLNK(st.st_mode)) {
      target.throughLink = true;
      present = false;  // nothing is looked up through it
    }
    if (!last) {
      target.folderExists = present && S_ISDIR(st.st_mode);
      folderKnown = target.folderExists;
      if (folderKnown) folder = st;
    }
    if (last && present) Describe(st, target);
  }
  return target;
}

std::string WindowsPath(const fs::path& native) {
  std::string text = Utf8ToFileName(native.string());
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

std::string InstallationFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  std::string folder = WindowsPath(exe.parent_path());
  // GB18030 holds every character, but not bytes that are no UTF-8 or a "\\" inside a
  // name: such a folder would be read and written as another one.
  if (NativePath(folder) != exe.parent_path())
    throw Exception(FolderNameNotHeldMessage(Utf8ToFileName(exe.parent_path().string())));
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

bool FileExists(std::string_view path) {
  struct stat st {};
  return !path.empty() && Stat(path, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st {};
  return !path.empty() && Stat(path, st) && S_ISDIR(st.st_mode);
}

bool ForceDirectories(std::string_view path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(NativePath(path), ec);
  return DirectoryExists(path);
}

bool DeleteFile(std::string_view path) {
  if (!FileExists(path) || IsReadOnly(path) || IsRunningExecutable(path)) return false;
  const fs::path native = NativePath(path);
  if (::unlink(native.c_str()) != 0) return false;
  NoteNameRemoved(native);
  return true;
}

bool MoveFileReplacing(std::string_view existingFile, std::string_view newFile) {
  const fs::path source = NativePath(existingFile);
  const fs::path target = NativePath(newFile);
  struct stat from {};
  if (::lstat(source.c_str(), &from) != 0 || !S_ISREG(from.st_mode)) return false;
  struct stat to {};
  if (::lstat(target.c_str(), &to) == 0) {
    if (S_ISDIR(to.st_mode) || IsReadOnly(newFile) || IsRunningExecutable(newFile)) return false;
    // Set before the rename, so that no moment sees the target without them.
    mode_t mode = to.st_mode & 0777;
    if ((from.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    if (S_ISREG(to.st_mode) && ::chmod(source.c_str(), mode) != 0) return false;
  } else if (errno != ENOENT) {
    return false;
  }
  if (::rename(source.c_str(), target.c_str()) != 0) return false;
  NoteNameRemoved(source);
  NoteNameAdded(target);
  return true;
}

std::uint32_t GetFileAttributes(std::string_view path) {
  struct stat st {};
  if (path.empty() || !Stat(path, st)) return kInvalidAttributes;
  std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttributeDirectory : kAttributeArchive;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= kAttributeReadOnly;
  return attributes;
}

bool SetFileAttributes(std::string_view path, std::uint32_t attributes) {
  struct stat st {};
  fs::path native = NativePath(path);
  if (::stat(native.c_str(), &st) != 0) return false;
  return ::chmod(native.c_str(), WithAttributes(st.st_mode & 07777, attributes)) == 0;
}

bool SetUnixPermissions(std::string_view path, std::uint32_t mode) {
  return ::chmod(NativePath(path).c_str(), FromUnixMode(mode)) == 0;
}

bool IsReadOnly(std::string_view path) {
  std::uint32_t attributes = GetFileAttributes(path);
  return attributes != kInvalidAttributes && (attributes & kAttributeReadOnly);
}

std::optional<std::int64_t> FileSizeOf(std::string_view path) {
  struct stat st {};
  if (!Stat(path, st) || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

std::optional<std::chrono::system_clock::time_point> LastWriteTime(std::string_view path) {
  struct stat st {};
  if (!Stat(path, st)) return std::nullopt;
  auto since = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
  return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(since));
}

bool SetLastWriteTime(std::string_view path, std::chrono::system_clock::time_point time) {
  struct timespec times[2];
  WriteTimes(time, times);
  return ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

bool IsRunningExecutable(std::string_view path) {
  struct stat target {};
  if (!Stat(path, target) || !S_ISREG(target.st_mode)) return false;
  if ((target.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) return false;  // nothing runs it
  return RunsAsExecutable(static_cast<std::uint64_t>(target.st_dev), static_cast<std::uint64_t>(target.st_ino));
}

std::string NameHeldOtherwise(std::string_view /*path*/) { return {}; }

bool IsRunningExecutable(const ResolvedTarget& target) {
  return target.isFile && target.executable && RunsAsExecutable(target.device, target.inode);
}

namespace {
constexpr const char* kAccessDenied = "Access is denied";
constexpr const char* kInUse = "The process cannot access the file because it is being used by another process";
}  // namespace

bool File::Open(std::string_view path, Mode mode) {
  Close();
  lastError_.clear();
  const bool existed = mode != Mode::Read && FileExists(path);
  if (existed) {
    if (IsReadOnly(path)) {
      lastError_ = kAccessDenied;
      return false;
    }
    if (IsRunningExecutable(path)) {
      lastError_ = kInUse;
      return false;
    }
  }
  return OpenNative(NativePath(path), mode, existed);
}

bool File::Open(const ResolvedTarget& target, Mode mode) {
  Close();
  lastError_.clear();
  const bool existed = mode != Mode::Read && target.isFile;
  if (mode != Mode::Read && target.exists && !existed) {  // a folder, a device or a pipe: never waited on
    lastError_ = "Not a file";
    return false;
  }
  if (existed) {
    if (target.readOnly) {
      lastError_ = kAccessDenied;
      return false;
    }
    if (IsRunningExecutable(target)) {
      lastError_ = kInUse;
      return false;
    }
  }
  return OpenNative(target.native, mode, existed);
}

bool File::OpenNative(const fs::path& native, Mode mode, bool existed) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::Write: flags |= O_WRONLY; break;
    case Mode::Create: flags |= O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    // Read too, so that the content can be written through a mapping (posix/file_mapping.h).
    case Mode::Replace: flags |= O_RDWR | O_CREAT | O_NOFOLLOW; break;
  }
  created_ = false;
  mode_ = 0;
  int fd = -1;
  // Where nothing was found, the file is made exclusively: then it is certainly a new,
  // empty, plain file and needs no look at what was opened. Something that appeared in
  // the meantime is opened as found, and looked at.
  if ((flags & O_CREAT) && !existed) {
    fd = ::open(native.c_str(), flags | O_EXCL, kNewFileMode);
    if (fd < 0 && errno != EEXIST) {
      lastError_ = ErrnoText(errno);
      return false;
    }
    created_ = fd >= 0;
  }
  if (fd < 0) {
    fd = ::open(native.c_str(), flags, kNewFileMode);
    // A file its owner may write but not read is still replaced, by plain writes.
    if (fd < 0 && errno == EACCES && mode == Mode::Replace)
      fd = ::open(native.c_str(), (flags & ~O_ACCMODE) | O_WRONLY, kNewFileMode);
    if (fd < 0) {
      lastError_ = ErrnoText(errno);
      return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      lastError_ = "Not a file";
      ::close(fd);
      return false;
    }
    mode_ = st.st_mode & 07777;
  } else if (const std::optional<mode_t> mask = ProcessUmask()) {
    mode_ = kNewFileMode & ~*mask;
  }
  fd_ = fd;
  native_ = native;
  if (created_) NoteNameAdded(native);
  return true;
}

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

// Repeats a partial read or write until `count` bytes are done, the end of the file, or an error.
template <typename Byte, typename Call>
std::size_t TransferAll(int fd, Byte* bytes, std::size_t count, std::string& lastError, Call call) {
  std::size_t done = 0;
  while (done < count && fd >= 0) {
    ssize_t n = call(fd, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) lastError = ErrnoText(errno);
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t File::Read(void* buffer, std::size_t count) {
  return TransferAll(fd_, static_cast<char*>(buffer), count, lastError_, ::read);
}

std::size_t File::Write(const void* buffer, std::size_t count) {
  return TransferAll(fd_, static_cast<const char*>(buffer), count, lastError_, ::write);
}

bool File::Seek(std::int64_t position) {
  return fd_ >= 0 && position >= 0 && ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) == position;
}

std::int64_t File::Position() const { return fd_ >= 0 ? static_cast<std::int64_t>(::lseek(fd_, 0, SEEK_CUR)) : -1; }

std::int64_t File::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool File::SetSize(std::int64_t size) {
  if (fd_ < 0 || size < 0) return false;
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    lastError_ = ErrnoText(errno);
    return false;
  }
  return true;
}

bool File::SizeForContent(std::int64_t size) { return created_ || SetSize(size); }

bool File::Flush() { return fd_ >= 0 && ::fsync(fd_) == 0; }

bool File::SetLastWriteTime(std::chrono::system_clock::time_point time) {
  struct timespec times[2];
  WriteTimes(time, times);
  return fd_ >= 0 && ::futimens(fd_, times) == 0;
}

bool File::SetAttributes(std::uint32_t attributes, std::optional<std::uint32_t> unixMode) {
  if (fd_ < 0) return false;
  mode_t current = static_cast<mode_t>(mode_);
  if (current == 0 && !unixMode) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    current = st.st_mode & 07777;
  }
  const mode_t wanted = WithAttributes(unixMode ? FromUnixMode(*unixMode) : current, attributes);
  if (current != 0 && wanted == current) return true;
  if (::fchmod(fd_, wanted) != 0) return false;
  mode_ = wanted;
  return true;
}

}  // namespace brimsel::platform

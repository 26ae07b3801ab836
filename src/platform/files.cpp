#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/folder_index.h"

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

fs::path NativePath(std::string_view path) {
  std::string utf8 = FileNameToUtf8(path);
  for (char& c : utf8)
    if (c == '\\') c = '/';

  fs::path result;
  std::size_t pos = 0;
  if (!utf8.empty() && utf8[0] == '/') {
    result = "/";
    pos = 1;
  }
  std::vector<std::string> parts;
  while (pos <= utf8.size()) {
    std::size_t slash = utf8.find('/', pos);
    if (slash == std::string::npos) slash = utf8.size();
    if (slash > pos) parts.push_back(utf8.substr(pos, slash - pos));
    pos = slash + 1;
  }

  // Most paths exist as written, or all but their last part does: one or two look-ups then
  // stand for the first steps of the walk below, with the same result.
  std::size_t asWritten = 0;
  fs::path exact = result;
  for (const std::string& part : parts) exact /= part;
  if (ExistsAsWritten(exact)) {
    asWritten = parts.size();
  } else if (parts.size() > 1 && ExistsAsWritten(exact.parent_path())) {
    asWritten = parts.size() - 1;
  }

  bool resolving = true;  // once a component is missing, the rest cannot exist either
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::string& part = parts[i];
    if (i >= asWritten && resolving && part != "." && part != ".." && !ExistsAsWritten(result / part)) {
      if (auto found = FindNameIgnoringCase(result, part)) {
        part = *found;
      } else {
        resolving = false;
      }
    }
    result /= part;
  }
  if (!utf8.empty() && utf8.back() == '/' && !result.empty()) result += "/";
  return result;
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
    throw Exception("The folder of this program has a name the system cannot hold as text (" +
                    Utf8ToFileName(exe.parent_path().string()) + "); move the program to another folder");
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
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttributeReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    mode |= S_IWUSR;
  }
  return ::chmod(native.c_str(), mode) == 0;
}

bool IsPlainFileName(std::string_view name) {
  // Judged on the name as the file system gets it: a byte that the conversion cannot read
  // is replaced and the byte after it stands alone, so a "\\" or "/" hidden behind an
  // invalid lead byte comes out as a real separator.
  const std::string utf8 = FileNameToUtf8(name);
  bool onlyDotsAndSpaces = true;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    // DEL (0x7F) is allowed: Windows takes it in names, and archives made there hold it.
    if (byte < 0x20 || byte == ':' || byte == '\\' || byte == '/') return false;
    if (byte != '.' && byte != ' ') onlyDotsAndSpaces = false;
  }
  return !utf8.empty() && !onlyDotsAndSpaces;
}

bool SetUnixPermissions(std::string_view path, std::uint32_t mode) {
  // Nothing from an archive makes a file writable by others or gives it set-id bits.
  return ::chmod(NativePath(path).c_str(), static_cast<mode_t>(mode & 0755)) == 0;
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
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(ns / 1000000000);
  times[1].tv_nsec = static_cast<long>(ns % 1000000000);
  if (times[1].tv_nsec < 0) {
    times[1].tv_nsec += 1000000000;
    times[1].tv_sec -= 1;
  }
  return ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

bool IsRunningExecutable(std::string_view path) {
  struct stat target {};
  if (!Stat(path, target) || !S_ISREG(target.st_mode)) return false;
  if ((target.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) return false;  // nothing runs it
  std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
  if (!proc) return false;
  while (dirent* entry = readdir(proc.get())) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::string exe = std::string("/proc/") + entry->d_name + "/exe";
    struct stat running {};
    if (::stat(exe.c_str(), &running) == 0 && running.st_dev == target.st_dev && running.st_ino == target.st_ino)
      return true;
  }
  return false;
}

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(other.fd_), lastError_(std::move(other.lastError_)) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    lastError_ = std::move(other.lastError_);
    other.fd_ = -1;
  }
  return *this;
}

bool File::Open(std::string_view path, Mode mode) {
  Close();
  lastError_.clear();
  fs::path native = NativePath(path);
  const bool writing = mode != Mode::Read;
  const bool existed = writing && FileExists(path);
  if (existed) {
    if (IsReadOnly(path)) {
      lastError_ = "Access is denied";
      return false;
    }
    if (IsRunningExecutable(path)) {
      lastError_ = "The process cannot access the file because it is being used by another process";
      return false;
    }
  }
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::Write: flags |= O_WRONLY; break;
    case Mode::Create: flags |= O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
  }
  int fd = ::open(native.c_str(), flags, 0644);
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
  fd_ = fd;
  if (!existed && mode == Mode::Create) NoteNameAdded(native);
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

bool File::Flush() { return fd_ >= 0 && ::fsync(fd_) == 0; }

}  // namespace brimsel::platform

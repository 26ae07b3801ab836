// The file functions of the system itself, in the system code page ("A" functions). The
// file system already ignores letter case and honours the read-only attribute and running
// executables, so nothing of that is imitated here.
#include "platform/files.h"

#include <io.h>
#include "platform/windows/windows_api.h"

#include <fcntl.h>

#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/windows/windows_text.h"

namespace brimsel::platform {
namespace fs = std::filesystem;

namespace {

// FILETIME counts 100 ns since 1601-01-01; the system clock counts from 1970-01-01.
constexpr std::int64_t kFileTimeOf1970 = 116444736000000000LL;

std::chrono::system_clock::time_point FromFileTime(const FILETIME& time) {
  const std::int64_t ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  const std::chrono::nanoseconds since((ticks - kFileTimeOf1970) * 100);
  return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(since));
}

FILETIME ToFileTime(std::chrono::system_clock::time_point time) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
  const std::int64_t ticks = ns / 100 + kFileTimeOf1970;
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return result;
}

bool Attributes(std::string_view path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  const std::string text(path);
  return !path.empty() && ::GetFileAttributesExA(text.c_str(), GetFileExInfoStandard, &data);
}

HANDLE OsHandle(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

}  // namespace

fs::path NativePath(std::string_view path) { return fs::path(windows::ToWide(path)); }

std::string WindowsPath(const fs::path& native) { return windows::FromWide(fs::path(native).make_preferred().native()); }

std::string InstallationFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  const std::string path = windows::FromWide(buffer);
  // A folder named with characters outside the system code page has no "A" name: the
  // text would name another folder, or none.
  if (windows::ToWide(path) != buffer)
    throw Exception(FolderNameNotHeldMessage(path));
  const std::size_t slash = LastDelimiter(path, "\\/:");
  return slash == std::string::npos ? std::string(".\\") : path.substr(0, slash + 1);
}

bool FileExists(std::string_view path) {
  const std::uint32_t attributes = GetFileAttributes(path);
  return attributes != kInvalidAttributes && !(attributes & kAttributeDirectory);
}

bool DirectoryExists(std::string_view path) {
  const std::uint32_t attributes = GetFileAttributes(path);
  return attributes != kInvalidAttributes && (attributes & kAttributeDirectory);
}

bool ForceDirectories(std::string_view path) {
  std::string folder(path);
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/') && !IsTrailByteAt(folder, folder.size() - 1))
    folder.pop_back();
  if (folder.empty()) return false;
  if (DirectoryExists(folder)) return true;
  const std::size_t parent = LastDelimiter(folder, "\\/");
  if (parent != std::string::npos && parent > 0 && folder[parent - 1] != ':' && !ForceDirectories(folder.substr(0, parent)))
    return false;
  return ::CreateDirectoryA(folder.c_str(), nullptr) || DirectoryExists(folder);
}

// The system refuses to delete or write a read-only file, except that Wine run by root
// lets root through as Linux does; the check in front keeps the rule for everyone.
bool DeleteFile(std::string_view path) {
  if (IsReadOnly(path)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  const std::string text(path);
  return !path.empty() && ::DeleteFileA(text.c_str());
}

bool MoveFileReplacing(std::string_view existingFile, std::string_view newFile) {
  const std::string from(existingFile), to(newFile);
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::uint32_t GetFileAttributes(std::string_view path) {
  if (path.empty()) return kInvalidAttributes;
  const std::string text(path);
  return ::GetFileAttributesA(text.c_str());
}

bool SetFileAttributes(std::string_view path, std::uint32_t attributes) {
  const std::string text(path);
  return !path.empty() && ::SetFileAttributesA(text.c_str(), attributes);
}

// A Windows file has no Unix mode; the read-only attribute is all it keeps.
bool SetUnixPermissions(std::string_view path, std::uint32_t /*mode*/) { return FileExists(path); }

bool IsReadOnly(std::string_view path) {
  const std::uint32_t attributes = GetFileAttributes(path);
  return attributes != kInvalidAttributes && (attributes & kAttributeReadOnly);
}

std::optional<std::int64_t> FileSizeOf(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::chrono::system_clock::time_point> LastWriteTime(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, data)) return std::nullopt;
  return FromFileTime(data.ftLastWriteTime);
}

bool SetLastWriteTime(std::string_view path, std::chrono::system_clock::time_point time) {
  const std::string text(path);
  windows::Handle file(::CreateFileA(text.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const FILETIME written = ToFileTime(time);
  return file.valid() && ::SetFileTime(file.get(), nullptr, nullptr, &written);
}

// The system keeps a running image open without write sharing: a handle for writing that
// shares everything is refused exactly while some process runs the file.
bool IsRunningExecutable(std::string_view path) {
  if (!FileExists(path)) return false;
  const std::string text(path);
  windows::Handle file(::CreateFileA(text.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
  return !file.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

namespace {

// The name the system reports for what `native` reaches, when it is not the name asked for
// (letter case aside, as the system folds it).
std::wstring SystemNameIfOther(const fs::path& native) {
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(native.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  ::FindClose(search);
  std::wstring asked = native.filename().wstring();
  std::wstring held = found.cFileName;
  std::wstring heldFolded = held;
  if (!asked.empty()) ::CharUpperBuffW(asked.data(), static_cast<DWORD>(asked.size()));
  if (!heldFolded.empty()) ::CharUpperBuffW(heldFolded.data(), static_cast<DWORD>(heldFolded.size()));
  return asked == heldFolded ? std::wstring() : held;
}

}  // namespace

std::string NameHeldOtherwise(std::string_view path) {
  return path.empty() ? std::string() : windows::FromWide(SystemNameIfOther(NativePath(path)));
}

// The system resolves paths itself, ignoring letter case; what the extraction needs to know
// beforehand is looked up here once: a reparse point (a link) on the way below the base, and
// what stands at the target.
ResolvedTarget ResolveTarget(std::string_view base, std::string_view path) {
  ResolvedTarget target;
  target.native = NativePath(path);
  if (path.substr(0, base.size()) == base) {
    fs::path walked = NativePath(base);
    for (const fs::path& part : NativePath(path.substr(base.size()))) {
      if (part.filename().empty()) continue;  // a separator
      walked /= part;
      std::error_code ec;
      const fs::file_status status = fs::symlink_status(walked, ec);
      if (ec || !fs::exists(status)) break;  // nothing below can exist
      if (fs::is_symlink(status)) {
        target.throughLink = true;
        return target;  // nothing is looked up through it
      }
    }
  }
  const DWORD folder = ::GetFileAttributesW(target.native.parent_path().c_str());
  target.folderExists = folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY);
  const DWORD attributes = ::GetFileAttributesW(target.native.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    target.exists = true;
    target.isFile = !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    target.readOnly = attributes & FILE_ATTRIBUTE_READONLY;
    target.heldAs = windows::FromWide(SystemNameIfOther(target.native));
  }
  return target;
}

bool IsRunningExecutable(const ResolvedTarget& target) {
  return target.isFile && IsRunningExecutable(WindowsPath(target.native));
}

bool File::Open(std::string_view path, Mode mode) {
  Close();
  lastError_.clear();
  if (mode != Mode::Read && IsReadOnly(path)) {
    lastError_ = windows::ErrorText(ERROR_ACCESS_DENIED);
    return false;
  }
  if (path.empty()) {
    lastError_ = windows::ErrorText(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return OpenNative(NativePath(path), mode, false);
}

// The target was looked up a moment ago: what it found serves, no path is looked up again.
bool File::Open(const ResolvedTarget& target, Mode mode) {
  Close();
  lastError_.clear();
  if (mode != Mode::Read && target.exists && !target.isFile) {  // a folder or a device: never waited on
    lastError_ = "Not a file";
    return false;
  }
  if (mode != Mode::Read && target.readOnly) {
    lastError_ = windows::ErrorText(ERROR_ACCESS_DENIED);
    return false;
  }
  return OpenNative(target.native, mode, target.isFile);
}

// The system itself refuses a running executable. (Wine run as root would write a read-only
// file, hence the callers' check of the attribute first.) The handle is kept as a C runtime
// descriptor, which owns it, so that the class looks the same on both systems.
bool File::OpenNative(const fs::path& native, Mode mode, bool /*existed*/) {
  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case Mode::Read: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    case Mode::Write: access = GENERIC_WRITE; break;
    case Mode::Create: access = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
    case Mode::ReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    case Mode::Replace: access = GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
  }
  created_ = false;
  HANDLE handle = ::CreateFileW(native.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    lastError_ = windows::ErrorText(::GetLastError());
    return false;
  }
  // The two dispositions that may create tell by this code that the file was there.
  const bool created = disposition != OPEN_EXISTING && ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    lastError_ = "Not a file";
    return false;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), mode == Mode::Read ? _O_RDONLY : 0);
  if (fd < 0) {
    ::CloseHandle(handle);
    lastError_ = "Too many open files";
    return false;
  }
  fd_ = fd;
  created_ = created;
  native_ = native;
  return true;
}

void File::Close() {
  if (fd_ >= 0) ::_close(fd_);
  fd_ = -1;
}

std::size_t File::Read(void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (fd_ >= 0 && done < count) {
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - done, 1 << 30));
    if (!::ReadFile(OsHandle(fd_), static_cast<char*>(buffer) + done, ask, &got, nullptr)) {
      lastError_ = windows::ErrorText(::GetLastError());
      break;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

std::size_t File::Write(const void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (fd_ >= 0 && done < count) {
    DWORD put = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - done, 1 << 30));
    if (!::WriteFile(OsHandle(fd_), static_cast<const char*>(buffer) + done, ask, &put, nullptr)) {
      lastError_ = windows::ErrorText(::GetLastError());
      break;
    }
    if (put == 0) break;
    done += put;
  }
  return done;
}

bool File::Seek(std::int64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = position;
  return fd_ >= 0 && position >= 0 && ::SetFilePointerEx(OsHandle(fd_), to, nullptr, FILE_BEGIN);
}

std::int64_t File::Position() const {
  LARGE_INTEGER zero{};
  LARGE_INTEGER at{};
  if (fd_ < 0 || !::SetFilePointerEx(OsHandle(fd_), zero, &at, FILE_CURRENT)) return -1;
  return at.QuadPart;
}

std::int64_t File::Size() const {
  LARGE_INTEGER size{};
  if (fd_ < 0 || !::GetFileSizeEx(OsHandle(fd_), &size)) return -1;
  return size.QuadPart;
}

bool File::SetSize(std::int64_t size) {
  if (fd_ < 0 || size < 0) return false;
  const std::int64_t position = Position();
  LARGE_INTEGER to;
  to.QuadPart = size;
  if (!::SetFilePointerEx(OsHandle(fd_), to, nullptr, FILE_BEGIN) || !::SetEndOfFile(OsHandle(fd_))) {
    lastError_ = windows::ErrorText(::GetLastError());
    return false;
  }
  if (position >= 0) Seek(position);
  return true;
}

bool File::SizeForContent(std::int64_t size) { return SetSize(size); }

bool File::Flush() { return fd_ >= 0 && ::FlushFileBuffers(OsHandle(fd_)); }

bool File::SetLastWriteTime(std::chrono::system_clock::time_point time) {
  const FILETIME written = ToFileTime(time);
  return fd_ >= 0 && ::SetFileTime(OsHandle(fd_), nullptr, nullptr, &written);
}

// A Windows file keeps no Unix mode: the attributes alone are set. Before Vista the system
// sets them by path only, which names the open file here.
bool File::SetAttributes(std::uint32_t attributes, std::optional<std::uint32_t> /*unixMode*/) {
  return fd_ >= 0 && ::SetFileAttributesW(native_.c_str(), attributes);
}

}  // namespace brimsel::platform

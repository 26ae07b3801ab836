#pragma once
// Files with Windows semantics. Paths are texts in the system code page with "\" or "/"
// as separators; a name that does not exist in its exact letter case is found without
// regard to letter case, as Windows would. The read-only attribute is honoured for every
// user, root included: a read-only file cannot be opened for writing or deleted until the
// attribute is cleared. A running executable cannot be written or deleted either.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_name_rule.h"  // IsPlainFileName: the names a file of a folder may have

namespace brimsel::platform {

// The native path of a Windows-style path: converted to UTF-8 first, then "\" mapped to
// "/", then each existing component looked up without regard to letter case. On Windows:
// the same path in UTF-16.
std::filesystem::path NativePath(std::string_view path);
// The Windows-style text of a native path: GBK, with "\" as separator.
std::string WindowsPath(const std::filesystem::path& native);

// The folder of the running executable, ending in "\". Raises brimsel::Exception when its
// name cannot be held as a text of the system (and so would name another folder).
std::string InstallationFolder();

bool FileExists(std::string_view path);       // a file, not a folder
bool DirectoryExists(std::string_view path);  // a folder
// Creates the folder and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(std::string_view path);
// False when the file does not exist, is read-only, is a running executable, or cannot be removed.
bool DeleteFile(std::string_view path);
// Renames a file over `newFile` as MoveFileExA with MOVEFILE_REPLACE_EXISTING does; false
// when the target is read-only, a running executable or a folder. Within one volume the
// target is at every moment the old file or the whole moved one. A replaced file keeps its
// permission bits, as a copy over it would (CopyFileA).
bool MoveFileReplacing(std::string_view existingFile, std::string_view newFile);

// The Windows attribute bits that have a meaning here.
inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeSystem = 0x04;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeArchive = 0x20;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

std::uint32_t GetFileAttributes(std::string_view path);  // kInvalidAttributes when absent
// Only the read-only bit changes anything on this platform.
bool SetFileAttributes(std::string_view path, std::uint32_t attributes);
// The permission bits of a Unix mode (an archive made on Unix stores them), as far as the
// system has such bits; never writable by others, never set-id. Systems without them
// ignore the call.
bool SetUnixPermissions(std::string_view path, std::uint32_t mode);

bool IsReadOnly(std::string_view path);

std::optional<std::int64_t> FileSizeOf(std::string_view path);
std::optional<std::chrono::system_clock::time_point> LastWriteTime(std::string_view path);
bool SetLastWriteTime(std::string_view path, std::chrono::system_clock::time_point time);

// True when some process runs the file at `path` as its executable.
bool IsRunningExecutable(std::string_view path);

// The name under which the system holds what `path` reaches, when it is another name than
// the path's own last part (beyond letter case, as the file system folds it): on Windows a
// short alias such as "LONGFI~1.TXT" reaches "LongFileName.txt". Empty when the names agree
// or nothing is there; always empty on Linux, which makes no aliases.
std::string NameHeldOtherwise(std::string_view path);

// A path below a base folder, looked up once for the series of operations that write one
// file there: its native form, and what the look-ups on the way found. Parts below the base
// are looked up one by one without following links; the base itself may be a link.
struct ResolvedTarget {
  std::filesystem::path native;
  bool throughLink = false;   // a part below the base, or the target itself, is a symbolic link
  bool folderExists = false;  // the target's folder exists
  bool exists = false;        // something, a dangling link included, is at the target
  bool isFile = false;
  bool readOnly = false;
  bool executable = false;
  std::string heldAs;  // NameHeldOtherwise of the target: writing would reach another file
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};
// A path that does not start with `base` gets no link check, the rest as above.
ResolvedTarget ResolveTarget(std::string_view base, std::string_view path);
// True when some process runs the resolved file as its executable.
bool IsRunningExecutable(const ResolvedTarget& target);

// The whole content of a file of at most `limit` bytes; nothing when it cannot be read or
// is larger.
std::optional<std::string> ReadWholeFile(std::string_view path, std::size_t limit);

// A file handle. Closed when destroyed.
class File {
 public:
  enum class Mode {
    Read,       // existing file, reading only
    Write,      // existing file, writing, not truncated
    Create,     // created or truncated, writing
    ReadWrite,  // existing file, reading and writing
    // Created, or an existing file opened as it is: for a writer that gives it its new size
    // and then every byte of it. Replacing a file's content in place spares the file
    // system the flush that it makes when a file cut to nothing is closed.
    Replace,
  };

  File() = default;
  File(std::string_view path, Mode mode) { Open(path, mode); }
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens a file. On failure returns false and LastError() says why.
  bool Open(std::string_view path, Mode mode);
  // The same for a target resolved a moment ago: no path is looked up again.
  bool Open(const ResolvedTarget& target, Mode mode);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // The count read or written; fewer than asked at the end of the file or on an error.
  std::size_t Read(void* buffer, std::size_t count);
  std::size_t Write(const void* buffer, std::size_t count);
  bool Seek(std::int64_t position);
  std::int64_t Position() const;  // -1 on error
  std::int64_t Size() const;      // -1 on error
  bool SetSize(std::int64_t size);
  // Readies the file for `size` bytes written from its start: a file that was there gets
  // that size at once, its content replaced in place. A file this open created gets it too
  // where the system allocates a file by its size (Windows); where sizing would only record
  // the number (Linux), it grows as it is written.
  bool SizeForContent(std::int64_t size);
  bool Flush();  // to the disk
  // What SetLastWriteTime, SetUnixPermissions (when `unixMode` is given) and then
  // SetFileAttributes do to the file's path, done to the open file.
  bool SetLastWriteTime(std::chrono::system_clock::time_point time);
  bool SetAttributes(std::uint32_t attributes, std::optional<std::uint32_t> unixMode);

  const std::string& LastError() const { return lastError_; }

 private:
  friend class FileMapping;  // maps the file's own descriptor
  bool OpenNative(const std::filesystem::path& native, Mode mode, bool existed);

  int fd_ = -1;
  bool created_ = false;  // this open made the file
  std::uint32_t mode_ = 0;  // the file's permission bits as far as this handle knows them; 0: not known
  std::filesystem::path native_;  // as opened: Windows sets attributes by path only
  std::string lastError_;
};

}  // namespace brimsel::platform

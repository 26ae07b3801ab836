#pragma once
// Every file the zip component touches, behind one interface: it opens its archive, looks
// at the destination and writes its targets only through these calls. The updater and its
// tools use the platform's files (PlatformZipFileSystem). Another file system, one held in
// memory say, runs a whole load and extraction without a disk: the component's own checks
// of names, paths, overlaps and sizes run all the same, above this seam.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/files.h"

namespace brimsel {

class TArchiveStream;

// A target opened for its content to be replaced (platform::File::Mode::Replace); the
// calls mean what they mean on platform::File.
class ZipTargetFile {
 public:
  virtual ~ZipTargetFile() = default;
  virtual std::size_t Write(const void* data, std::size_t count) = 0;
  virtual bool SizeForContent(std::int64_t size) = 0;
  virtual bool SetSize(std::int64_t size) = 0;
  virtual bool Flush() = 0;
  virtual bool SetLastWriteTime(std::chrono::system_clock::time_point time) = 0;
  virtual bool SetAttributes(std::uint32_t attributes, std::optional<std::uint32_t> unixMode) = 0;
  virtual void Close() = 0;
  // The platform file underneath, for a decoder that maps it; null when there is none.
  virtual platform::File* MappableFile() { return nullptr; }
};

class ZipFileSystem {
 public:
  virtual ~ZipFileSystem() = default;

  // The archive. OpenArchive raises EFOpenError naming the file when it cannot be opened.
  virtual std::unique_ptr<TArchiveStream> OpenArchive(std::string_view path) = 0;
  virtual bool FileExists(std::string_view path) = 0;
  virtual std::optional<std::int64_t> FileSizeOf(std::string_view path) = 0;
  virtual std::optional<std::chrono::system_clock::time_point> LastWriteTime(std::string_view path) = 0;

  // The destination, as in platform/files.h and platform/free_space.h.
  virtual bool DirectoryExists(std::string_view path) = 0;
  virtual bool ForceDirectories(std::string_view path) = 0;
  virtual std::optional<std::uint64_t> FreeSpaceOf(std::string_view path) = 0;
  virtual platform::ResolvedTarget ResolveTarget(std::string_view base, std::string_view path) = 0;
  // The target looked up a moment ago, or one named by its path; null when it cannot be
  // opened.
  virtual std::unique_ptr<ZipTargetFile> OpenTarget(const platform::ResolvedTarget& target) = 0;
  virtual std::unique_ptr<ZipTargetFile> OpenTarget(std::string_view path) = 0;
  virtual bool IsReadOnly(std::string_view path) = 0;
  virtual bool ClearReadOnly(std::string_view path) = 0;
  virtual bool DeleteFile(std::string_view path) = 0;
};

// The platform's own files.
ZipFileSystem& PlatformZipFileSystem();

}  // namespace brimsel

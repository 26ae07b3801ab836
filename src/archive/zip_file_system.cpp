#include "archive/zip_file_system.h"

#include "archive/archive_stream.h"
#include "platform/free_space.h"

namespace brimsel {
namespace {

class PlatformTargetFile : public ZipTargetFile {
 public:
  std::size_t Write(const void* data, std::size_t count) override { return file_.Write(data, count); }
  bool SizeForContent(std::int64_t size) override { return file_.SizeForContent(size); }
  bool SetSize(std::int64_t size) override { return file_.SetSize(size); }
  bool Flush() override { return file_.Flush(); }
  bool SetLastWriteTime(std::chrono::system_clock::time_point time) override { return file_.SetLastWriteTime(time); }
  bool SetAttributes(std::uint32_t attributes, std::optional<std::uint32_t> unixMode) override {
    return file_.SetAttributes(attributes, unixMode);
  }
  void Close() override { file_.Close(); }
  platform::File* MappableFile() override { return &file_; }

  platform::File& file() { return file_; }

 private:
  platform::File file_;
};

class PlatformFiles : public ZipFileSystem {
 public:
  std::unique_ptr<TArchiveStream> OpenArchive(std::string_view path) override {
    return std::make_unique<TArchiveStream>(path);
  }
  bool FileExists(std::string_view path) override { return platform::FileExists(path); }
  std::optional<std::int64_t> FileSizeOf(std::string_view path) override { return platform::FileSizeOf(path); }
  std::optional<std::chrono::system_clock::time_point> LastWriteTime(std::string_view path) override {
    return platform::LastWriteTime(path);
  }
  bool DirectoryExists(std::string_view path) override { return platform::DirectoryExists(path); }
  bool ForceDirectories(std::string_view path) override { return platform::ForceDirectories(path); }
  std::optional<std::uint64_t> FreeSpaceOf(std::string_view path) override { return platform::FreeSpaceOf(path); }
  platform::ResolvedTarget ResolveTarget(std::string_view base, std::string_view path) override {
    return platform::ResolveTarget(base, path);
  }
  std::unique_ptr<ZipTargetFile> OpenTarget(const platform::ResolvedTarget& target) override {
    auto file = std::make_unique<PlatformTargetFile>();
    if (!file->file().Open(target, platform::File::Mode::Replace)) return nullptr;
    return file;
  }
  std::unique_ptr<ZipTargetFile> OpenTarget(std::string_view path) override {
    auto file = std::make_unique<PlatformTargetFile>();
    if (!file->file().Open(path, platform::File::Mode::Replace)) return nullptr;
    return file;
  }
  bool IsReadOnly(std::string_view path) override { return platform::IsReadOnly(path); }
  bool ClearReadOnly(std::string_view path) override {
    return platform::SetFileAttributes(path, platform::GetFileAttributes(path) & ~platform::kAttributeReadOnly);
  }
  bool DeleteFile(std::string_view path) override { return platform::DeleteFile(path); }
};

}  // namespace

ZipFileSystem& PlatformZipFileSystem() {
  static PlatformFiles files;
  return files;
}

}  // namespace brimsel

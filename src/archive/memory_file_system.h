#pragma once
// A file system held in memory for the zip component: archives given as bytes, folders
// and target files made as the component asks. Names follow Windows's rules as far as the
// component relies on them: "\" and "/" both separate, ASCII letters match in either case,
// and a read-only file can be neither opened for writing nor deleted. There are no links
// and no aliases. The room it reports is a budget that its files share, so that the
// component's own size checks decide what fits.

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "archive/zip_file_system.h"

namespace brimsel {

class MemoryZipFileSystem : public ZipFileSystem {
 public:
  struct File {
    std::vector<std::uint8_t> bytes;
    std::uint32_t attributes = platform::kAttributeArchive;
    std::chrono::system_clock::time_point lastWrite{};
  };

  explicit MemoryZipFileSystem(std::uint64_t room = std::uint64_t{1} << 30) : room_(room) {}

  // The archive `path`; the bytes stay the caller's and must outlive every read of them.
  void AddArchive(std::string_view path, std::span<const std::uint8_t> bytes);
  void AddFolder(std::string_view path);
  // A file that is there before the extraction.
  void AddFile(std::string_view path, File file);

  // The key a name is held under: one "\" between parts, none at the end, ASCII letters
  // lowered.
  static std::string Key(std::string_view path);

  // What is there now, by key.
  const std::map<std::string, File>& Files() const { return files_; }
  const std::set<std::string>& Folders() const { return folders_; }
  // Every folder and file ever made, by the name as the component gave it.
  const std::vector<std::string>& Made() const { return made_; }
  std::uint64_t Used() const { return used_; }

  std::unique_ptr<TArchiveStream> OpenArchive(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  std::optional<std::int64_t> FileSizeOf(std::string_view path) override;
  std::optional<std::chrono::system_clock::time_point> LastWriteTime(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  bool ForceDirectories(std::string_view path) override;
  std::optional<std::uint64_t> FreeSpaceOf(std::string_view path) override;
  platform::ResolvedTarget ResolveTarget(std::string_view base, std::string_view path) override;
  std::unique_ptr<ZipTargetFile> OpenTarget(const platform::ResolvedTarget& target) override;
  std::unique_ptr<ZipTargetFile> OpenTarget(std::string_view path) override;
  bool IsReadOnly(std::string_view path) override;
  bool ClearReadOnly(std::string_view path) override;
  bool DeleteFile(std::string_view path) override;

 private:
  class Target;
  static std::string ParentKey(const std::string& key);
  bool FolderExists(const std::string& key) const;
  File* Find(std::string_view path);
  std::unique_ptr<ZipTargetFile> Open(std::string_view path);

  std::uint64_t room_;
  std::uint64_t used_ = 0;  // bytes of the files
  std::map<std::string, std::span<const std::uint8_t>> archives_;
  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  std::vector<std::string> made_;
};

}  // namespace brimsel

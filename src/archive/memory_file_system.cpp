#include "archive/memory_file_system.h"

#include <algorithm>
#include <cstring>

#include "archive/archive_stream.h"
#include "archive/zip_exceptions.h"
#include "platform/codepage.h"

namespace brimsel {

// A target file, written at a position that starts at 0. It finds its file by key at every
// call, so that a file deleted meanwhile takes no more bytes.
class MemoryZipFileSystem::Target : public ZipTargetFile {
 public:
  Target(MemoryZipFileSystem& owner, std::string key, bool existed)
      : owner_(owner), key_(std::move(key)), existed_(existed) {}

  std::size_t Write(const void* data, std::size_t count) override {
    File* file = Opened();
    if (!file) return 0;
    // What does not fit in the room is not written.
    if (position_ + count > file->bytes.size()) Resize(*file, position_ + count);
    const std::size_t fits = std::min(count, file->bytes.size() - std::min(position_, file->bytes.size()));
    if (fits > 0) std::memcpy(file->bytes.data() + position_, data, fits);
    position_ += fits;
    return fits;
  }
  // A file that was there takes its new size at once; a new one grows as it is written.
  bool SizeForContent(std::int64_t size) override {
    File* file = Opened();
    return file && size >= 0 && (!existed_ || Resize(*file, static_cast<std::uint64_t>(size)));
  }
  bool SetSize(std::int64_t size) override {
    File* file = Opened();
    return file && size >= 0 && Resize(*file, static_cast<std::uint64_t>(size));
  }
  bool Flush() override { return Opened() != nullptr; }
  bool SetLastWriteTime(std::chrono::system_clock::time_point time) override {
    File* file = Opened();
    if (file) file->lastWrite = time;
    return file != nullptr;
  }
  bool SetAttributes(std::uint32_t attributes, std::optional<std::uint32_t>) override {
    File* file = Opened();
    if (file) file->attributes = attributes & ~platform::kAttributeDirectory;
    return file != nullptr;
  }
  void Close() override { closed_ = true; }

 private:
  File* Opened() {
    if (closed_) return nullptr;
    const auto found = owner_.files_.find(key_);
    return found == owner_.files_.end() ? nullptr : &found->second;
  }
  // False when the room is not enough; the file then keeps its size.
  bool Resize(File& file, std::uint64_t size) {
    const std::uint64_t old = file.bytes.size();
    if (size > old && size - old > owner_.room_ - std::min(owner_.room_, owner_.used_)) return false;
    file.bytes.resize(static_cast<std::size_t>(size));
    owner_.used_ = owner_.used_ - old + size;
    return true;
  }

  MemoryZipFileSystem& owner_;
  std::string key_;
  bool existed_;
  bool closed_ = false;
  std::size_t position_ = 0;
};

std::string MemoryZipFileSystem::Key(std::string_view path) {
  std::string key;
  bool afterSeparator = false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (platform::IsLeadByte(byte) && i + 1 < path.size()) {
      key += path.substr(i, 2);
      ++i;
      afterSeparator = false;
    } else if (byte == '\\' || byte == '/') {
      if (!afterSeparator) key += '\\';
      afterSeparator = true;
    } else {
      key += static_cast<char>(byte);
      afterSeparator = false;
    }
  }
  if (afterSeparator && key.size() > 1) key.pop_back();
  return platform::LowerAsciiOfSingleByteChars(key);
}

std::string MemoryZipFileSystem::ParentKey(const std::string& key) {
  const std::size_t slash = platform::LastDelimiter(key, "\\");
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

bool MemoryZipFileSystem::FolderExists(const std::string& key) const {
  return key.empty() || key == "." || folders_.count(key) > 0;
}

MemoryZipFileSystem::File* MemoryZipFileSystem::Find(std::string_view path) {
  const auto found = files_.find(Key(path));
  return found == files_.end() ? nullptr : &found->second;
}

void MemoryZipFileSystem::AddArchive(std::string_view path, std::span<const std::uint8_t> bytes) {
  archives_[Key(path)] = bytes;
}

void MemoryZipFileSystem::AddFolder(std::string_view path) {
  for (std::string key = Key(path); !key.empty(); key = ParentKey(key)) folders_.insert(key);
}

void MemoryZipFileSystem::AddFile(std::string_view path, File file) {
  const std::string key = Key(path);
  AddFolder(ParentKey(key));
  used_ += file.bytes.size();
  files_[key] = std::move(file);
}

std::unique_ptr<TArchiveStream> MemoryZipFileSystem::OpenArchive(std::string_view path) {
  const auto found = archives_.find(Key(path));
  if (found == archives_.end()) throw EFOpenError(path, "no such archive in memory");
  return std::make_unique<TArchiveStream>(path, found->second);
}

bool MemoryZipFileSystem::FileExists(std::string_view path) {
  const std::string key = Key(path);
  return archives_.count(key) > 0 || files_.count(key) > 0;
}

std::optional<std::int64_t> MemoryZipFileSystem::FileSizeOf(std::string_view path) {
  const std::string key = Key(path);
  if (const auto archive = archives_.find(key); archive != archives_.end())
    return static_cast<std::int64_t>(archive->second.size());
  if (const File* file = Find(path)) return static_cast<std::int64_t>(file->bytes.size());
  return std::nullopt;
}

std::optional<std::chrono::system_clock::time_point> MemoryZipFileSystem::LastWriteTime(std::string_view path) {
  if (archives_.count(Key(path)) > 0) return std::chrono::system_clock::time_point{};
  if (const File* file = Find(path)) return file->lastWrite;
  return std::nullopt;
}

bool MemoryZipFileSystem::DirectoryExists(std::string_view path) { return FolderExists(Key(path)); }

bool MemoryZipFileSystem::ForceDirectories(std::string_view path) {
  const std::string key = Key(path);
  for (std::string part = key; !part.empty(); part = ParentKey(part)) {
    if (files_.count(part) > 0) return false;  // a file stands where a folder would go
  }
  if (!FolderExists(key)) made_.emplace_back(path);
  AddFolder(key);
  return true;
}

std::optional<std::uint64_t> MemoryZipFileSystem::FreeSpaceOf(std::string_view) { return room_ - std::min(room_, used_); }

platform::ResolvedTarget MemoryZipFileSystem::ResolveTarget(std::string_view, std::string_view path) {
  platform::ResolvedTarget target;
  const std::string key = Key(path);
  target.native = std::string(path);
  target.folderExists = FolderExists(ParentKey(key));
  const auto found = files_.find(key);
  target.exists = found != files_.end() || folders_.count(key) > 0;
  target.isFile = found != files_.end();
  target.readOnly = target.isFile && (found->second.attributes & platform::kAttributeReadOnly) != 0;
  return target;
}

std::unique_ptr<ZipTargetFile> MemoryZipFileSystem::Open(std::string_view path) {
  const std::string key = Key(path);
  if (!FolderExists(ParentKey(key)) || folders_.count(key) > 0) return nullptr;
  const auto found = files_.find(key);
  const bool existed = found != files_.end();
  if (existed && (found->second.attributes & platform::kAttributeReadOnly) != 0) return nullptr;
  if (!existed) {
    files_[key] = File{};
    made_.emplace_back(path);
  }
  return std::make_unique<Target>(*this, key, existed);
}

std::unique_ptr<ZipTargetFile> MemoryZipFileSystem::OpenTarget(const platform::ResolvedTarget& target) {
  return Open(target.native.string());
}

std::unique_ptr<ZipTargetFile> MemoryZipFileSystem::OpenTarget(std::string_view path) { return Open(path); }

bool MemoryZipFileSystem::IsReadOnly(std::string_view path) {
  const File* file = Find(path);
  return file && (file->attributes & platform::kAttributeReadOnly) != 0;
}

bool MemoryZipFileSystem::ClearReadOnly(std::string_view path) {
  File* file = Find(path);
  if (file) file->attributes &= ~platform::kAttributeReadOnly;
  return file != nullptr;
}

bool MemoryZipFileSystem::DeleteFile(std::string_view path) {
  const auto found = files_.find(Key(path));
  if (found == files_.end() || (found->second.attributes & platform::kAttributeReadOnly) != 0) return false;
  used_ -= found->second.bytes.size();
  files_.erase(found);
  return true;
}

}  // namespace brimsel

#include "platform/posix/folder_index.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/codepage.h"

namespace brimsel::platform {
namespace {
namespace fs = std::filesystem;

// More folders than an extraction writes into at once; past it the indexes start afresh.
constexpr std::size_t kMaxIndexedFolders = 64;

// What tells one state of a folder from another: which folder it is, and its time and
// size, which every creation, removal or renaming of a name in it changes.
struct FolderStamp {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  off_t size = 0;
  bool operator==(const FolderStamp& other) const {
    return device == other.device && inode == other.inode && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec && size == other.size;
  }
};

std::optional<FolderStamp> StampOf(const struct stat& st) {
  if (!S_ISDIR(st.st_mode)) return std::nullopt;
  return FolderStamp{st.st_dev, st.st_ino, st.st_mtim, st.st_size};
}

std::optional<FolderStamp> StampOf(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return std::nullopt;
  return StampOf(st);
}

std::string KeyOf(const fs::path& folder) { return folder.empty() ? std::string(".") : folder.string(); }

struct FolderNames {
  FolderStamp stamp;
  std::unordered_map<std::string, std::string> byLoweredName;  // lowered -> as spelt
};

class FolderIndexes {
 public:
  std::optional<std::string> Find(const fs::path& folder, const std::string& name, const struct stat* status) {
    const std::string key = KeyOf(folder);
    const std::lock_guard lock(mutex_);
    const std::optional<FolderStamp> stamp = status ? StampOf(*status) : StampOf(key);
    if (!stamp) return std::nullopt;
    auto it = folders_.find(key);
    if (it == folders_.end() || !(it->second.stamp == *stamp)) it = Build(key, *stamp);
    if (it == folders_.end()) return std::nullopt;
    const auto found = it->second.byLoweredName.find(LowerBytes(name));
    if (found == it->second.byLoweredName.end()) return std::nullopt;
    return found->second;
  }

  // A file this program has just created in a folder whose index was checked when its
  // name was looked up: the name joins the index, which takes the folder's new stamp.
  void Added(const fs::path& path) {
    const std::string key = KeyOf(path.parent_path());
    const std::lock_guard lock(mutex_);
    const auto it = folders_.find(key);
    if (it == folders_.end()) return;
    const std::optional<FolderStamp> stamp = StampOf(key);
    if (!stamp) {
      folders_.erase(it);
      return;
    }
    const std::string name = path.filename().string();
    it->second.byLoweredName.emplace(LowerBytes(name), name);
    it->second.stamp = *stamp;
  }

  // Removals are rare and another spelling of the name may remain: the folder is read
  // again at its next look-up.
  void Removed(const fs::path& path) {
    const std::lock_guard lock(mutex_);
    folders_.erase(KeyOf(path.parent_path()));
  }

 private:
  using Map = std::unordered_map<std::string, FolderNames>;

  // The stamp is taken before the folder is read, so that a change made while it is read
  // shows at the next look-up.
  Map::iterator Build(const std::string& key, const FolderStamp& stamp) {
    folders_.erase(key);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(key.c_str()), closedir);
    if (!dir) return folders_.end();
    if (folders_.size() >= kMaxIndexedFolders) folders_.clear();
    FolderNames names{stamp, {}};
    while (const dirent* entry = readdir(dir.get())) names.byLoweredName.emplace(LowerBytes(entry->d_name), entry->d_name);
    return folders_.emplace(key, std::move(names)).first;
  }

  std::mutex mutex_;
  Map folders_;
};

FolderIndexes& Indexes() {
  static FolderIndexes indexes;
  return indexes;
}

}  // namespace

std::optional<std::string> FindNameIgnoringCase(const fs::path& folder, const std::string& name,
                                                const struct stat* folderStatus) {
  return Indexes().Find(folder, name, folderStatus);
}

void NoteNameAdded(const fs::path& path) { Indexes().Added(path); }
void NoteNameRemoved(const fs::path& path) { Indexes().Removed(path); }

}  // namespace brimsel::platform

#pragma once
// Where an entry is written. The stored directory of an entry decides the target folder
// below the destination (or is dropped when directories are not recreated); names from an
// archive are never trusted to stay inside the destination: ".." parts, absolute paths,
// drive letters, names the file name rule refuses and folders that are symbolic links are
// refused.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimsel {

struct TargetFolderRules {
  std::string destDir;  // without a final backslash; empty: the current folder
  bool recreateDirs = false;
  std::string rootDir;                        // a root stripped from stored directories
  std::vector<std::string> relativePathList;  // more roots, tried before rootDir
};

// The destination folder as paths are built on it: DestDir, or "." when it is empty.
std::string DestinationBase(std::string_view destDir);

// The folder an entry with this stored Directory goes to, ending in a backslash; nothing
// when the Directory would lead outside the destination. Without recreateDirs every
// Directory is dropped and the folder is the destination itself.
std::optional<std::string> TargetFolder(const TargetFolderRules& rules, std::string_view directory);

// Whether an entry's FileName may be written as a file of the target folder.
bool IsSafeFileName(std::string_view fileName);

// The folder part of a path, up to and including its last backslash ("" when none).
std::string FolderOf(std::string_view path);

}  // namespace brimsel

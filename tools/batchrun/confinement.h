#pragma once
// The folders a script may touch. The updater's script works on the installation folder
// (where the script itself lies) and on its staging folder "update"; the runner touches
// files directly in these two folders and nowhere else: not in their subfolders, not
// through "..", not through a symbolic link at the end of the path.

#include <filesystem>
#include <string>
#include <string_view>

namespace brimsel::batchrun {

class Confinement {
 public:
  // `scriptFolder` is the folder of the script as the runner found it (native path).
  explicit Confinement(const std::filesystem::path& scriptFolder);

  // Whether the path, as written in the script (GBK, Windows style), names a file directly
  // in one of the two folders. When it does not, `why` says so.
  bool Allows(std::string_view windowsPath, std::string& why) const;

 private:
  std::filesystem::path scriptFolder_;
  std::filesystem::path stagingFolder_;
};

// True when the last component of the path is a symbolic link.
bool IsSymbolicLink(std::string_view windowsPath);

}  // namespace brimsel::batchrun

#include "platform/temporary_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/posix/folder_index.h"
#include "platform/posix/replacement_file.h"

namespace brimsel::platform {
namespace fs = std::filesystem;

std::vector<std::string> RemoveLeftoverTemporaryFiles(std::string_view folder) {
  std::vector<std::string> removed;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(NativePath(folder), ec)) {
    const fs::path& path = entry.path();
    struct stat st {};
    // Only plain files: never a link or what it leads to.
    if (!IsReplacementFileName(path.filename().string()) || ::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
      continue;
    if (::unlink(path.c_str()) != 0) continue;
    NoteNameRemoved(path);
    removed.push_back(Utf8ToFileName(path.filename().string()));
  }
  return removed;
}

}  // namespace brimsel::platform

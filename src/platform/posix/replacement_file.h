#pragma once
// A new file written beside a target and then put in its place by one rename, so that the
// target is always either the old file or the whole new one, never half of it. Removed
// when dropped before it was put in place. A process killed between the two leaves it
// behind: its name, "." + the target's name + ".~up" + six letters or digits, tells it
// from any other file, and the next run removes it (temporary_files.h).

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/posix/descriptor.h"

namespace brimsel::platform {

class ReplacementFile {
 public:
  // Creates a hidden temporary file in the target's folder (native path).
  explicit ReplacementFile(const std::filesystem::path& target);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  bool Created() const { return fd_.valid(); }
  int fd() const { return fd_.get(); }

  bool WriteAll(std::string_view bytes);
  // Closes the file and renames it over the target (with `noReplace`, only where there is
  // none); false, with the target untouched, on failure.
  bool PutInPlace(bool noReplace = false);

 private:
  std::filesystem::path target_;
  Descriptor fd_;
  std::string path_;
};

// Whether `name` is the name of a ReplacementFile.
bool IsReplacementFileName(std::string_view name);

}  // namespace brimsel::platform

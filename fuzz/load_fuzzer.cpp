// libFuzzer target: any bytes as a package, held in memory, loaded and listed as the
// updater does, and loaded again under the repair path that damaged archives take. A
// refused archive is a valid outcome; a crash, a hang or a listing that disagrees with the
// entry count is not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "archive/memory_file_system.h"
#include "archive/unzipper.h"

namespace {

constexpr char kArchive[] = "package.zip";

void Exercise(brimsel::MemoryZipFileSystem& files, brimsel::TIncompleteZipMode mode) {
  brimsel::TUnzipper unzipper;
  unzipper.SetFileSystem(files);
  unzipper.DoProcessMessages = false;
  unzipper.IncompleteZipMode = mode;
  unzipper.SetZipName(kArchive);
  try {
    unzipper.LoadDirectory();
  } catch (const brimsel::Exception&) {
    return;
  }
  int lines = 0;
  unzipper.ListEntries([&lines](const std::string&) { ++lines; });
  if (lines != unzipper.EntryCount()) std::abort();
  for (int i = 0; i < unzipper.EntryCount(); ++i) (void)unzipper.EntryFileName(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  brimsel::MemoryZipFileSystem files;
  files.AddArchive(kArchive, std::span<const std::uint8_t>(data, size));
  Exercise(files, brimsel::TIncompleteZipMode::izAssumeMulti);
  Exercise(files, brimsel::TIncompleteZipMode::izAssumeBad);
  return 0;
}

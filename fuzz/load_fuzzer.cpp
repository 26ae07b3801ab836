// Fuzz target: any bytes as a package, loaded and listed as the updater does, plus the
// repair path that damaged archives take.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/unzipper.h"

namespace {

const std::string& ArchivePath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/brimsel-load-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) std::abort();
    return std::string(dir) + "/package.zip";
  }();
  return path;
}

void Exercise(const std::string& path, brimsel::TIncompleteZipMode mode) {
  brimsel::TUnzipper unzipper;
  unzipper.DoProcessMessages = false;
  unzipper.IncompleteZipMode = mode;
  unzipper.SetZipName(path);
  try {
    unzipper.LoadDirectory();
  } catch (const brimsel::Exception&) {
    return;  // a refused archive is a valid outcome; crashes and hangs are not
  }
  std::vector<std::string> lines;
  unzipper.ListEntries(lines);
  if (static_cast<int>(lines.size()) != unzipper.EntryCount()) std::abort();
  for (int i = 0; i < unzipper.EntryCount(); ++i) (void)unzipper.EntryFileName(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = ArchivePath();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
  Exercise(path, brimsel::TIncompleteZipMode::izAssumeMulti);
  Exercise(path, brimsel::TIncompleteZipMode::izAssumeBad);
  return 0;
}

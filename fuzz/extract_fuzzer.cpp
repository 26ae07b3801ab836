// libFuzzer target: an arbitrary archive is loaded and extracted into a fresh temporary
// folder with every entry selected and folders recreated; nothing may crash, hang, read
// or write out of bounds, or create anything outside that folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/unzipper.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace {

namespace fs = std::filesystem;

// One scratch folder per process: the archive beside an output folder that is emptied
// after every input.
struct Scratch {
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "extract-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) abort();
    root = pattern;
    archive = root / "input.zip";
    out = root / "out";
    // Every box is answered Yes, so that overwriting runs too.
    brimsel::platform::SetMessageBoxHandler(
        [](brimsel::platform::WindowHandle, const std::string&, const std::string&, unsigned) {
          return brimsel::platform::IDYES;
        });
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  fs::path root, archive, out;
};

void MakeWritable(const fs::path& folder) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  {
    std::ofstream file(scratch.archive, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  for (bool recreateDirs : {true, false}) {
    brimsel::TUnzipper zip;
    zip.DoProcessMessages = false;
    zip.DoAll = true;
    zip.RecreateDirs = recreateDirs;
    zip.Password = "secret";
    zip.SetZipName(brimsel::platform::WindowsPath(scratch.archive));
    zip.SetDestDir(brimsel::platform::WindowsPath(scratch.out));
    try {
      zip.LoadDirectory();
      zip.ExtractFiles();
    } catch (const brimsel::Exception&) {
      // Damaged archives end in the component's errors; that is all they may do.
    }
  }
  // Nothing may appear beside the output folder.
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(scratch.root, ec)) {
    if (entry.path() != scratch.archive && entry.path() != scratch.out) {
      std::fprintf(stderr, "written outside the destination: %s\n", entry.path().c_str());
      abort();
    }
  }
  MakeWritable(scratch.out);
  fs::remove_all(scratch.out, ec);
  return 0;
}

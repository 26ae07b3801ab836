// libFuzzer target: any bytes as a package, loaded and extracted in memory with every
// entry selected and the password "secret", through the component's own name, path,
// overlap and size checks. Nothing may crash or breach the sanitizers; nothing may be made
// outside the destination or under a name the file name rule refuses; an entry reported as
// extracted must hold exactly its stored size and CRC-32; the files together stay within
// the room the file system reports.
//
// The input's length picks one of eight settings (folders recreated or not; an existing
// file replaced, kept, asked about or always overwritten), so that mutations reach them all.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "archive/codecs/crc32.h"
#include "archive/memory_file_system.h"
#include "archive/unzipper.h"
#include "platform/codepage.h"
#include "platform/message_box.h"

namespace {

using brimsel::MemoryZipFileSystem;
using brimsel::TUnzipper;
using brimsel::TUZOverwriteMode;

constexpr char kArchive[] = "package.zip";
constexpr char kDestination[] = "staging";
// Large enough for the packages of the seeds, small enough to keep every run short: more is
// refused by the component's own check of the room.
constexpr std::uint64_t kRoom = 1 << 20;

[[noreturn]] void Fail(const char* what, const std::string& name) {
  std::fprintf(stderr, "%s: %s\n", what, name.c_str());
  std::abort();
}

// Every part below the destination is one a file or folder of Windows may be named.
void CheckInsideDestination(const std::string& made) {
  const std::string key = MemoryZipFileSystem::Key(made);
  const std::string base = MemoryZipFileSystem::Key(kDestination);
  if (key == base) return;
  if (key.compare(0, base.size() + 1, base + "\\") != 0) Fail("made outside the destination", made);
  std::size_t start = base.size() + 1;
  for (std::size_t i = start; i <= key.size(); ++i) {
    if (i < key.size() && brimsel::platform::IsLeadByte(static_cast<unsigned char>(key[i]))) {
      ++i;
      continue;
    }
    if (i < key.size() && key[i] != '\\') continue;
    if (!brimsel::platform::IsPlainFileName(key.substr(start, i - start))) Fail("made under a refused name", made);
    start = i + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryZipFileSystem files(kRoom);
  files.AddArchive(kArchive, std::span<const std::uint8_t>(data, size));

  const unsigned settings = static_cast<unsigned>(size % 8);
  TUnzipper zip;
  zip.SetFileSystem(files);
  zip.DoProcessMessages = false;
  zip.DoAll = true;
  zip.RecreateDirs = (settings & 1) != 0;
  const bool answerYes = (settings & 2) != 0;
  zip.OverwriteMode = (settings & 4) != 0 ? (answerYes ? TUZOverwriteMode::Always : TUZOverwriteMode::Never)
                                          : TUZOverwriteMode::Prompt;
  zip.Password = "secret";
  zip.OnHandleMessage = [answerYes](TUnzipper&, int, const std::string&, const std::string&, unsigned flags,
                                    int& answer) {
    if ((flags & brimsel::platform::MB_BUTTONS_MASK) == brimsel::platform::MB_YESNO)
      answer = answerYes ? brimsel::platform::IDYES : brimsel::platform::IDNO;
  };
  zip.OnEndUnZip = [&files](TUnzipper& sender, int index, const std::string& target) {
    const brimsel::TZipEntryInfo& entry = sender.Entry(index);
    const auto found = files.Files().find(MemoryZipFileSystem::Key(target));
    if (found == files.Files().end()) Fail("an extracted entry left no file", target);
    const std::vector<std::uint8_t>& bytes = found->second.bytes;
    if (bytes.size() != entry.EffectiveUncompressedSize()) Fail("an extracted file is not of its stored size", target);
    if (brimsel::Crc32(bytes.data(), bytes.size()) != entry.CRC32) Fail("an extracted file has another CRC-32", target);
  };
  zip.SetZipName(kArchive);
  zip.SetDestDir(kDestination);
  try {
    zip.LoadDirectory();
    zip.ExtractFiles();
  } catch (const brimsel::Exception&) {
    // A damaged package ends in one of the component's errors; that is all it may do.
  }
  for (const std::string& made : files.Made()) CheckInsideDestination(made);
  if (files.Used() > kRoom) Fail("the files outgrew the room", std::to_string(files.Used()));
  return 0;
}

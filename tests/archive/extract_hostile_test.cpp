// Archives made to hurt the machine that extracts them: entries sharing their data, more
// declared output than the volume holds, a lead byte that hides a separator; and the Unix
// modes an archive made on Unix carries.

#include <sys/stat.h>

#include <filesystem>

#include "archive/archive_test_support.h"
#include "archive/zip_exceptions.h"
#include "platform/free_space.h"

namespace brimsel::test {
namespace {

namespace fs = std::filesystem;

using ExtractHostile = ExtractionFixture;

// Each entry's data reaches over the next entry's local header: a few bytes that declare
// far more output than they hold.
TEST_F(ExtractHostile, EntriesThatShareTheirDataAreRefusedAsDamaged) {
  ZipBuilder b;
  for (const char* name : {"a.bin", "b.bin", "c.bin"}) b.Add(name, std::string(100, 'x'));
  b.entries[0].compressedSizeField = 200;
  b.entries[1].compressedSizeField = 200;
  const std::string archive = WriteArchive(b);
  EXPECT_THROW(Extract(archive), EBadZipFile);
  EXPECT_TRUE(fs::is_empty(dir.path() / "dest"));

  b.entries[0].compressedSizeField.reset();  // sound again: entries end where the next begins
  b.entries[1].compressedSizeField.reset();
  EXPECT_EQ(Extract(WriteArchive(b, "sound.zip")), 3);
}

TEST_F(ExtractHostile, MoreDeclaredOutputThanTheVolumeHoldsIsRefusedBeforeAnythingIsWritten) {
  fs::create_directories(dir.path() / "dest");
  const std::optional<std::uint64_t> free = platform::FreeSpaceOf(Dest());
  ASSERT_TRUE(free.has_value());
  constexpr std::uint64_t kDeclared = 0xFFFFFFF0;
  ZipBuilder b;
  for (std::uint64_t total = 0; total <= *free; total += kDeclared) {
    ZipEntrySpec& e = b.Add("big" + std::to_string(b.entries.size()) + ".dat", "tiny");
    e.method = 8;
    e.uncompressedSizeField = static_cast<std::uint32_t>(kDeclared);
  }
  EXPECT_THROW(Extract(WriteArchive(b)), ECantWriteUCF);
  EXPECT_TRUE(fs::is_empty(dir.path() / "dest"));
}

// A lead byte makes one character of the byte after it to the component's checks; the
// file system's converter may find no character there and let that byte stand alone: a
// separator that leads through a link planted in the destination under the converted
// name, a line feed, a drive colon. The name that is created is the one judged.
TEST_F(ExtractHostile, ALeadByteHidesNoSeparatorOrControlCharacter) {
  fs::create_directories(dir.path() / "dest");
  fs::create_directories(dir.path() / "elsewhere");
  fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "dest" / "x\xEF\xBF\xBD");
  zip.OverwriteMode = TUZOverwriteMode::Always;
  for (const bool recreateDirs : {false, true}) {
    zip.RecreateDirs = recreateDirs;
    ZipBuilder b;
    for (const char* name : {"x\xA1/evil.txt", "x\xA7\\evil2.txt", "sub\xFE/x\xFE\\evil3.txt", "a\x81\nforged.txt",
                             "b\x81:c.txt", "\x81\x01"})
      b.Add(name, "escaped");
    b.Add("plain.txt", "plain");
    Extract(WriteArchive(b));
    EXPECT_TRUE(fs::is_empty(dir.path() / "elsewhere")) << recreateDirs;
    EXPECT_EQ(ReadDest("plain.txt"), "plain");
    for (const auto& entry : fs::recursive_directory_iterator(dir.path() / "dest")) {
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(name.find_first_of(std::string("\x01\n:", 3)), std::string::npos) << name;
    }
  }
}

TEST_F(ExtractHostile, AnArchiveMadeOnUnixGivesEachFileItsModeAndOthersTheUsualOne) {
  struct Row {
    const char* name;
    std::uint16_t madeBy;
    std::uint32_t attributes;
    fs::perms mode;
  };
  const Row rows[] = {
      {"tool", 0x031E, 0100755u << 16, fs::perms(0755)},
      {"setid", 0x031E, 0106777u << 16, fs::perms(0755)},             // never set-id, never writable by others
      {"locked", 0x031E, (0100644u << 16) | 0x01, fs::perms(0444)},   // the read-only attribute still counts
      {"dos.exe", 0x0014, 0x20, fs::perms(0644)},                      // made on MS-DOS
  };
  ZipBuilder b;
  for (const Row& row : rows) {
    ZipEntrySpec& e = b.Add(row.name, "#!/bin/sh\n");
    e.versionMadeBy = row.madeBy;
    e.externalAttributes = row.attributes;
  }
  ::umask(022);
  EXPECT_EQ(Extract(WriteArchive(b)), 4);
  for (const Row& row : rows) EXPECT_EQ(fs::status(dir.path() / "dest" / row.name).permissions(), row.mode) << row.name;
}

}  // namespace
}  // namespace brimsel::test

// Archives made to hurt the machine that extracts them: entries sharing their data, and
// more declared output than the volume holds.

#include <filesystem>

#include "archive/archive_test_support.h"
#include "archive/zip_exceptions.h"
#include "platform/free_space.h"

namespace brimsel::test {
namespace {

namespace fs = std::filesystem;

using ExtractHostile = ExtractionFixture;

// Entries whose data reach over the next entry's local header declare far more output
// than the archive holds; so does one that declares more than the volume has room for.
// Both are refused before anything is written; a sound archive is not.
TEST_F(ExtractHostile, OverlappingEntriesAndMoreOutputThanTheVolumeHoldsAreRefused) {
  ZipBuilder b;
  for (const char* name : {"a.bin", "b.bin", "c.bin"}) b.Add(name, std::string(100, 'x')).compressedSizeField = 200;
  b.entries.back().compressedSizeField.reset();
  EXPECT_THROW(Extract(WriteArchive(b)), EBadZipFile);
  EXPECT_TRUE(fs::is_empty(dir.path() / "dest"));

  const std::uint64_t free = platform::FreeSpaceOf(Dest()).value_or(0);
  constexpr std::uint32_t kDeclared = 0xFFFFFFF0;
  ZipBuilder big;
  for (std::uint64_t total = 0; total <= free; total += kDeclared)
    big.Add("big" + std::to_string(big.entries.size()), "tiny").uncompressedSizeField = kDeclared;
  EXPECT_THROW(Extract(WriteArchive(big, "big.zip")), ECantWriteUCF);
  EXPECT_TRUE(fs::is_empty(dir.path() / "dest"));

  for (ZipEntrySpec& entry : b.entries) entry.compressedSizeField.reset();
  EXPECT_EQ(Extract(WriteArchive(b, "sound.zip")), 3);
}

}  // namespace
}  // namespace brimsel::test

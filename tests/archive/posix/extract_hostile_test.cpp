// Names that a lead byte would smuggle past the checks, against a link planted in the
// destination.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/archive_test_support.h"

namespace brimsel::test {
namespace {

namespace fs = std::filesystem;

using ExtractHostile = ExtractionFixture;

// A lead byte makes one character of the byte after it to the component's checks; the
// file system's converter may find no character there and let that byte stand alone: a
// separator that leads through a link planted in the destination under the converted
// name, a line feed, a drive colon. The name that is created is the one judged.
TEST_F(ExtractHostile, ALeadByteHidesNoSeparatorOrControlCharacter) {
  fs::create_directories(dir.path() / "dest");
  fs::create_directories(dir.path() / "elsewhere");
  fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "dest" / "x\xEF\xBF\xBD");
  zip.RecreateDirs = true;
  ZipBuilder b;
  for (const char* name : {"x\xA1/evil.txt", "sub\xFE/x\xFE\\evil.txt", "a\x81\nforged.txt", "b\x81:c.txt"})
    b.Add(name, "escaped");
  b.Add("plain.txt", "plain");
  Extract(WriteArchive(b));
  EXPECT_TRUE(fs::is_empty(dir.path() / "elsewhere"));
  EXPECT_EQ(ReadDest("plain.txt"), "plain");
  for (const auto& entry : fs::recursive_directory_iterator(dir.path() / "dest"))
    EXPECT_EQ(entry.path().filename().string().find_first_of("\n:"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace brimsel::test

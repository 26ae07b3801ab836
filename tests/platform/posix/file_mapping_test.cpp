// Files mapped for a decoder that reads and writes in place: only what the file holds is
// mapped, writes land in the file, and a page that another program cut away ends the work
// on it with a failure, not the process with a bus error.
#include "platform/posix/file_mapping.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace brimsel::platform {
namespace {
using test::TempDir;

TEST(FileMapping, MapsOnlyWhatTheFileHoldsAndWritesLandInTheFile) {
  TempDir dir;
  dir.Write("in.bin", std::string(10000, 'i') + "tail");
  File in(dir.WinPath() + "in.bin", File::Mode::Read);
  ASSERT_TRUE(in.IsOpen());
  const std::optional<FileMapping> tail = FileMapping::ForReading(in, 10000, 4);
  ASSERT_TRUE(tail);
  EXPECT_EQ(std::string(tail->Bytes().begin(), tail->Bytes().end()), "tail");
  EXPECT_FALSE(FileMapping::ForReading(in, 10000, 5));
  EXPECT_FALSE(FileMapping::ForReading(in, 10005, 1));

  dir.Write("out.bin", std::string(50000, 'o'));
  File out(dir.WinPath() + "out.bin", File::Mode::Replace);
  ASSERT_TRUE(out.IsOpen());
  {
    const std::optional<FileMapping> whole = FileMapping::ForWriting(out, 6000);
    ASSERT_TRUE(whole);
    std::fill(whole->Bytes().begin(), whole->Bytes().end(), 'w');
  }
  out.Close();
  EXPECT_EQ(TempDir::Read(dir.path() / "out.bin"), std::string(6000, 'w'));
}

TEST(FileMapping, PagesCutAwayByAnotherProgramFailTheWorkNotTheProcess) {
  TempDir dir;
  dir.Write("shrinks.bin", std::string(3 * 65536, 's'));
  File file(dir.WinPath() + "shrinks.bin", File::Mode::Read);
  std::optional<FileMapping> mapping = FileMapping::ForReading(file, 0, 3 * 65536);
  ASSERT_TRUE(mapping);
  ASSERT_EQ(::truncate((dir.path() / "shrinks.bin").c_str(), 100), 0);
  volatile std::uint8_t seen = 0;
  EXPECT_TRUE(RunOnMappedPages([&] { seen = mapping->Bytes()[99]; }));
  EXPECT_EQ(seen, 's');
  EXPECT_FALSE(RunOnMappedPages([&] { seen = mapping->Bytes()[2 * 65536]; }));
  EXPECT_TRUE(RunOnMappedPages([] {}));  // and the next work runs as before
}

}  // namespace
}  // namespace brimsel::platform

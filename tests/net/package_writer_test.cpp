#include "net/package_writer.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {

using test::TempDir;

TEST(PackageWriterTest, SizeCountsGatheredBytesAndTheDiskGetsThemByFlushOrEnd) {
  TempDir dir;
  const std::string path = dir.WinPath() + "p.zip";
  {
    platform::File file(path, platform::File::Mode::Create);
    PackageWriter writer(file);
    writer.Append("abc", 3);
    EXPECT_EQ(writer.Size(), 3);
    EXPECT_EQ(TempDir::Read(dir.path() / "p.zip"), "");  // still gathered
    writer.Flush();
    EXPECT_EQ(TempDir::Read(dir.path() / "p.zip"), "abc");
    writer.Append("def", 3);
    EXPECT_EQ(writer.Size(), 6);
  }
  // The rest reached the disk when the writer went.
  EXPECT_EQ(TempDir::Read(dir.path() / "p.zip"), "abcdef");
}

TEST(PackageWriterTest, FullBlocksGoToTheDiskAtOnce) {
  TempDir dir;
  platform::File file(dir.WinPath() + "p.zip", platform::File::Mode::Create);
  PackageWriter writer(file);
  const std::string block(PackageWriter::kBlockSize, 'b');
  writer.Append(block.data(), block.size());
  EXPECT_EQ(file.Size(), static_cast<std::int64_t>(block.size()));
  EXPECT_EQ(writer.Size(), static_cast<std::int64_t>(block.size()));
}

TEST(PackageWriterTest, RefusedWriteRaises) {
  TempDir dir;
  dir.Write("p.zip", "");
  platform::File file(dir.WinPath() + "p.zip", platform::File::Mode::Read);
  PackageWriter writer(file);
  writer.Append("x", 1);
  EXPECT_THROW(writer.Flush(), Exception);
}

}  // namespace
}  // namespace brimsel

#include "net/package_writer.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {

using test::TempDir;

TEST(PackageWriterTest, BytesAreGatheredUntilFlushAFullBlockOrTheEnd) {
  TempDir dir;
  const auto onDisk = [&dir] { return TempDir::Read(dir.path() / "p.zip"); };
  const std::string block(PackageWriter::kBlockSize, 'b');
  {
    platform::File file(dir.WinPath() + "p.zip", platform::File::Mode::Create);
    PackageWriter writer(file);
    writer.Append("abc", 3);
    EXPECT_EQ(writer.Size(), 3);
    EXPECT_EQ(onDisk(), "");  // still gathered
    writer.Flush();
    EXPECT_EQ(onDisk(), "abc");
    writer.Append(block.data(), block.size());
    EXPECT_EQ(file.Size(), static_cast<std::int64_t>(3 + block.size()));
    writer.Append("def", 3);
    EXPECT_EQ(writer.Size(), static_cast<std::int64_t>(6 + block.size()));
  }
  // The rest reached the disk when the writer went.
  EXPECT_EQ(onDisk(), "abc" + block + "def");
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

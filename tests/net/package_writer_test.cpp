#include "net/package_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "platform/exception.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {

using test::TempDir;

// Hands `bytes` over as the body loop does: received into the writer's room, then committed.
void Append(PackageWriter& writer, std::string_view bytes) {
  while (!bytes.empty()) {
    const std::span<char> room = writer.Room(bytes.size());
    ASSERT_FALSE(room.empty());
    std::copy_n(bytes.data(), room.size(), room.data());
    writer.Commit(room.size());
    bytes.remove_prefix(room.size());
  }
}

TEST(PackageWriterTest, BytesAreGatheredUntilFlushAFullBlockOrTheEnd) {
  TempDir dir;
  const auto onDisk = [&dir] { return TempDir::Read(dir.path() / "p.zip"); };
  const std::string block(PackageWriter::kBlockSize, 'b');
  {
    platform::File file(dir.WinPath() + "p.zip", platform::File::Mode::Create);
    PackageWriter writer(file);
    Append(writer, "abc");
    EXPECT_EQ(writer.Size(), 3);
    EXPECT_EQ(onDisk(), "");  // still gathered
    writer.Flush();
    EXPECT_EQ(onDisk(), "abc");
    Append(writer, block);
    EXPECT_EQ(file.Size(), static_cast<std::int64_t>(3 + block.size()));
    Append(writer, "def");
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
  Append(writer, "x");
  EXPECT_THROW(writer.Flush(), Exception);
}

}  // namespace
}  // namespace brimsel
